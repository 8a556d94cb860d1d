#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ConversionRun.h"
#include "EngineTestSupport.h"
#include "GzipLineReader.h"
#include "GzipRecordWriter.h"
#include "MpException.h"
#include "RunStop.h"
#include "TempDir.h"
#include "SkipOnWindows.h"

namespace lathwell {

namespace {

std::vector<std::string> ReadGzipLines(const std::string& path, bool blank = false) {
    GzipLineReader reader(path.c_str(), blank);
    std::vector<std::string> lines;
    TextLine line;
    while (reader.ReadLine(line)) lines.emplace_back(line.text, static_cast<size_t>(line.length));
    return lines;
}

std::string FailureOf(const std::function<void(const std::string&)>& action, const std::string& path) {
    try {
        action(path);
    } catch (MpException& e) {
        return e.GetErrorMessage();
    }
    return "no failure";
}

const std::string kFullBlock(8192, 'a');

// Printable bytes that zlib cannot shrink much, with a line end now and then.
std::string Incompressible(size_t size) {
    std::string bytes(size, ' ');
    uint32_t state = 12345;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>('!' + (state >> 16) % 90);
        if ((state >> 8) % 997 == 0) bytes[i] = '\n';
    }
    return bytes;
}  // with its line end, fills zlib's first 8193-byte block

// zlib's own check of a gzip file: exactly one member, whose CRC-32 and length match its data,
// and nothing after it.
bool IsOneSoundMember(const std::string& compressed) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::vector<Bytef> sink(1 << 16);
    int result;
    do {
        stream.next_out = sink.data();
        stream.avail_out = static_cast<uInt>(sink.size());
        result = inflate(&stream, Z_NO_FLUSH);
    } while (result == Z_OK);
    inflateEnd(&stream);
    return result == Z_STREAM_END && stream.avail_in == 0;
}

// Threads of this process, from the kernel's list of them.
size_t RunningThreads() {
    auto tasks = std::filesystem::directory_iterator("/proc/self/task");
    return static_cast<size_t>(std::distance(begin(tasks), end(tasks)));
}

}  // namespace

TEST(GzipLineReader, LineEndsAcrossTheFirstBlockBoundary) {
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        // CR LF whose CR is the block's last byte: the LF opens the next block and is skipped.
        {kFullBlock + "\r\nnext\r\n", {kFullBlock, "next"}},
        {kFullBlock + "\nnext\n", {kFullBlock, "next"}},
        // A lone CR at the block's end keeps the byte after it.
        {kFullBlock + "\rb\n", {kFullBlock, "b"}},
        // A line of exactly 8192 bytes gives no empty line after it.
        {kFullBlock + "\nx", {kFullBlock, "x"}},
        // Long lines stay whole.
        {std::string(8192 + 8192 + 100, 'l') + "\r\nz", {std::string(8192 + 8192 + 100, 'l'), "z"}},
        {std::string(8193, 'm') + "\n", {std::string(8193, 'm')}},
        {std::string(600000, 'h') + "\n", {std::string(600000, 'h')}},  // beyond the first buffer
        {"a\rb\r\rc", {"a", "b", "", "c"}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WriteGzip(dir.File("in.txd.gz"), c.text);
        EXPECT_EQ(c.lines, ReadGzipLines(dir.File("in.txd.gz"))) << c.text.substr(0, 20);
    }
}

