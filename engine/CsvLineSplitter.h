// CsvLineSplitter: splits one CSV data line into its columns, one after the other.
//
// The columns are those of MpStringTokenizer with blanks skipped in front of a column, a
// one-byte delimiter and the double quote as group delimiter, with one difference: a quote
// counts only where a column starts (after the blanks), the column then runs to its closing
// quote, and inside it a doubled quote ("") is one quote, as spreadsheets and databases write a
// quote in a quoted value. Whatever follows the closing quote up to the delimiter belongs to no
// column; the splitter notes when that is more than blanks, so the caller can tell the user. With
// the quote itself as delimiter, a doubled quote is no escape.
// A column is handed over as where it lies in the caller's line, which is all a record builder
// needs to copy it straight into its record; only a quoted column with a doubled quote is
// handed over as a copy of its own, valid until the next call of Next or Start.
//
// Where the processor has vector instructions (AVX2, else SSE2, chosen at run time), Start
// marks the delimiters, quotes and blanks of the whole line 64 bytes at a time, and a prefix
// XOR of the quote marks tells which bytes lie inside quotes. On a line whose every quote opens
// a column or closes one and whose columns start with no blank (most lines), the columns then
// end at the delimiters outside quotes, and Next hands them over without a look at their bytes
// but the first. On other lines Next finds each column's end in the marks, and where a quoted
// column holds a doubled quote, its closing quote by the same prefix XOR (a doubled quote is two
// quotes in a row that leave the column open). Byte by byte, Next finds them with memchr
// instead. Every way gives the same columns on every line.
//
// The columns point into the line being split; the caller keeps it alive and unchanged while it
// uses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace lathwell {

class CsvLineSplitter {
public:
    struct Column {
        const char* text;
        size_t length;
    };

    // How a line is searched: byte by byte, or marked with the vector instructions named.
    enum class Method { Bytes, Sse2, Avx2 };
    // The fastest method this processor runs, and every one it runs (for tests that compare them).
    static Method Fastest();
    static std::vector<Method> Methods();

    explicit CsvLineSplitter(char delimiter, Method method = Fastest());

    // Starts on line (length bytes): the next Next returns its first column.
    // REQUIRES: line holds no NUL byte.
    void Start(const char* line, size_t length) {
        m_line = line;
        m_end = line + length;
        m_here = line;
        m_textAfterQuote = false;
        m_plainColumns = m_markLine != nullptr && m_markLine(line, length, m_delimiter, Marks(length));
        if (m_plainColumns) {
            m_endWord = 0;
            m_endBits = length > 0 ? m_marks[0].ends : 0;
        }
    }

    // Sets column to the line's next column and returns true, or returns false when the line
    // has no more (a line has at least one column). Raises MpStringTokenizerException with the
    // tokenizer's message when a quoted column has no closing quote.
    bool Next(Column& column) {
        if (!m_plainColumns) return NextSearched(column);
        const char* here = m_here;
        if (here == nullptr) return false;
        // The column runs to its end mark; when it starts with a quote, it ends with one.
        const char* end = NextEnd();
        const char* stop = end != nullptr ? end : m_end;
        const size_t quoted = here < stop && *here == '"';
        column.text = here + quoted;
        column.length = static_cast<size_t>(stop - here) - 2 * quoted;
        m_here = end != nullptr ? end + 1 : nullptr;
        return true;
    }

    // Whether a quoted column of the line being split was followed by more than blanks before
    // its delimiter: text that belongs to no column.
    bool HadTextAfterQuote() const { return m_textAfterQuote; }

    // Raises MpException with the tokenizer's message "No token %d in \"%s\" with delimiter
    // \"%s\"" for column index (0-based) of the line being split.
    [[noreturn]] void RaiseNoColumn(int32_t index) const;

