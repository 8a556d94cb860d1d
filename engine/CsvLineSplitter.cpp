#include "CsvLineSplitter.h"

#include <cstring>
#include <string>

#include "MpException.h"

namespace lathwell {

namespace {

const char kTokenizer[] = "MpStringTokenizer";

// The first byte of [from, end) equal to wanted, or null.
const char* Find(const char* from, const char* end, char wanted) {
    return static_cast<const char*>(std::memchr(from, wanted, static_cast<size_t>(end - from)));
}

}  // namespace

CsvLineSplitter::CsvLineSplitter(char delimiter) : m_delimiter(delimiter) {}

inline void CsvLineSplitter::AddColumn(const char* text, size_t length) {
    if (m_count == m_columns.size()) m_columns.resize(m_count + m_count / 2 + 8);
    // Member by member: a column built whole on the stack and copied in would be read back
    // before its two halves were stored, which stalls the processor.
    Column& column = m_columns[m_count++];
    column.text = text;
    column.length = length;
}

void CsvLineSplitter::Split(const char* line, size_t length) {
    m_line = line;
    m_length = length;
    m_count = 0;
    const char* const end = line + length;
    const char* here = line;
    for (;;) {
        while (here < end && *here == ' ') ++here;
        const char* next;
        if (here < end && *here == '"') {
            const char* closing = Find(here + 1, end, '"');
            if (closing == nullptr) {
                throw MpStringTokenizerException(
                    "A group token has no end delimeter.\nCannot retrieve token as specified.\n"
                    "Please correct.\n\n",
                    kTokenizer);
            }
            AddColumn(here + 1, static_cast<size_t>(closing - here - 1));
            next = Find(closing + 1, end, m_delimiter);
        } else {
            next = Find(here, end, m_delimiter);
            AddColumn(here, static_cast<size_t>((next != nullptr ? next : end) - here));
        }
        if (next == nullptr) return;
        here = next + 1;
    }
}

void CsvLineSplitter::RaiseNoColumn(int32_t index) const {
    const std::string line(m_line, m_length);
    const char delimiter[] = {m_delimiter, '\0'};
    MpException::RaiseFormatted("No token %d in \"%s\" with delimiter \"%s\"", kTokenizer, index,
                                line.c_str(), delimiter);
}

}  // namespace lathwell
