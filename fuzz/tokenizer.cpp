// Fuzz target: the library's string tokenizer, whose splitting rules the run's CSV line
// splitter (CsvLineSplitter) follows byte for byte.
//
// One long-lived tokenizer (text " ", delimiter ",", group delimiter "\"") is handed every
// line of the input in turn with SetString, as a caller splitting many lines would.
// Each split is compared with a straightforward reference split, and every token is read
// both by index and through the cursor.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "MpException.h"
#include "MpStringTokenizer.h"

namespace {

struct ReferenceToken {
    std::string text;
    int32_t start;
};

// The split of a data line: blanks in front of a token are skipped; a token that starts with
// a quote runs to the next quote, and whatever follows it up to the next comma is dropped.
// Returns false when a quoted token has no closing quote.
bool ReferenceSplit(const std::string& line, std::vector<ReferenceToken>& tokens) {
    size_t position = 0;
    for (;;) {
        while (position < line.size() && line[position] == ' ') {
            ++position;
        }
        size_t comma;
        if (position < line.size() && line[position] == '"') {
            const size_t closing = line.find('"', position + 1);
            if (closing == std::string::npos) {
                return false;
            }
            tokens.push_back({line.substr(position + 1, closing - position - 1),
                              static_cast<int32_t>(position + 1)});
            comma = line.find(',', closing + 1);
        } else {
            comma = line.find(',', position);
            const size_t end = comma == std::string::npos ? line.size() : comma;
            tokens.push_back({line.substr(position, end - position), static_cast<int32_t>(position)});
        }
        if (comma == std::string::npos) {
            return true;
        }
        position = comma + 1;
    }
}

template <class Operation>
bool Raises(Operation operation) {
    try {
        operation();
    } catch (const MpException&) {
        return true;
    }
    return false;
}

// outOfRange: also check that reading past the tokens raises (costly, so once per input).
void CheckLine(MpStringTokenizer& tokenizer, const std::string& line, bool outOfRange) {
    std::vector<ReferenceToken> expected;
    const bool splits = ReferenceSplit(line, expected);
    if (!splits) {
        FUZZ_CHECK(Raises([&] { tokenizer.SetString(line.c_str()); }));
        return;
    }
    tokenizer.SetString(line.c_str());

    const int32_t count = tokenizer.CountTokens();
    FUZZ_CHECK(count == static_cast<int32_t>(expected.size()));
    for (int32_t i = 0; i < count; ++i) {
        const MpString& token = tokenizer.GetToken(i);
        FUZZ_CHECK(expected[i].text == token.GetCString());
        FUZZ_CHECK(token.GetLength() == expected[i].text.size());
        FUZZ_CHECK(tokenizer.GetTokenStart(i) == expected[i].start);
    }
    if (outOfRange) {
        FUZZ_CHECK(Raises([&] { tokenizer.GetToken(count); }));
        FUZZ_CHECK(Raises([&] { tokenizer.GetToken(-1); }));
    }

    for (int32_t i = 0; i < count; ++i) {
        FUZZ_CHECK(tokenizer.HasMoreTokens());
        FUZZ_CHECK(tokenizer.CountTokens() == count - i);
        FUZZ_CHECK(expected[i].text == tokenizer.GetNextToken().GetCString());
    }
    FUZZ_CHECK(!tokenizer.HasMoreTokens());
    if (outOfRange) {
        FUZZ_CHECK(Raises([&] { tokenizer.GetNextToken(); }));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MpStringTokenizer tokenizer(" ", ",", "\"");
    const char* text = reinterpret_cast<const char*>(data);
    size_t begin = 0;
    while (begin <= size) {
        const void* newline = size > begin ? std::memchr(text + begin, '\n', size - begin) : nullptr;
        const size_t end = newline != nullptr ? static_cast<size_t>(static_cast<const char*>(newline) - text) : size;
        // The tokenizer sees a C string, so a NUL byte ends the line's text.
        const std::string line(text + begin, end - begin);
        CheckLine(tokenizer, line.c_str(), begin == 0);
        begin = end + 1;
    }
    return 0;
}
