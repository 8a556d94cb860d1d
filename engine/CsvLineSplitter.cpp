#include "CsvLineSplitter.h"

#include <string>

#include "MpException.h"

#if defined(__SSE2__) && defined(__GNUC__)
#define LATHWELL_VECTOR_MARKS 1
// The loop over a line is compiled into each marker, so that the vector code and the loop get
// the marker's instruction set together.
#define LATHWELL_INLINE_INTO_MARKER __attribute__((always_inline)) inline
#include <immintrin.h>
#endif

namespace lathwell {

namespace {

const char kTokenizer[] = "MpStringTokenizer";

using Marks64 = CsvLineSplitter::Marks64;

// Bit i of the result is the parity of bits 0 to i of bits: with bits the quotes from an
// opening quote on, whether the column is still open after byte i.
uint64_t PrefixXor(uint64_t bits) {
    bits ^= bits << 1;
    bits ^= bits << 2;
    bits ^= bits << 4;
    bits ^= bits << 8;
    bits ^= bits << 16;
    bits ^= bits << 32;
    return bits;
}

#ifdef LATHWELL_VECTOR_MARKS
struct Sse2Marks {
    static Marks64 Mark(const char* bytes, char delimiter) {
        const __m128i delimiters = _mm_set1_epi8(delimiter);
        const __m128i quotes = _mm_set1_epi8('"');
        Marks64 marks{0, 0};
        for (int i = 0; i < 4; ++i) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
            marks.delimiters |= static_cast<uint64_t>(static_cast<unsigned>(
                                    _mm_movemask_epi8(_mm_cmpeq_epi8(block, delimiters))))
                                << (16 * i);
            marks.quotes |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, quotes))))
                            << (16 * i);
        }
        return marks;
    }
};

struct Avx2Marks {
    __attribute__((target("avx2"))) static Marks64 Mark(const char* bytes, char delimiter) {
        const __m256i delimiters = _mm256_set1_epi8(delimiter);
        const __m256i quotes = _mm256_set1_epi8('"');
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32));
        auto bits = [](__m256i marked) __attribute__((target("avx2"))) {
            return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(marked)));
        };
        return Marks64{bits(_mm256_cmpeq_epi8(low, delimiters)) | bits(_mm256_cmpeq_epi8(high, delimiters)) << 32,
                       bits(_mm256_cmpeq_epi8(low, quotes)) | bits(_mm256_cmpeq_epi8(high, quotes)) << 32};
    }
};

template <class Vector>
LATHWELL_INLINE_INTO_MARKER void MarkWith(const char* line, size_t length, char delimiter, Marks64* marks) {
    size_t at = 0;
    for (; length - at >= 64; at += 64) *marks++ = Vector::Mark(line + at, delimiter);
    if (at == length) return;
    // The line's last bytes are copied, so no byte after the line is read.
    char tail[64] = {};
    std::memcpy(tail, line + at, length - at);
    const uint64_t kept = (uint64_t{1} << (length - at)) - 1;
    const Marks64 last = Vector::Mark(tail, delimiter);
    *marks = Marks64{last.delimiters & kept, last.quotes & kept};
}

void MarkSse2(const char* line, size_t length, char delimiter, Marks64* marks) {
    MarkWith<Sse2Marks>(line, length, delimiter, marks);
}

__attribute__((target("avx2"))) void MarkAvx2(const char* line, size_t length, char delimiter, Marks64* marks) {
    MarkWith<Avx2Marks>(line, length, delimiter, marks);
}

bool CanRunAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

CsvLineSplitter::LineMarker MarkerOf(CsvLineSplitter::Method method) {
    switch (method) {
#ifdef LATHWELL_VECTOR_MARKS
    case CsvLineSplitter::Method::Sse2:
        return MarkSse2;
    case CsvLineSplitter::Method::Avx2:
        return MarkAvx2;
#endif
    default:
        return nullptr;
    }
}

}  // namespace

CsvLineSplitter::Method CsvLineSplitter::Fastest() {
    static const Method fastest = Methods().back();
    return fastest;
}

std::vector<CsvLineSplitter::Method> CsvLineSplitter::Methods() {
#ifdef LATHWELL_VECTOR_MARKS
    if (CanRunAvx2()) return {Method::Bytes, Method::Sse2, Method::Avx2};
    return {Method::Bytes, Method::Sse2};
#else
    return {Method::Bytes};
#endif
}

CsvLineSplitter::CsvLineSplitter(char delimiter, Method method)
    : m_delimiter(delimiter), m_markLine(MarkerOf(method)) {}

