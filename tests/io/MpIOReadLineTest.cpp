// Line reading and writing. Every case runs on an MpIO (which scans its buffer in bulk) and on
// a MemoryStream (which reads one byte at a time): both must give the same results.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "IOTestSupport.h"
#include "MpIO.h"
#include "TempDir.h"

namespace {

// Reads lines until ReadLine returns 0 or raises; one entry per call: "<count>:<text>", or
// "error:<message>" (the last entry then).
std::vector<std::string> ReadAllLines(MpInputStreamInterface& stream) {
    std::vector<std::string> results;
    MpString sLine;
    for (;;) {
        try {
            uint32_t ulCount = stream.ReadLine(sLine);
            results.push_back(std::to_string(ulCount) + ":" + sLine.GetCString());
            if (ulCount == 0) return results;
        } catch (MpException& e) {
            results.push_back(std::string("error:") + e.GetErrorMessage());
            return results;
        }
    }
}

std::vector<std::string> LinesThroughFile(const std::string& bytes) {
    TempDir dir;
    MpIO file(dir.Write("in.txt", bytes).c_str(), IO_READ);
    return ReadAllLines(file);
}

std::vector<std::string> LinesThroughMemory(const std::string& bytes) {
    MemoryStream stream(bytes);
    return ReadAllLines(stream);
}

std::string Repeat(char c, size_t ulCount) { return std::string(ulCount, c); }

const char* const kCrError = "error:Return character not followed by newline; unknown end of line type";

struct LineCase {
    const char* name;
    std::string input;
    std::vector<std::string> expected;
};

}  // namespace

TEST(MpIOReadLine, LineEndsCountsAndTheChunkRule) {
    const std::string x1021 = Repeat('x', 1021);
    const std::string x1022 = Repeat('x', 1022);
    const std::string x1023 = Repeat('x', 1023);
    const std::string x3000 = Repeat('x', 3000);
    const LineCase cases[] = {
        {"empty file", "", {"0:"}},
        {"LF lines", "ab\ncd\n", {"3:ab", "3:cd", "0:"}},
        {"CR LF lines", "ab\r\ncd\r\n", {"4:ab", "4:cd", "0:"}},
        {"empty lines", "\r\n\n", {"2:", "1:", "0:"}},
        {"last line without end", "ab\ncd", {"3:ab", "2:cd", "0:"}},
        {"1021 bytes CR LF", x1021 + "\r\nz\n", {"1023:" + x1021, "2:z", "0:"}},
        {"1022 bytes LF", x1022 + "\nnext\n", {"1023:" + x1022, "5:next", "0:"}},
        {"1022 bytes CR LF", x1022 + "\r\nnext\n", {"1024:" + x1022, "5:next", "0:"}},
        {"1023 bytes LF", x1023 + "\nnext\n", {"1024:" + x1023, "5:next", "0:"}},
        {"1023 bytes at the end", x1023, {"1023:" + x1023, "0:"}},
        {"3000 bytes CR LF", x3000 + "\r\n", {"3002:" + x3000, "0:"}},
        {"lone CR", "a\rb\n", {kCrError}},
        {"CR as the last byte", "ab\r", {kCrError}},
        {"CR after LF", "a\n\rb\n", {"2:a", kCrError}},
        {"zero byte in a line", std::string("ab\0cd\nef\n", 9), {"6:ab", "3:ef", "0:"}},
        // A zero byte as the 1023rd byte of a piece ends the line there: the rest follows as
        // a line of its own.
        {"zero byte ending a piece", x1022 + std::string(1, '\0') + "yz\n", {"1023:" + x1022, "3:yz", "0:"}},
        // A zero byte in the second piece hides the rest of that piece only.
        {"zero byte in the second piece",
         Repeat('x', 1100) + std::string(1, '\0') + "tail\n" + "next\n",
         {"1106:" + Repeat('x', 1100), "5:next", "0:"}},
    };
    for (const LineCase& c : cases) {
        EXPECT_EQ(LinesThroughMemory(c.input), c.expected) << c.name;
        EXPECT_EQ(LinesThroughFile(c.input), c.expected) << c.name;
    }
}

TEST(MpIOReadLine, LineEndsAcrossBufferBoundaries) {
    // CR as the last byte of the first buffer-full, LF as the first of the next; then a line
    // that spans two buffer-fills and a lone CR right at a boundary.
    std::string input = Repeat('a', 7999) + "\r\n" + Repeat('b', 9000) + "\n" + Repeat('c', 6997) + "\rX";
    std::vector<std::string> expected = {"8001:" + Repeat('a', 7999), "9001:" + Repeat('b', 9000), kCrError};
    EXPECT_EQ(LinesThroughMemory(input), expected);
    EXPECT_EQ(LinesThroughFile(input), expected);
}

