// Fuzz target: the CSV line splitter with vector instructions against the byte-by-byte one.
//
// The first byte of the input picks the delimiter; the rest is cut into lines at LF (NUL bytes,
// which no data line holds, read as blanks). Every line is split by every method the processor
// runs, and each must give the byte-by-byte splitter's columns, its failure and its note of
// text after a closing quote.
#include <cstdint>
#include <string>
#include <vector>

#include "CsvLineSplitter.h"
#include "FuzzSupport.h"
#include "MpException.h"

namespace {

using lathwell::CsvLineSplitter;

// The columns of line, each followed by "|", then "!" and the failure, or "+" when text
// followed a closing quote.
std::string Split(CsvLineSplitter& splitter, const std::string& line) {
    std::string columns;
    try {
        splitter.Start(line.data(), line.size());
        CsvLineSplitter::Column column;
        while (splitter.Next(column)) columns.append(column.text, column.length) += '|';
        if (splitter.HadTextAfterQuote()) columns += '+';
    } catch (const MpException& e) {
        columns += '!';
        columns += e.GetErrorMessage();
    }
    return columns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const char delimiters[] = {',', ';', '\t', ' ', '"', '|'};
    const char delimiter = delimiters[data[0] % sizeof delimiters];
    std::vector<CsvLineSplitter> splitters;
    for (CsvLineSplitter::Method method : CsvLineSplitter::Methods()) splitters.emplace_back(delimiter, method);
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (char& byte : text) {
        if (byte == '\0') byte = ' ';
    }
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(begin, end - begin);
        const std::string expected = Split(splitters.front(), line);
        for (size_t i = 1; i < splitters.size(); ++i) FUZZ_CHECK(Split(splitters[i], line) == expected);
        begin = end + 1;
    }
    return 0;
}
