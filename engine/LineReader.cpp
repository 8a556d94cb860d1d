#include "LineReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "MpException.h"

namespace lathwell {

namespace {

// Bytes asked of the subclass per read: large enough that reads cost little next to the work
// on their bytes, small enough that a block is still in the cache when it is scanned.
constexpr size_t kReadBlock = 256 * 1024;
// The buffer's size is a 32-bit quantity; the longest line leaves room for one more read and
// the NUL after the text.
constexpr size_t kLargestBuffer = std::numeric_limits<int32_t>::max();
constexpr size_t kLongestLine = kLargestBuffer - kReadBlock - 1;
constexpr size_t kNoNul = static_cast<size_t>(-1);

// The bytes a scan stops at: the ends of line and the first NUL of a line that is not blanked.
struct LineEndsAndNul {
    static bool Stops(unsigned char byte) { return byte == '\n' || byte == '\r' || byte == '\0'; }
#ifdef __SSE2__
    // Every byte up to CR (13): LF, CR and NUL, and the rare other control bytes, which
    // FindStop passes over.
    static int Mask(__m128i bytes) {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8('\r')), bytes));
    }
#endif
};

// After a NUL has ended the text, only the end of line matters.
struct LineEnds {
    static bool Stops(unsigned char byte) { return byte == '\n' || byte == '\r'; }
#ifdef __SSE2__
    static int Mask(__m128i bytes) {
        return _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                                              _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))));
    }
#endif
};

// The first byte of [from, to) that Stop stops at, or to: sixteen bytes at a time where the
// processor allows.
template <class Stop>
char* FindStop(char* from, char* to) {
#ifdef __SSE2__
    while (to - from >= 32) {
        int first = Stop::Mask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
        int second = Stop::Mask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16)));
        unsigned mask = static_cast<unsigned>(first) | static_cast<unsigned>(second) << 16;
        if (mask == 0) {
            from += 32;
            continue;
        }
        from += __builtin_ctz(mask);
        // The mask may also catch bytes that are no stop; the search goes on after them.
        if (Stop::Stops(static_cast<unsigned char>(*from))) return from;
        ++from;
    }
#endif
    while (from < to && !Stop::Stops(static_cast<unsigned char>(*from))) ++from;
    return from;
}

bool IsUnprintable(unsigned char byte) { return byte < 32 || byte > 126; }

// Blanks every unprintable byte of [from, to) up to the first LF or CR and returns where that
// is, or to; sets blanked when a byte was blanked. Sixteen bytes at a time where the processor
// allows, so a line full of them costs no more than a clean one.
char* BlankToLineEnd(char* from, char* to, bool& blanked) {
#ifdef __SSE2__
    const __m128i blank = _mm_set1_epi8(' ');
    while (to - from >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                                    _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
        // As signed bytes, 128..255 are negative and so below 32 as well.
        __m128i unprintable =
            _mm_or_si128(_mm_cmplt_epi8(bytes, blank), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(127)));
        unsigned endMask = static_cast<unsigned>(_mm_movemask_epi8(ends));
        if (endMask == 0) {
            if (_mm_movemask_epi8(unprintable) != 0) {
                _mm_storeu_si128(
                    reinterpret_cast<__m128i*>(from),
                    _mm_or_si128(_mm_andnot_si128(unprintable, bytes), _mm_and_si128(unprintable, blank)));
                blanked = true;
            }
            from += 16;
            continue;
        }
        to = from + __builtin_ctz(endMask);
        break;
    }
#endif
    for (; from < to; ++from) {
        if (*from == '\n' || *from == '\r') return from;
        if (IsUnprintable(static_cast<unsigned char>(*from))) {
            *from = ' ';
            blanked = true;
        }
    }
    return from;
}

[[noreturn]] void RaiseLineTooLong() {
    MpException::RaiseFormatted("Input line longer than %d bytes", "LineReader", static_cast<int32_t>(kLongestLine));
}

}  // namespace

