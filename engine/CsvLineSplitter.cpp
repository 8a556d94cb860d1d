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

void CsvLineSplitter::RaiseNoColumn(int32_t index) const {
    const std::string line(m_line, static_cast<size_t>(m_end - m_line));
    const char delimiter[] = {m_delimiter, '\0'};
    MpException::RaiseFormatted("No token %d in \"%s\" with delimiter \"%s\"", kTokenizer, index,
                                line.c_str(), delimiter);
}

}  // namespace lathwell
