#include "CsvLineSplitter.h"

#include <string>

#include "MpException.h"

namespace lathwell {

namespace {

const char kTokenizer[] = "MpStringTokenizer";

}  // namespace

void CsvLineSplitter::RaiseNoClosingQuote() {
    throw MpStringTokenizerException(
        "A group token has no end delimeter.\nCannot retrieve token as specified.\nPlease correct.\n\n", kTokenizer);
}

const char* CsvLineSplitter::AfterClosingQuote(const char* quote, Column& column) {
    if (quote[1] == '"') quote = Unquote(quote, column);
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
