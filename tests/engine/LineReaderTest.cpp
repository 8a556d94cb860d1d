#include "LineReader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "MpException.h"
#include "StopIndex.h"

namespace lathwell {

namespace {

std::vector<std::string> ReadAll(LineReader& reader) {
    std::vector<std::string> lines;
    TextLine line;
    while (reader.ReadLine(line)) {
        EXPECT_EQ('\0', line.text[line.length]);
        lines.emplace_back(line.text, static_cast<size_t>(line.length));
    }
    return lines;
}

struct SplitCase {
    std::string input;
    std::vector<std::string> lines;
};

// Every case is read with every block size from 1 byte to the whole input at once.
void ExpectSplitAtEveryCut(const SplitCase& c, LoneCarriageReturn loneCr) {
    for (size_t block = 1; block <= c.input.size() + 1; ++block) {
        BlockLineReader reader(c.input, block, loneCr);
        EXPECT_EQ(c.lines, ReadAll(reader)) << "input \"" << c.input << "\", block size " << block;
    }
}

const SplitCase kCommonCases[] = {
    {"", {}},
    {"a\nb\n", {"a", "b"}},
    {"a\r\nbc\r\n", {"a", "bc"}},
    {"last line", {"last line"}},
    {"a\nlast", {"a", "last"}},
    {"\n\r\n\n", {"", "", ""}},
    {"mixed\r\nends\nhere", {"mixed", "ends", "here"}},
};

}  // namespace

TEST(LineReader, SplitsLinesAtEveryBlockBoundary) {
    for (const SplitCase& c : kCommonCases) {
        ExpectSplitAtEveryCut(c, LoneCarriageReturn::Refused);
        ExpectSplitAtEveryCut(c, LoneCarriageReturn::EndsLine);
    }
}

TEST(LineReader, LoneCarriageReturnEndsLineWhereAllowed) {
    const SplitCase cases[] = {
        {"a\rb\n", {"a", "b"}},  // the byte after a lone CR is kept
        {"a\r\rb", {"a", "", "b"}},
        {"a\r", {"a"}},
        {"a\r\n\rb", {"a", "", "b"}},
        {"\r\n\r", {"", ""}},
    };
    for (const SplitCase& c : cases) ExpectSplitAtEveryCut(c, LoneCarriageReturn::EndsLine);
}

TEST(LineReader, LoneCarriageReturnRefusedWhereNotAllowed) {
    const char* inputs[] = {"a\nb\rc\n", "x\na\r", "a\nb\r\r\n"};
    for (const char* input : inputs) {
        for (size_t block = 1; block <= std::strlen(input); ++block) {
            BlockLineReader reader(input, block, LoneCarriageReturn::Refused);
            TextLine line;
            ASSERT_TRUE(reader.ReadLine(line));
            try {
                reader.ReadLine(line);
                ADD_FAILURE() << "no failure for \"" << input << "\", block size " << block;
            } catch (MpException& e) {
                EXPECT_STREQ("Return character not followed by newline; unknown end of line type", e.GetErrorMessage());
            }
        }
    }
}

TEST(LineReader, BlanksUnprintableBytesAndMarksTheLine) {
    const std::string input("a\tb\x01\x7f\xe9\0z\nplain\n", 15);
    BlockLineReader reader(input, 4, LoneCarriageReturn::Refused, true);
    TextLine line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ("a b    z", std::string(line.text, static_cast<size_t>(line.length)));
    EXPECT_TRUE(line.blanked);
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ("plain", std::string(line.text, static_cast<size_t>(line.length)));
    EXPECT_FALSE(line.blanked);

    BlockLineReader unblanked(input, 4, LoneCarriageReturn::Refused, false);
    EXPECT_EQ((std::vector<std::string>{"a\tb\x01\x7f\xe9", "plain"}), ReadAll(unblanked));  // NUL ends the text
}

// Long lines of every kind of byte, against the rules written out byte by byte, so that the
// scans that look at many bytes at once are checked where they stop, blank and skip a NUL.
TEST(LineReader, LongLinesFollowTheRulesWhateverTheirBytes) {
    const char alphabet[] = {'a', 'a', 'a', 'a', ' ', '~', '\t', '\0', '\x7f', '\xe9', '\x0b'};
    std::string input;
    std::vector<std::string> kept, blanked;
    std::vector<bool> marked;
    unsigned random = 7;
    for (int i = 0; i < 300; ++i) {
        std::string line;
        for (unsigned length = (random = random * 1103515245 + 12345) >> 25; length > 0; --length) {
            line += alphabet[((random = random * 1103515245 + 12345) >> 16) % sizeof alphabet];
        }
        input += line + (i % 3 == 0 ? "\r\n" : "\n");
        kept.push_back(line.substr(0, line.find('\0')));
        std::string blank = line;
        for (char& byte : blank) byte = byte >= 32 && byte <= 126 ? byte : ' ';
        blanked.push_back(blank);
        marked.push_back(blank != line);
    }
    for (size_t block : {size_t{1}, size_t{13}, size_t{100}, input.size()}) {
        BlockLineReader plain(input, block, LoneCarriageReturn::Refused, false);
        EXPECT_EQ(kept, ReadAll(plain)) << "block size " << block;
        BlockLineReader blanking(input, block, LoneCarriageReturn::Refused, true);
        TextLine line;
        for (size_t i = 0; i < blanked.size(); ++i) {
            ASSERT_TRUE(blanking.ReadLine(line)) << "line " << i << ", block size " << block;
            EXPECT_EQ(blanked[i], std::string(line.text, static_cast<size_t>(line.length)))
                << i << ", " << block;
            EXPECT_EQ(marked[i], line.blanked) << i << ", " << block;
        }
        EXPECT_FALSE(blanking.ReadLine(line));
    }
}

// Every scanner this processor can run (the one in use and the plainer ones) finds exactly the
// LF, CR and NUL bytes of any stretch, whatever its start, its length and how dense the stops.
TEST(StopIndex, EveryScannerFindsEveryStop) {
    const char alphabet[] = {'a', '\n', '\r', '\0', '\x0b', '\x8d', '\x8a', 'z'};
    std::string bytes;
    unsigned random = 11;
    for (int i = 0; i < 5000; ++i) {
        random = random * 1103515245 + 12345;
        // Long runs without a stop as well as stretches full of them.
        bytes += (i / 1000) % 2 == 0 ? alphabet[(random >> 16) % sizeof alphabet] : 'a' + (random >> 16) % 26;
    }
    for (StopIndex::Scanner scan : StopIndex::Scanners()) {
        for (size_t from : {size_t{0}, size_t{1}, size_t{63}, size_t{1500}}) {
            for (size_t to : {from, from + 1, from + 64, from + 200, bytes.size()}) {
                std::vector<uint32_t> expected;
                for (size_t at = from; at < to; ++at) {
                    if (StopIndex::IsStop(static_cast<unsigned char>(bytes[at]))) expected.push_back(static_cast<uint32_t>(at));
                }
                std::vector<uint32_t> found(to - from + StopIndex::kSlack);
                found.resize(scan(bytes.data(), from, to, found.data()));
                EXPECT_EQ(expected, found) << "from " << from << " to " << to;
            }
        }
    }
}

}  // namespace lathwell