    // The marks of 64 bytes of a line: bit i stands for byte i.
    struct Marks64 {
        uint64_t delimiters;
        uint64_t quotes;
        uint64_t blanks;
        uint64_t ends;  // the delimiters outside quotes, on a line of plain columns
    };
    // Marks the delimiters, quotes and blanks of line, one Marks64 per 64 bytes (the last one
    // for what is left), into marks; returns whether the line's columns are plain: every quote
    // opens a column or closes one (is followed by a delimiter or the line's end), no column
    // starts with a blank, and the delimiter is no quote. Then it marks the ends too.
    using LineMarker = bool (*)(const char* line, size_t length, char delimiter, Marks64* marks);

private:
    // Next on a line whose columns are not plain, or that is searched byte by byte.
    bool NextSearched(Column& column);
    // On a line of plain columns: the next end mark, or null after the last one.
    const char* NextEnd() {
        while (m_endBits == 0) {
            if (++m_endWord * 64 >= static_cast<size_t>(m_end - m_line)) return nullptr;
            m_endBits = m_marks[m_endWord].ends;
        }
        const char* end = m_line + m_endWord * 64 + static_cast<size_t>(__builtin_ctzll(m_endBits));
        m_endBits &= m_endBits - 1;
        return end;
    }
    // The first byte equal to wanted from from to the end of the line, or null.
    const char* Find(const char* from, char wanted) const {
        return static_cast<const char*>(std::memchr(from, wanted, static_cast<size_t>(m_end - from)));
    }
    // The first delimiter, or quote, from from to the end of the line, or null.
    const char* FindDelimiter(const char* from) const {
        return m_markLine != nullptr ? FindMarked(from, &Marks64::delimiters) : Find(from, m_delimiter);
    }
    const char* FindQuote(const char* from) const {
        return m_markLine != nullptr ? FindMarked(from, &Marks64::quotes) : Find(from, '"');
    }
    // The first byte marked in which from from to the end of the line, or null.
    const char* FindMarked(const char* from, uint64_t Marks64::*which) const {
        const size_t at = static_cast<size_t>(from - m_line);
        const size_t length = static_cast<size_t>(m_end - m_line);
        if (at >= length) return nullptr;
        size_t word = at / 64;
        uint64_t bits = m_marks[word].*which & (~uint64_t{0} << (at % 64));
        while (bits == 0) {
            if (++word * 64 >= length) return nullptr;
            bits = m_marks[word].*which;
        }
        return m_line + word * 64 + static_cast<size_t>(__builtin_ctzll(bits));
    }
    // Room for the marks of a line of length bytes.
    Marks64* Marks(size_t length) {
        const size_t words = (length + 63) / 64;
        if (m_marks.size() < words) m_marks.resize(words);
        return m_marks.data();
    }
    [[noreturn]] static void RaiseNoClosingQuote();
    // For a quoted column whose quote at quote is followed by neither the delimiter nor the end
    // of the line: reads a doubled quote (see Unquote), notes text after the closing quote, and
    // returns the delimiter after the column, or null.
    const char* AfterClosingQuote(const char* quote, Column& column);
    // For a quoted column whose first quote after its start, at quote, is doubled: copies the
    // column with each doubled quote made one into m_unquoted, points column at the copy and
    // returns the closing quote. Raises like Next when there is none. Unquote searches byte by
    // byte, UnquoteMarked in the marks.
    const char* Unquote(const char* quote, Column& column);
    const char* UnquoteMarked(const char* quote, Column& column);

    const char m_delimiter;
    const LineMarker m_markLine;  // null: the line is searched byte by byte
    std::vector<Marks64> m_marks;  // of the line being split, when m_markLine marks it
    const char* m_line = nullptr;
    const char* m_end = nullptr;
    const char* m_here = nullptr;  // where the next column starts; null after the last one
    bool m_textAfterQuote = false;
    bool m_plainColumns = false;  // the line being split has plain columns (see LineMarker)
    size_t m_endWord = 0;          // on such a line, the word of m_marks that holds the next end mark
    uint64_t m_endBits = 0;        // and its end marks not yet handed over
    std::string m_unquoted;
};

}  // namespace lathwell