void CsvLineSplitter::RaiseNoClosingQuote() {
    throw MpStringTokenizerException(
        "A group token has no end delimeter.\nCannot retrieve token as specified.\nPlease correct.\n\n", kTokenizer);
}

const char* CsvLineSplitter::ClosingQuote(const char* open, Column& column) {
    const char* closing = Find(open + 1, '"');
    if (closing == nullptr) RaiseNoClosingQuote();
    column.text = open + 1;
    column.length = static_cast<size_t>(closing - open - 1);
    // With the quote itself as delimiter, a doubled quote is no escape.
    if (m_delimiter != '"' && closing + 1 < m_end && closing[1] == '"') closing = Unquote(closing, column);
    return closing;
}

const char* CsvLineSplitter::MarkedClosingQuote(const char* open, Column& column) {
    const size_t at = static_cast<size_t>(open - m_line);
    const size_t words = (static_cast<size_t>(m_end - m_line) + 63) / 64;
    size_t word = at / 64;
    uint64_t opening = uint64_t{1} << (at % 64);   // the opening quote's bit, in its word only
    uint64_t quotes = m_marks[word].quotes & ~(opening - 1);  // from the opening quote on
    // With the quote itself as delimiter, a doubled quote is no escape: the next quote closes.
    const bool doubledQuotes = m_delimiter != '"';
    uint64_t open64 = 0;  // all ones when the column is still open after the word before
    bool doubled = false;
    for (;;) {
        uint64_t closing;
        if (doubledQuotes) {
            const uint64_t nextQuotes = word + 1 < words ? m_marks[word + 1].quotes : 0;
            const uint64_t followedByQuote = quotes >> 1 | nextQuotes << 63;
            // A quote that leaves the column closed and has no quote after it closes it; the
            // quotes before it inside the column are doubled quotes.
            const uint64_t openAfter = PrefixXor(quotes) ^ open64;
            closing = quotes & ~followedByQuote & ~openAfter;
            open64 = 0 - (openAfter >> 63);
        } else {
            closing = quotes & ~opening;
        }
        const uint64_t closingBit = closing & (0 - closing);  // 0 when the word has none
        doubled |= (quotes & ~opening & (closingBit - 1)) != 0;
        if (closingBit != 0) {
            const char* quote = m_line + word * 64 + static_cast<size_t>(__builtin_ctzll(closingBit));
            column.text = open + 1;
            column.length = static_cast<size_t>(quote - open - 1);
            if (doubled) {
                // Each doubled quote becomes one.
                m_unquoted.clear();
                for (const char* from = open + 1; from < quote;) {
                    const char* pair = static_cast<const char*>(std::memchr(from, '"', static_cast<size_t>(quote - from)));
                    if (pair == nullptr) pair = quote;
                    m_unquoted.append(from, static_cast<size_t>(pair - from) + (pair < quote ? 1 : 0));
                    from = pair + 2;
                }
                column.text = m_unquoted.data();
                column.length = m_unquoted.size();
            }
            return quote;
        }
        if (++word == words) RaiseNoClosingQuote();
        quotes = m_marks[word].quotes;
        opening = 0;
    }
}

const char* CsvLineSplitter::AfterClosingQuote(const char* quote) {
    const char* from = quote + 1;
    const char* next = from < m_end ? Find(from, m_delimiter) : nullptr;
    const char* end = next != nullptr ? next : m_end;
    while (from < end && *from == ' ') ++from;
    if (from < end) m_textAfterQuote = true;
    return next;
}

const char* CsvLineSplitter::Unquote(const char* quote, Column& column) {
    m_unquoted.assign(column.text, column.length);
    for (;;) {
        // quote and quote + 1 are a doubled quote: one quote of the value.
        m_unquoted += '"';
        const char* from = quote + 2;
        quote = from < m_end ? Find(from, '"') : nullptr;
        if (quote == nullptr) RaiseNoClosingQuote();
        m_unquoted.append(from, static_cast<size_t>(quote - from));
        if (quote + 1 == m_end || quote[1] != '"') break;
    }
    column.text = m_unquoted.data();
    column.length = m_unquoted.size();
    return quote;
}

void CsvLineSplitter::RaiseNoColumn(int32_t index) const {
    const std::string line(m_line, static_cast<size_t>(m_end - m_line));
    const char delimiter[] = {m_delimiter, '\0'};
    MpException::RaiseFormatted("No token %d in \"%s\" with delimiter \"%s\"", kTokenizer, index,
                                line.c_str(), delimiter);
}

}  // namespace lathwell
