// CsvLineSplitter: splits one CSV line into its columns without copying them.
//
// The columns are exactly those of MpStringTokenizer with blanks skipped in front of a column,
// a one-byte delimiter and the double quote as group delimiter, whose rules it follows: a quote
// counts only where a column starts (after the blanks), the column then runs to the next quote
// and whatever follows that quote up to the delimiter belongs to no column; a doubled quote is
// no escape. The tokenizer copies the line and every column into strings of its own; the
// splitter records where each column lies in the caller's line, which is all a record builder
// needs to copy a column straight into its record.
//
// The spans point into the line last split; the caller keeps it alive and unchanged while it
// uses them. The splitter reuses its span list, so it stops allocating once it has seen its
// widest line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lathwell {

class CsvLineSplitter {
public:
    struct Column {
        const char* text;
        size_t length;
    };

    explicit CsvLineSplitter(char delimiter);

    // Splits line (length bytes). Raises MpStringTokenizerException with the tokenizer's message
    // when a quoted column has no closing quote.
    // REQUIRES: line holds no NUL byte.
    void Split(const char* line, size_t length);

    // Column index (0-based) of the line last split. Raises MpException with the tokenizer's
    // message "No token %d in \"%s\" with delimiter \"%s\"" when the line has fewer columns.
    const Column& Get(int32_t index) const {
        if (static_cast<size_t>(index) >= m_count) RaiseNoColumn(index);
        return m_columns[static_cast<size_t>(index)];
    }

private:
    void AddColumn(const char* text, size_t length);
    [[noreturn]] void RaiseNoColumn(int32_t index) const;

    const char m_delimiter;
    std::vector<Column> m_columns;  // the first m_count are the line's
    size_t m_count = 0;
    const char* m_line = nullptr;
    size_t m_length = 0;
};

}  // namespace lathwell