TEST(MpIOReadLine, BufferedReadingMatchesByteReadingOnRandomText) {
    std::mt19937 random(20240611);
    std::string input;
    while (input.size() < 400000) {
        size_t ulLength = random() % 4 == 0 ? random() % 3000 : random() % 80;
        for (size_t i = 0; i < ulLength; ++i) {
            char c = static_cast<char>(random() % 256);
            if (c == '\r' || c == '\n') c = random() % 8 == 0 ? '\0' : 'q';
            input += c;
        }
        input += random() % 2 == 0 ? "\r\n" : "\n";
    }
    std::vector<std::string> byBytes = LinesThroughMemory(input);
    EXPECT_GT(byBytes.size(), 1000u);
    EXPECT_EQ(LinesThroughFile(input), byBytes);
}

TEST(MpIOReadLine, BufferFormStopsAtItsSize) {
    TempDir dir;
    MpIO file(dir.Write("in.txt", "abcdef\r\ng\n").c_str(), IO_READ);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(file.ReadLine(buffer, 0), 0u);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(file.ReadLine(buffer, 1), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(file.ReadLine(buffer, 4), 3u);
    EXPECT_STREQ(buffer, "abc");
    // The CR is the last byte that fits: its LF is still taken.
    EXPECT_EQ(file.ReadLine(buffer, 5), 5u);
    EXPECT_STREQ(buffer, "def");
    EXPECT_EQ(file.ReadLine(buffer, 8), 2u);
    EXPECT_STREQ(buffer, "g");
    EXPECT_EQ(file.ReadLine(buffer, 8), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST(MpIOReadLine, FailuresCarryBothCallPathEntries) {
    TempDir dir;
    MpIO file(dir.Write("in.txt", "a\rb").c_str(), IO_READ);
    MpString sLine;
    Failure failure = FailureOf([&] { file.ReadLine(sLine); });
    EXPECT_EQ(failure.className, "MpInputStreamInterface");
    EXPECT_EQ(failure.callpath, "ReadLine() of MpInputStreamInterface\r\nReadLine() of MPInputStreamInterface");
}

TEST(MpIOReadLine, WriteOnlyFileRefusesLineReading) {
    TempDir dir;
    MpIO file(dir.File("out.txt").c_str(), IO_WRITE | IO_CREATE);
    char buffer[4];
    EXPECT_EQ(file.ReadLine(buffer, 1), 0u);  // nothing to read for a 1-byte buffer
    MpString sLine;
    Failure failure = FailureOf([&] { file.ReadLine(sLine); });
    EXPECT_EQ(failure.message, "Attempt to read from a write-only file");
    EXPECT_EQ(failure.callpath,
              "Read of MpIO\r\nReadLine() of MpInputStreamInterface\r\nReadLine() of MPInputStreamInterface");
}

TEST(MpIOWriteLine, EndsEveryLineWithCrLf) {
    TempDir dir;
    std::string path = dir.File("out.txt");
    MemoryStream memory;
    {
        MpIO file(path.c_str(), IO_READ | IO_WRITE | IO_CREATE | IO_TRUNCATE);
        for (MpOutputStreamInterface* stream : {static_cast<MpOutputStreamInterface*>(&file),
                                                static_cast<MpOutputStreamInterface*>(&memory)}) {
            stream->WriteLine("");
            stream->WriteLine("abc");
            stream->WriteLine(Repeat('z', 9000).c_str());
        }
    }
    std::string expected = "\r\nabc\r\n" + Repeat('z', 9000) + "\r\n";
    EXPECT_EQ(TempDir::Read(path), expected);
    EXPECT_EQ(memory.Bytes(), expected);
}

TEST(MpIOWriteLine, ReadOnlyFileRefusesWithCallPath) {
    TempDir dir;
    MpIO file(dir.Write("in.txt", "x").c_str(), IO_READ);
    Failure failure = FailureOf([&] { file.WriteLine("abc"); });
    EXPECT_EQ(failure.message, "Attempt to write to a read-only file");
    EXPECT_EQ(failure.callpath, "Write() of MpIO\r\nWriteLine() of MpOutputStreamInterface");
}
