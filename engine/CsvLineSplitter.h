// CsvLineSplitter: splits one CSV line into its columns, one after the other, without copying
// them.
//
// The columns are exactly those of MpStringTokenizer with blanks skipped in front of a column,
// a one-byte delimiter and the double quote as group delimiter, whose rules it follows: a quote
// counts only where a column starts (after the blanks), the column then runs to the next quote
// and whatever follows that quote up to the delimiter belongs to no column; a doubled quote is
// no escape. The tokenizer copies the line and every column into strings of its own; the
// splitter says where each column lies in the caller's line, which is all a record builder
// needs to copy a column straight into its record, and it does so column by column, so the
// builder can place each value as it comes.
//
// The columns point into the line being split; the caller keeps it alive and unchanged while it
// uses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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
            next = Find(closing + 1, m_delimiter);
        } else {
            next = Find(here, m_delimiter);
            column.text = here;
            column.length = static_cast<size_t>((next != nullptr ? next : m_end) - here);
        }
        m_here = next != nullptr ? next + 1 : nullptr;
        return true;
    }

    // Raises MpException with the tokenizer's message "No token %d in \"%s\" with delimiter
    // \"%s\"" for column index (0-based) of the line being split.
    [[noreturn]] void RaiseNoColumn(int32_t index) const;

private:
    // The first byte equal to wanted from from to the end of the line, or null.
    const char* Find(const char* from, char wanted) const {
        return static_cast<const char*>(std::memchr(from, wanted, static_cast<size_t>(m_end - from)));
    }
    [[noreturn]] static void RaiseNoClosingQuote();

    const char m_delimiter;
    const char* m_line = nullptr;
    const char* m_end = nullptr;
    const char* m_here = nullptr;  // where the next column starts; null after the last one
};

}  // namespace lathwell