TEST(GzipLineReader, ReadsEveryMemberAndWhatGzreadReads) {
    TempDir dir;
    WriteGzip(dir.File("one.gz"), "one\ntw");
    WriteGzip(dir.File("two.gz"), std::string(300000, 'o') + "\nthree\n");
    const std::string one = TempDir::Read(dir.File("one.gz"));
    const std::string two = TempDir::Read(dir.File("two.gz"));
    const std::vector<std::string> both = {"one", "tw" + std::string(300000, 'o'), "three"};
    const struct {
        std::string file;
        std::vector<std::string> lines;
    } cases[] = {
        {one + two, both},
        {one + two + "trailing bytes that open no member", both},
        {"not compressed\r\nat all", {"not compressed", "at all"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.lines, ReadGzipLines(dir.Write("in.gz", c.file))) << c.file.size();
    }
}

// A file named as compressed that holds plain text says so once its lines were read.
TEST(GzipLineReader, TellsWhetherItsDataWasPlainText) {
    TempDir dir;
    WriteGzip(dir.File("real.gz"), "one\n");
    const struct {
        std::string file;
        bool plainText;
    } cases[] = {{TempDir::Read(dir.File("real.gz")), false}, {"not compressed\n", true}, {"", false}};
    for (const auto& c : cases) {
        GzipLineReader reader(dir.Write("in.gz", c.file).c_str(), false);
        TextLine line;
        while (reader.ReadLine(line)) {
        }
        EXPECT_EQ(c.plainText, reader.IsPlainTextUnderCompressedName()) << c.file.size();
    }
}

TEST(GzipLineReader, LastLineWithoutLineEndReadsLikeOneWithIt) {
    TempDir dir;
    WriteGzip(dir.File("with.gz"), "one\ntwo\n");
    WriteGzip(dir.File("without.gz"), "one\ntwo");
    EXPECT_EQ(ReadGzipLines(dir.File("with.gz")), ReadGzipLines(dir.File("without.gz")));
}

TEST(GzipLineReader, BlanksUnprintableBytesIncludingNul) {
    TempDir dir;
    WriteGzip(dir.File("in.gz"), std::string("a\0b\tc\n", 6));
    EXPECT_EQ((std::vector<std::string>{"a b c"}), ReadGzipLines(dir.File("in.gz"), true));
    EXPECT_EQ((std::vector<std::string>{"a"}), ReadGzipLines(dir.File("in.gz"), false));
}

TEST(GzipLineReader, ReportsCompressedBytesConsumed) {
    TempDir dir;
    WriteGzip(dir.File("in.gz"), Incompressible(2000000) + "\n");
    int64_t compressedSize = static_cast<int64_t>(TempDir::Read(dir.File("in.gz")).size());
    GzipLineReader reader(dir.File("in.gz").c_str(), false);
    TextLine line;
    std::vector<int64_t> positions;
    while (reader.ReadLine(line)) positions.push_back(reader.InputPosition());
    ASSERT_GT(positions.size(), 1000u);
    EXPECT_GT(positions.front(), 0);
    EXPECT_LT(positions.front(), compressedSize / 2);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(compressedSize, positions.back());
}

TEST(GzipLineReader, MissingOrCutOffFileFailsToRead) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "record number " + std::to_string(i * 7919) + "\n";
    WriteGzip(dir.File("whole.gz"), text);
    std::string compressed = TempDir::Read(dir.File("whole.gz"));
    dir.Write("cut.gz", compressed.substr(0, compressed.size() / 2));
    dir.Write("tail.gz", compressed.substr(0, compressed.size() - 4));  // without its length field
    std::string wrongCrc = compressed;
    wrongCrc[compressed.size() - 8] ^= 1;
    dir.Write("crc.gz", wrongCrc + compressed);

    auto readAll = [](const std::string& path) { ReadGzipLines(path); };
    EXPECT_EQ("Error in opening file '" + dir.File("missing.gz") + "'.  No such file or directory.",
              FailureOf(+readAll, dir.File("missing.gz")));
    for (const char* name : {"cut.gz", "tail.gz"}) {
        EXPECT_EQ("Reading compressed file -- " + dir.File(name) + ": unexpected end of file",
                  FailureOf(+readAll, dir.File(name)));
    }
    EXPECT_EQ("Reading compressed file -- " + dir.File("crc.gz") + ": damaged data", FailureOf(+readAll, dir.File("crc.gz")));
}