LineReader::LineReader(LoneCarriageReturn loneCr, bool blankUnprintable)
    : m_loneCr(loneCr), m_blankUnprintable(blankUnprintable), m_nul(kNoNul) {}

inline bool LineReader::ScanLine(char*& textEnd, char*& next) {
    char* const begin = m_buffer.AsPtr() + m_begin;
    char* const end = m_buffer.AsPtr() + m_end;
    char* here = begin + m_scanned;
    for (;;) {
        if (m_blankUnprintable) {
            here = BlankToLineEnd(here, end, m_lineBlanked);
        } else if (m_nul == kNoNul) {
            here = FindStop<LineEndsAndNul>(here, end);
            if (here < end && *here == '\0') {
                m_nul = static_cast<size_t>(here - begin);
                ++here;
                continue;
            }
        } else {
            here = FindStop<LineEnds>(here, end);
        }
        if (here == end) break;
        textEnd = here;
        next = here + 1;
        if (*here == '\n') return true;
        // A CR: what follows decides, so it must be in the buffer unless the input has ended.
        if (next == end && !m_inputEnded) break;
        if (next < end && *next == '\n') {
            ++next;
        } else if (m_loneCr == LoneCarriageReturn::Refused) {
            MpException error("Return character not followed by newline; unknown end of line type",
                              "MpInputStreamInterface");
            error.AddCallpath("ReadLine()", "MpInputStreamInterface");
            throw error;
        }
        return true;
    }
    m_scanned = static_cast<size_t>(here - begin);
    return false;
}

inline void LineReader::Deliver(char* textEnd, const char* next, TextLine& line) {
    char* text = m_buffer.AsPtr() + m_begin;
    size_t length = std::min(static_cast<size_t>(textEnd - text), m_nul);
    if (length > kLongestLine) RaiseLineTooLong();
    text[length] = '\0';
    line.text = text;
    line.length = static_cast<int32_t>(length);
    line.blanked = m_lineBlanked;

    size_t nextOffset = static_cast<size_t>(next - m_buffer.AsPtr());
    m_consumed += static_cast<int64_t>(nextOffset - m_begin);
    m_begin = nextOffset;
    m_scanned = 0;
    m_nul = kNoNul;
    m_lineBlanked = false;
    ++m_linesRead;
}

bool LineReader::ReadLine(TextLine& line) {
    for (;;) {
        char* textEnd = nullptr;
        char* next = nullptr;
        if (ScanLine(textEnd, next)) {
            Deliver(textEnd, next, line);
            return true;
        }
        if (m_inputEnded) {
            if (m_begin == m_end) return false;
            // The last line has no end of line.
            char* end = m_buffer.AsPtr() + m_end;
            Deliver(end, end, line);
            return true;
        }
        Refill();
    }
}

void LineReader::Refill() {
    size_t pending = m_end - m_begin;
    if (pending > kLongestLine) RaiseLineTooLong();
    if (m_begin > 0) {
        // Only the start of a line that the block cut off is moved.
        std::memmove(m_buffer.AsPtr(), m_buffer.AsPtr() + m_begin, pending);
        m_begin = 0;
        m_end = pending;
    }
    // One byte stays free after the data for the NUL that ends a last line.
    size_t size = static_cast<size_t>(m_buffer.GetSize());
    size_t needed = pending + kReadBlock + 1;
    if (size < needed) {
        // Grown by half at least, so a long line costs few reallocations; the bytes added are
        // not touched before a read fills them, so memory follows the line, not the buffer.
        size_t grown = std::min(kLargestBuffer, std::max(needed, size + size / 2));
        m_buffer.Resize(static_cast<int32_t>(grown));
    }
    int32_t got = ReadBlock(m_buffer.AsPtr() + m_end, static_cast<int32_t>(kReadBlock));
    if (got == 0) m_inputEnded = true;
    m_end += static_cast<size_t>(got);
}

}  // namespace lathwell
