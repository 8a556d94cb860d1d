#include "StopIndex.h"

#include <algorithm>

#if defined(__SSE2__) && defined(__GNUC__)
#define LATHWELL_VECTOR_SCAN 1
// The scan loop is compiled into each scanner, so that the vector code and the loop get the
// scanner's instruction set together.
#define LATHWELL_INLINE_INTO_SCANNER __attribute__((always_inline)) inline
#include <immintrin.h>
#else
#define LATHWELL_INLINE_INTO_SCANNER inline
#endif

namespace lathwell {

namespace {

// Bytes indexed at a time: the entries of one span stay in the first-level cache.
constexpr size_t kSpan = 16 * 1024;

#ifdef LATHWELL_VECTOR_SCAN
// Bit i of the mask is set when byte i of the 64 at bytes is a stop.
struct Sse2Stops {
    static uint64_t Mask(const char* bytes) {
        auto stops16 = [](const char* at) {
            __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n')),
                                        _mm_cmpeq_epi8(block, _mm_set1_epi8('\r')));
            return static_cast<uint64_t>(static_cast<unsigned>(
                _mm_movemask_epi8(_mm_or_si128(ends, _mm_cmpeq_epi8(block, _mm_setzero_si128())))));
        };
        return stops16(bytes) | stops16(bytes + 16) << 16 | stops16(bytes + 32) << 32 | stops16(bytes + 48) << 48;
    }
    // The bits set in mask, without the popcnt instruction, which some of these processors lack.
    static size_t Count(uint64_t mask) {
        mask -= (mask >> 1) & 0x5555555555555555;
        mask = (mask & 0x3333333333333333) + ((mask >> 2) & 0x3333333333333333);
        mask = (mask + (mask >> 4)) & 0x0f0f0f0f0f0f0f0f;
        return static_cast<size_t>((mask * 0x0101010101010101) >> 56);
    }
};

struct Avx2Stops {
    __attribute__((target("avx2"))) static uint64_t Mask(const char* bytes) {
        auto stops32 = [](const char* at) __attribute__((target("avx2"))) {
            __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
            __m256i ends = _mm256_or_si256(_mm256_cmpeq_epi8(block, _mm256_set1_epi8('\n')),
                                           _mm256_cmpeq_epi8(block, _mm256_set1_epi8('\r')));
            return static_cast<uint64_t>(static_cast<unsigned>(
                _mm256_movemask_epi8(_mm256_or_si256(ends, _mm256_cmpeq_epi8(block, _mm256_setzero_si256())))));
        };
        return stops32(bytes) | stops32(bytes + 32) << 32;
    }
    __attribute__((target("popcnt"))) static size_t Count(uint64_t mask) {
        return static_cast<size_t>(__builtin_popcountll(mask));
    }
};
#endif

template <class Stops>
LATHWELL_INLINE_INTO_SCANNER size_t ScanWith(const char* buffer, size_t from, size_t to, uint32_t* stops) {
    uint32_t* out = stops;
    size_t at = from;
#ifdef LATHWELL_VECTOR_SCAN
    constexpr uint64_t kTopBit = uint64_t{1} << 63;  // keeps ctz defined once the mask is spent
    for (; to - at >= 64; at += 64) {
        uint64_t mask = Stops::Mask(buffer + at);
        // The first stops are written whether or not there are that many (the slack takes the
        // rest), so the common 64 bytes with none, one or two cost no branch of their own.
        const size_t count = Stops::Count(mask);
#pragma GCC unroll 4
        for (size_t i = 0; i < StopIndex::kSlack; ++i) {
            out[i] = static_cast<uint32_t>(at + static_cast<size_t>(__builtin_ctzll(mask | kTopBit)));
            mask &= mask - 1;
        }
        for (size_t i = StopIndex::kSlack; i < count; ++i) {
            out[i] = static_cast<uint32_t>(at + static_cast<size_t>(__builtin_ctzll(mask)));
            mask &= mask - 1;
        }
        out += count;
    }
#endif
    for (; at < to; ++at) {
        *out = static_cast<uint32_t>(at);
        out += StopIndex::IsStop(static_cast<unsigned char>(buffer[at]));
    }
    return static_cast<size_t>(out - stops);
}

#ifdef LATHWELL_VECTOR_SCAN
size_t ScanSse2(const char* buffer, size_t from, size_t to, uint32_t* stops) {
    return ScanWith<Sse2Stops>(buffer, from, to, stops);
}

__attribute__((target("avx2,bmi,popcnt"))) size_t ScanAvx2(const char* buffer, size_t from, size_t to, uint32_t* stops) {
    return ScanWith<Avx2Stops>(buffer, from, to, stops);
}

bool CanRunAvx2Scanner() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
}

StopIndex::Scanner BestScanner() { return CanRunAvx2Scanner() ? ScanAvx2 : ScanSse2; }
#else
size_t ScanBytes(const char* buffer, size_t from, size_t to, uint32_t* stops) {
    struct NoVector {};
    return ScanWith<NoVector>(buffer, from, to, stops);
}

StopIndex::Scanner BestScanner() { return ScanBytes; }
#endif

}  // namespace

StopIndex::StopIndex() : m_stops(new uint32_t[kSpan + kSlack]) {}

size_t StopIndex::Scan(const char* buffer, size_t from, size_t to, uint32_t* stops) {
    static const Scanner best = BestScanner();
    return best(buffer, from, to, stops);
}

std::vector<StopIndex::Scanner> StopIndex::Scanners() {
#ifdef LATHWELL_VECTOR_SCAN
    if (CanRunAvx2Scanner()) return {ScanSse2, ScanAvx2};
    return {ScanSse2};
#else
    return {ScanBytes};
#endif
}

bool StopIndex::IndexSpan(const char* buffer, size_t from, size_t end) {
    size_t start = std::max(from, m_indexedTo);
    if (start >= end) return false;
    m_indexedTo = std::min(end, start + kSpan);
    m_count = Scan(buffer, start, m_indexedTo, m_stops.get());
    m_next = 0;
    return true;
}

}  // namespace lathwell