// A damaged or cut gzip input: every whole line decoded before the damage is converted (as
// many as zlib's gzread decodes), and then the run fails.
TEST(GzipLineReader, EveryLineDecodedBeforeTheDamageIsConverted) {
    TempDir dir;
    std::string text;
    for (int64_t i = 0; i < 400000; ++i) text += "line " + std::to_string(i * 7919) + "\n";
    WriteGzip(dir.File("whole.gz"), text);
    const std::string whole = TempDir::Read(dir.File("whole.gz"));
    WriteGzip(dir.File("small.gz"), "first\nmember\n");
    std::string damagedHeader = whole;
    damagedHeader[0] = 0x1e;
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"cut.gz", whole.substr(0, whole.size() - 100), "unexpected end of file"},
        {"second.gz", TempDir::Read(dir.File("small.gz")) + damagedHeader, "damaged data"},
    };
    for (const auto& c : cases) {
        const std::string input = dir.Write(c.name, c.bytes);
        // What zlib decodes of the same file, up to its last whole line.
        gzFile file = gzopen(input.c_str(), "rb");
        std::string decoded(text.size(), '\0');
        const int got = gzread(file, decoded.data(), static_cast<unsigned>(decoded.size()));
        gzclose(file);
        decoded.resize(static_cast<size_t>(std::max(got, 0)));
        const int64_t wholeLines = std::count(decoded.begin(), decoded.end(), '\n');

        ConversionSettings settings;
        settings.inputName = input.c_str();
        settings.outputName = dir.File("out.txd").c_str();
        settings.recordLength = 12;
        RecordingObserver observer;
        const ConversionResult result = RunConversion(settings, observer);
        EXPECT_EQ(RunOutcome::Failed, result.outcome) << c.name;
        EXPECT_EQ("Reading compressed file -- " + input + ": " + c.reason, result.message.GetCString()) << c.name;
        EXPECT_EQ(wholeLines, result.statistics.LinesProcessed) << c.name;
        EXPECT_GT(wholeLines, 1) << c.name;
        std::filesystem::remove(dir.File("out.txd"));
    }
}

TEST(GzipRecordWriter, WritesExactlyRecordLengthPlusCrLfPerRecord) {
    TempDir dir;
    {
        GzipRecordWriter writer(dir.File("out.txd.gz").c_str(), 6);
        for (int i = 0; i < 1000; ++i) writer.WriteRecord("abcdefgh", i % 9);
        writer.Close();
    }
    std::string bytes = ReadGzip(dir.File("out.txd.gz"));
    ASSERT_EQ(1000u * 8u, bytes.size());
    EXPECT_EQ("      \r\na     \r\nab    \r\n", bytes.substr(0, 24));
    EXPECT_EQ("abcdef\r\n", bytes.substr(8 * 8, 8));
}

TEST(GzipRecordWriter, EveryThreadCountWritesOneMemberOfThePlainRecords) {
    const struct {
        int32_t recordLength;
        int records;
    } cases[] = {
        {10, 0},           // empty input
        {998, 700},        // records crossing the 128 KiB block edges
        {65534, 4},        // blocks ending exactly on the end of a record and of the input
        {70000, 3},        // records longer than a block
        {80, 30000},       // more blocks than can be in flight
    };
    const std::string noise = Incompressible(71000);
    TempDir dir;
    for (const auto& c : cases) {
        std::string plain;
        for (int i = 0; i < c.records; ++i) {
            plain.append(noise, static_cast<size_t>(i % 1000), static_cast<size_t>(c.recordLength)) += "\r\n";
        }
        WriteGzip(dir.File("gzwrite.gz"), plain);
        const std::string byGzwrite = TempDir::Read(dir.File("gzwrite.gz"));
        std::vector<std::pair<int, int>> ways;  // threads and level: ISA-L's, the default and zlib's others
        for (int threads : {1, 2, 7}) {
            for (int level : {kDefaultGzipLevel, 1, 2, 3, 4, 9}) ways.emplace_back(threads, level);
        }
        for (auto [threads, level] : ways) {
            std::string path = dir.File("out" + std::to_string(threads) + ".gz");
            {
                GzipRecordWriter writer(path.c_str(), c.recordLength, threads, level);
                for (int i = 0; i < c.records; ++i) {
                    writer.WriteRecord(noise.c_str() + i % 1000, c.recordLength);
                }
                writer.Close();
            }
            std::string compressed = TempDir::Read(path);
            std::string where = std::to_string(c.recordLength) + " x " + std::to_string(c.records) + ", " +
                                std::to_string(threads) + " threads, level " + std::to_string(level);
            EXPECT_TRUE(IsOneSoundMember(compressed)) << where;
            EXPECT_TRUE(ReadGzip(path) == plain) << where;
            if (level != kDefaultGzipLevel) continue;
            if (threads == 1) {
                EXPECT_TRUE(compressed == byGzwrite) << where;  // zlib's gzwrite, byte for byte
            }
            EXPECT_LE(compressed.size(), byGzwrite.size() * 102 / 100 + 64) << where;
        }
    }
}

