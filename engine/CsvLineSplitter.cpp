#include "CsvLineSplitter.h"

#include <string>

#include "MpException.h"

#if defined(__SSE2__) && defined(__GNUC__)
#define LATHWELL_VECTOR_MARKS 1
// The loop over a line is compiled into each marker, so that the vector code and the loop get
// the marker's instruction set together.
#define LATHWELL_INLINE_INTO_MARKER __attribute__((always_inline)) inline
// The markers read the 64 bytes around a line's last ones whole, past the line's ends but never
// into a page that holds none of its bytes (see MarkWith); AddressSanitizer would take that
// for an overflow.
#define LATHWELL_READS_AROUND_LINE __attribute__((no_sanitize_address))
#include <immintrin.h>
#endif

namespace lathwell {

namespace {

const char kTokenizer[] = "MpStringTokenizer";

using Marks64 = CsvLineSplitter::Marks64;

// Bit i of the result is the parity of bits 0 to i of bits: for the quote marks of a line,
// whether byte i lies inside quotes, an opening quote counted in and a closing one out.
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
    LATHWELL_READS_AROUND_LINE static Marks64 Mark(const char* bytes, char delimiter) {
        const __m128i delimiters = _mm_set1_epi8(delimiter);
        const __m128i quotes = _mm_set1_epi8('"');
        const __m128i blanks = _mm_set1_epi8(' ');
        Marks64 marks{0, 0, 0, 0};
        auto bits = [](__m128i marked) {
            return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(marked)));
        };
        for (int i = 0; i < 4; ++i) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
            marks.delimiters |= bits(_mm_cmpeq_epi8(block, delimiters)) << (16 * i);
            marks.quotes |= bits(_mm_cmpeq_epi8(block, quotes)) << (16 * i);
            marks.blanks |= bits(_mm_cmpeq_epi8(block, blanks)) << (16 * i);
        }
        return marks;
    }
};

struct Avx2Marks {
    __attribute__((target("avx2"))) LATHWELL_READS_AROUND_LINE static Marks64 Mark(const char* bytes, char delimiter) {
        const __m256i delimiters = _mm256_set1_epi8(delimiter);
        const __m256i quotes = _mm256_set1_epi8('"');
        const __m256i blanks = _mm256_set1_epi8(' ');
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32));
        auto bits = [](__m256i marked) __attribute__((target("avx2"))) {
            return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(marked)));
        };
        return Marks64{bits(_mm256_cmpeq_epi8(low, delimiters)) | bits(_mm256_cmpeq_epi8(high, delimiters)) << 32,
                       bits(_mm256_cmpeq_epi8(low, quotes)) | bits(_mm256_cmpeq_epi8(high, quotes)) << 32,
                       bits(_mm256_cmpeq_epi8(low, blanks)) | bits(_mm256_cmpeq_epi8(high, blanks)) << 32, 0};
    }
};

// Memory is mapped in pages of at least this many bytes.
constexpr uintptr_t kPage = 4096;

// Marks the last bytes of a line, from at to length, fewer than 64: from the 64 bytes that start
// with them when those lie in one page, which holds the first of them; else from the 64 that end
// with them, which then lie in that page and the next, which holds the last of them.
template <class Vector>
LATHWELL_INLINE_INTO_MARKER LATHWELL_READS_AROUND_LINE Marks64 MarkTail(const char* line, size_t at, size_t length,
                                                                        char delimiter) {
    const size_t left = length - at;
    const char* from = line + at;
    if ((reinterpret_cast<uintptr_t>(from) & (kPage - 1)) <= kPage - 64) {
        const uint64_t kept = (uint64_t{1} << left) - 1;
        const Marks64 tail = Vector::Mark(from, delimiter);
        return Marks64{tail.delimiters & kept, tail.quotes & kept, tail.blanks & kept, 0};
    }
    const Marks64 tail = Vector::Mark(line + length - 64, delimiter);
    const unsigned shift = static_cast<unsigned>(64 - left);
    return Marks64{tail.delimiters >> shift, tail.quotes >> shift, tail.blanks >> shift, 0};
}

// Marks the ends of a line of length bytes whose delimiters, quotes and blanks are marked, and
// returns whether its columns are plain (see CsvLineSplitter::LineMarker).
bool MarkPlainColumns(Marks64* marks, size_t length, char delimiter) {
    if (delimiter == '"') return false;
    const size_t words = (length + 63) / 64;
    uint64_t open = 0;        // all ones when a quoted column is open after the word before
    uint64_t startCarry = 1;  // the word's first byte starts a column
    uint64_t wrong = 0;       // quotes and blanks where plain columns have none
    for (size_t word = 0; word < words; ++word) {
        Marks64& marks64 = marks[word];
        // Bit i: byte i is inside quotes, an opening quote included, a closing one not.
        const uint64_t inside = PrefixXor(marks64.quotes) ^ open;
        const uint64_t ends = marks64.delimiters & ~inside;
        const uint64_t starts = ends << 1 | startCarry;
        uint64_t beforeDelimiters = marks64.delimiters >> 1;
        if (word + 1 < words) {
            beforeDelimiters |= marks[word + 1].delimiters << 63;
        } else {
            beforeDelimiters |= uint64_t{1} << ((length - 1) % 64);  // the line's last byte
        }
        wrong |= (marks64.quotes & inside & ~starts) | (marks64.quotes & ~inside & ~beforeDelimiters) |
                 (marks64.blanks & starts);
        marks64.ends = ends;
        open = 0 - (inside >> 63);
        startCarry = ends >> 63;
    }
    return wrong == 0 && open == 0;
}

