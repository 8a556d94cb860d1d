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
// The columns point into the line being split; the caller keeps it alive and unchanged while it
// uses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace lathwell {

class CsvLineSplitter {
public:
    struct Column {
        const char* text;
        size_t length;
    };

    explicit CsvLineSplitter(char delimiter) : m_delimiter(delimiter) {}

    // Starts on line (length bytes): the next Next returns its first column.
    // REQUIRES: line holds no NUL byte.
    void Start(const char* line, size_t length) {
        m_line = line;
        m_end = line + length;
        m_here = line;
        m_textAfterQuote = false;
    }

    // Sets column to the line's next column and returns true, or returns false when the line
    // has no more (a line has at least one column). Raises MpStringTokenizerException with the
    // tokenizer's message when a quoted column has no closing quote.
    bool Next(Column& column) {
        const char* here = m_here;
        if (here == nullptr) return false;
        while (here < m_end && *here == ' ') ++here;
        const char* next;
        if (here < m_end && *here == '"') {
            const char* closing = Find(here + 1, '"');
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
            next = Find(here, m_delimiter);
            column.text = here;
            column.length = static_cast<size_t>((next != nullptr ? next : m_end) - here);
        }
        m_here = next != nullptr ? next + 1 : nullptr;
        return true;
    }

    // Whether a quoted column of the line being split was followed by more than blanks before
    // its delimiter: text that belongs to no column.
    bool HadTextAfterQuote() const { return m_textAfterQuote; }

    // Raises MpException with the tokenizer's message "No token %d in \"%s\" with delimiter
    // \"%s\"" for column index (0-based) of the line being split.
    [[noreturn]] void RaiseNoColumn(int32_t index) const;

private:
    // The first byte equal to wanted from from to the end of the line, or null.
    const char* Find(const char* from, char wanted) const {
        return static_cast<const char*>(std::memchr(from, wanted, static_cast<size_t>(m_end - from)));
    }
    [[noreturn]] static void RaiseNoClosingQuote();
    // For a quoted column whose quote at quote is followed by neither the delimiter nor the end
    // of the line: reads a doubled quote (see Unquote), notes text after the closing quote, and
    // returns the delimiter after the column, or null.
    const char* AfterClosingQuote(const char* quote, Column& column);
    // For a quoted column whose first quote after its start, at quote, is doubled: copies the
    // column with each doubled quote made one into m_unquoted, points column at the copy and
    // returns the closing quote. Raises like Next when there is none.
    const char* Unquote(const char* quote, Column& column);

    const char m_delimiter;
    const char* m_line = nullptr;
    const char* m_end = nullptr;
    const char* m_here = nullptr;  // where the next column starts; null after the last one
    bool m_textAfterQuote = false;
    std::string m_unquoted;
};

}  // namespace lathwell