TEST(GzipRecordWriter, ReportsEveryFailureOfZlib) {
    LATHWELL_SKIP_ON_WINDOWS("there is no full device (/dev/full), and the system's texts differ");
    TempDir dir;
    for (int threads : {1, 3}) {
        auto fewRecords = [threads](const std::string& path) {
            GzipRecordWriter writer(path.c_str(), 10, threads);
            writer.WriteRecord("x", 1);
            writer.Close();
        };
        auto manyRecords = [threads](const std::string& path) {
            GzipRecordWriter writer(path.c_str(), 1000, threads);
            std::string noise = Incompressible(1000000);
            for (size_t i = 0; i < 1000; ++i) writer.WriteRecord(noise.c_str() + i * 1000, 1000);
            writer.Close();
        };
        std::string missingFolder = dir.File("no/such/folder/out.gz");
        EXPECT_EQ("Could not create compressed file \"" + missingFolder + "\" -- No such file or directory",
                  FailureOf(fewRecords, missingFolder));
        EXPECT_EQ("Could not finish compressed file \"/dev/full\" -- No space left on device",
                  FailureOf(fewRecords, "/dev/full"));
        EXPECT_EQ("Could not write compressed file \"/dev/full\" -- No space left on device",
                  FailureOf(manyRecords, "/dev/full"));
    }
}

// A run cancelled or failing midway while blocks are being compressed on several threads
// behaves as a single-threaded one and leaves no thread behind.
TEST(GzipRecordWriter, RunStoppedMidwayOnSeveralThreadsLeavesNoThread) {
    LATHWELL_SKIP_ON_WINDOWS("there is no full device (/dev/full), nor /proc/self/task to count threads");
    TempDir dir;
    std::filesystem::create_symlink("/dev/full", dir.File("full.gz"));
    const std::string input = Incompressible(4000000);  // some 4000 lines, 16 blocks read
    const struct {
        const char* output;
        int cancelAtCall;
        RunOutcome outcome;
        std::string message;
    } cases[] = {
        {"out.txd.gz", 8, RunOutcome::Cancelled, ""},
        {"full.gz", 0, RunOutcome::Failed,
         "Could not write compressed file \"" + dir.File("full.gz") + "\" -- No space left on device"},
    };
    // A runtime that starts helper threads of its own with the first thread (ThreadSanitizer's)
    // has them running before the count.
    std::thread([] {}).join();
    size_t threadsBefore = RunningThreads();
    for (const auto& c : cases) {
        ConversionSettings settings;
        settings.inputName = dir.Write("in.txt", input).c_str();
        settings.outputName = dir.File(c.output).c_str();
        settings.recordLength = 900;
        settings.threads = 3;
        RecordingObserver observer(c.cancelAtCall);
        ConversionResult result = RunConversion(settings, observer);
        EXPECT_EQ(c.outcome, result.outcome) << c.output;
        EXPECT_EQ(c.message, result.message.GetCString()) << c.output;
        EXPECT_EQ(threadsBefore, RunningThreads()) << c.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.txd.gz")));
}

// Once the run's stop is set, the decoder's thread reads no further block and the compressor's
// workers leave theirs: reading and writing end with the stop.
TEST(GzipRecordWriter, TheRunsStopEndsTheDecoderAndTheCompressor) {
    TempDir dir;
    const std::string noise = Incompressible(1000000);
    WriteGzip(dir.File("in.gz"), noise);
    auto stop = std::make_shared<RunStop>();
    stop->Request();
    auto read = [&](const std::string& path) {
        GzipLineReader reader(path.c_str(), false);
        reader.ShareStop(stop);
        TextLine line;
        while (reader.ReadLine(line)) {
        }
    };
    auto write = [&](const std::string& path) {
        GzipRecordWriter writer(path.c_str(), 1000, 3);
        writer.ShareStop(stop);
        for (size_t i = 0; i < 1000; ++i) writer.WriteRecord(noise.c_str() + i * 1000, 1000);
        writer.Close();
    };
    EXPECT_EQ("Reading \"" + dir.File("in.gz") + "\" stopped", FailureOf(read, dir.File("in.gz")));
    EXPECT_EQ("Compressing the output stopped", FailureOf(write, dir.File("out.gz")));
}

}  // namespace lathwell