template <class Vector>
LATHWELL_INLINE_INTO_MARKER LATHWELL_READS_AROUND_LINE bool MarkWith(const char* line, size_t length, char delimiter,
                                                                     Marks64* marks) {
    size_t at = 0;
    for (; length - at >= 64; at += 64) marks[at / 64] = Vector::Mark(line + at, delimiter);
    if (at < length) marks[at / 64] = MarkTail<Vector>(line, at, length, delimiter);
    return MarkPlainColumns(marks, length, delimiter);
}

LATHWELL_READS_AROUND_LINE bool MarkSse2(const char* line, size_t length, char delimiter, Marks64* marks) {
    return MarkWith<Sse2Marks>(line, length, delimiter, marks);
}

__attribute__((target("avx2"))) LATHWELL_READS_AROUND_LINE bool MarkAvx2(const char* line, size_t length,
                                                                         char delimiter, Marks64* marks) {
    return MarkWith<Avx2Marks>(line, length, delimiter, marks);
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

bool CsvLineSplitter::NextSearched(Column& column) {
    const char* here = m_here;
    if (here == nullptr) return false;
    while (here < m_end && *here == ' ') ++here;
    const char* next;
    if (here < m_end && *here == '"') {
        const char* closing = FindQuote(here + 1);
        if (closing == nullptr) RaiseNoClosingQuote();
        column.text = here + 1;
        column.length = static_cast<size_t>(closing - here - 1);
        // Mostly the delimiter or the end of the line follows the closing quote.
        if (closing + 1 == m_end) {
            next = nullptr;
        } else if (closing[1] == m_delimiter) {
            next = closing + 1;
        } else {
            next = AfterClosingQuote(closing, column);
        }
    } else {
        next = FindDelimiter(here);
        column.text = here;
        column.length = static_cast<size_t>((next != nullptr ? next : m_end) - here);
    }
    m_here = next != nullptr ? next + 1 : nullptr;
    return true;
}

void CsvLineSplitter::RaiseNoClosingQuote() {
    throw MpStringTokenizerException(
        "A group token has no end delimeter.\nCannot retrieve token as specified.\nPlease correct.\n\n", kTokenizer);
}

const char* CsvLineSplitter::AfterClosingQuote(const char* quote, Column& column) {
    if (quote[1] == '"') quote = m_markLine != nullptr ? UnquoteMarked(quote, column) : Unquote(quote, column);
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

const char* CsvLineSplitter::UnquoteMarked(const char* quote, Column& column) {
    // From quote on, a quote that leaves the column closed (an odd one, counting from quote)
    // and has no quote after it is the closing one; the quotes before it are doubled quotes.
    const size_t at = static_cast<size_t>(quote - m_line);
    const size_t words = (static_cast<size_t>(m_end - m_line) + 63) / 64;
    size_t word = at / 64;
    uint64_t quotes = m_marks[word].quotes & (~uint64_t{0} << (at % 64));
    uint64_t open = ~uint64_t{0};  // all ones when the column is open after the word before
    for (;;) {
        const uint64_t nextQuotes = word + 1 < words ? m_marks[word + 1].quotes : 0;
        const uint64_t followedByQuote = quotes >> 1 | nextQuotes << 63;
        const uint64_t openAfter = PrefixXor(quotes) ^ open;
        const uint64_t closing = quotes & ~followedByQuote & ~openAfter;
        if (closing != 0) {
            quote = m_line + word * 64 + static_cast<size_t>(__builtin_ctzll(closing));
            break;
        }
        open = 0 - (openAfter >> 63);
        if (++word == words) RaiseNoClosingQuote();
        quotes = m_marks[word].quotes;
    }
    // The value with each doubled quote made one.
    const char* from = column.text;
    m_unquoted.clear();
    for (;;) {
        const char* pair = static_cast<const char*>(std::memchr(from, '"', static_cast<size_t>(quote - from)));
        if (pair == nullptr) break;
        m_unquoted.append(from, static_cast<size_t>(pair + 1 - from));
        from = pair + 2;
    }
    m_unquoted.append(from, static_cast<size_t>(quote - from));
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
