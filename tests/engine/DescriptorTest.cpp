#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <poll.h>
#endif

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ConversionFiles.h"
#include "DescriptorLineReader.h"
#include "DescriptorRecordWriter.h"
#include "EngineTestSupport.h"
#include "MpException.h"
#include "TempDir.h"
#include "SkipOnWindows.h"

namespace lathwell {

namespace {

// Both ends of a pipe; each closes when the object goes, or earlier by its Close call.
class Pipe {
public:
    Pipe() {
#ifdef _WIN32
        if (_pipe(m_ends, 1 << 16, _O_BINARY | _O_NOINHERIT) != 0) throw std::runtime_error("_pipe failed");
#else
        if (pipe2(m_ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
#endif
    }
    ~Pipe() {
        CloseReadEnd();
        CloseWriteEnd();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int ReadEnd() const { return m_ends[0]; }
    int WriteEnd() const { return m_ends[1]; }
    void CloseReadEnd() { CloseEnd(0); }
    void CloseWriteEnd() { CloseEnd(1); }

    // True when a byte can be read without waiting.
    bool HoldsBytes() const {
#ifdef _WIN32
        DWORD available = 0;
        return PeekNamedPipe(reinterpret_cast<HANDLE>(_get_osfhandle(m_ends[0])), nullptr, 0, nullptr, &available,
                             nullptr) &&
               available > 0;
#else
        pollfd poller{m_ends[0], POLLIN, 0};
        return poll(&poller, 1, 0) == 1;
#endif
    }

private:
    void CloseEnd(int which) {
        if (m_ends[which] >= 0) close(m_ends[which]);
        m_ends[which] = -1;
    }

    int m_ends[2];
};

// Writes bytes into the pipe from a thread of its own, then closes the writing end, so the
// test can read more than the pipe holds.
class PipeFeeder {
public:
    PipeFeeder(Pipe& pipe, std::string bytes)
        : m_thread([&pipe, bytes = std::move(bytes)] {
              size_t written = 0;
              while (written < bytes.size()) {
                  ssize_t n = write(pipe.WriteEnd(), bytes.data() + written, bytes.size() - written);
                  if (n <= 0) break;
                  written += static_cast<size_t>(n);
              }
              pipe.CloseWriteEnd();
          }) {}
    ~PipeFeeder() { m_thread.join(); }

private:
    std::thread m_thread;
};

// Reads the pipe to its end from a thread of its own; Take waits for the end.
class PipeDrain {
public:
    explicit PipeDrain(const Pipe& pipe)
        : m_thread([this, descriptor = pipe.ReadEnd()] {
              char block[65536];
              ssize_t n;
              while ((n = read(descriptor, block, sizeof block)) > 0) m_bytes.append(block, static_cast<size_t>(n));
          }) {}
    ~PipeDrain() {
        if (m_thread.joinable()) m_thread.join();
    }

    std::string Take() {
        m_thread.join();
        return m_bytes;
    }

private:
    std::string m_bytes;
    std::thread m_thread;
};

std::vector<std::string> ReadAll(LineReader& reader) {
    std::vector<std::string> lines;
    TextLine line;
    while (reader.ReadLine(line)) lines.emplace_back(line.text, static_cast<size_t>(line.length));
    return lines;
}

std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (MpException& e) {
        return e.GetErrorMessage();
    }
    return "no failure";
}

}  // namespace

TEST(DescriptorLineReader, ReadsLinesCrossingBlockBoundariesFromAPipe) {
    // The reader takes 256 KiB - 1 bytes at first: the first line's CR is that block's last
    // byte and its LF opens the next one. A line longer than a block and many short ones follow.
    const std::string first(262142, 'a');
    const std::string longLine(600000, 'l');
    std::vector<std::string> expected{first, "", longLine};
    std::string input = first + "\r\n\n" + longLine + "\n";
    for (int i = 0; i < 30000; ++i) {
        expected.push_back("line " + std::to_string(i));
        input += expected.back() + (i % 2 == 0 ? "\n" : "\r\n");
    }
    expected.push_back("last without end");
    input += expected.back();

    Pipe pipe;
    PipeFeeder feeder(pipe, input);
    DescriptorLineReader reader(pipe.ReadEnd(), "standard input", false);
    EXPECT_EQ(0, reader.InputSize());
    EXPECT_EQ(expected, ReadAll(reader));
    EXPECT_EQ(static_cast<int64_t>(input.size()), reader.InputPosition());
}

TEST(DescriptorLineReader, FollowsThePlainRulesAndReportsAFailedRead) {
    Pipe pipe;
    PipeFeeder feeder(pipe, std::string("a\tb\0c\nd\re\n", 11));
    DescriptorLineReader reader(pipe.ReadEnd(), "standard input", false);
    TextLine line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ("a\tb", std::string(line.text, static_cast<size_t>(line.length)));  // NUL ends the text
    EXPECT_EQ("Return character not followed by newline; unknown end of line type",
              FailureOf([&] { reader.ReadLine(line); }));

    LATHWELL_SKIP_ON_WINDOWS("the rest compares the Linux text of a failed read");
    Pipe unreadable;
    DescriptorLineReader wrongEnd(unreadable.WriteEnd(), "standard input", false);
    EXPECT_EQ("Reading standard input failed -- Bad file descriptor", FailureOf([&] { wrongEnd.ReadLine(line); }));
}

TEST(DescriptorLineReader, KnowsTheRestOfARedirectedFileAndWhichFileItIs) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "abc\ndefghi\n");
    const std::string other = dir.Write("other.txt", "abc\ndefghi\n");
    FileDescriptor file(input, O_RDONLY);
    ASSERT_EQ(4, lseek(file.Get(), 4, SEEK_SET));
    DescriptorLineReader reader(file.Get(), "standard input", false);
    EXPECT_EQ(7, reader.InputSize());
    EXPECT_TRUE(reader.IsFile(input.c_str()));
    EXPECT_TRUE(reader.IsFile((dir.Path() / "." / "in.txt").string().c_str()));
    EXPECT_FALSE(reader.IsFile(other.c_str()));
    EXPECT_FALSE(reader.IsFile(dir.File("missing.txt").c_str()));
    EXPECT_EQ((std::vector<std::string>{"defghi"}), ReadAll(reader));

    Pipe pipe;
    EXPECT_FALSE(DescriptorLineReader(pipe.ReadEnd(), "standard input", false).IsFile(input.c_str()));
}

TEST(DescriptorRecordWriter, HoldsRecordsUntilABlockIsFullThenWritesThemExactly) {
    Pipe pipe;
    DescriptorRecordWriter writer(pipe.WriteEnd(), "standard output", 100);
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        const int length = i % 7;
        writer.WriteRecord("record", length);
        expected += std::string("record", static_cast<size_t>(length)) + std::string(100 - length, ' ') + "\r\n";
    }
    // 2000 records of 102 bytes fit in one block: nothing has been written yet.
    EXPECT_FALSE(pipe.HoldsBytes());
    PipeDrain drain(pipe);
    for (int i = 0; i < 3000; ++i) {
        writer.WriteRecord("0123456789", 10);
        expected += "0123456789" + std::string(90, ' ') + "\r\n";
    }
    writer.Close();
    // The descriptor stays open for its owner, after the records.
    EXPECT_EQ(1, write(pipe.WriteEnd(), "!", 1));
    expected += "!";
    pipe.CloseWriteEnd();
    EXPECT_EQ(expected, drain.Take());
}

TEST(DescriptorRecordWriter, AFullDeviceIsAFailureNeverASuccess) {
    LATHWELL_SKIP_ON_WINDOWS("there is no full device (/dev/full)");
    FileDescriptor full("/dev/full", O_WRONLY);
    EXPECT_EQ("Writing to standard output failed -- No space left on device", FailureOf([&] {
                  DescriptorRecordWriter writer(full.Get(), "standard output", 3);
                  writer.WriteRecord("abc", 3);
                  writer.Close();
              }));
    // More than a block fails while writing, before the close.
    EXPECT_EQ("Writing to the device failed -- No space left on device", FailureOf([&] {
                  DescriptorRecordWriter writer(full.Get(), "the device", 1000);
                  for (int i = 0; i < 1000; ++i) writer.WriteRecord("x", 1);
                  ADD_FAILURE() << "a full block was kept back";
              }));
}

TEST(DescriptorRecordWriter, KnowsWhichFileItWrites) {
    TempDir dir;
    const std::string output = dir.Write("out.txd", "");
    FileDescriptor file(output, O_WRONLY);
    DescriptorRecordWriter writer(file.Get(), "standard output", 2);
    EXPECT_TRUE(writer.IsFile(output.c_str()));
    EXPECT_FALSE(writer.IsFile(dir.Write("in.txt", "").c_str()));
}

TEST(ConversionFiles, NamesGzipByTheirExtensionInAnyCaseAndStandardStreamsByADash) {
    for (const char* name : {"data.txd.gz", "DATA.TXD.GZ", "x.Gz", "dir/a.gZ"}) {
        EXPECT_TRUE(IsCompressedName(name)) << name;
    }
    for (const char* name : {"data.gz.txd", "gz", "data.tgz", "data.gz2", "-"}) {
        EXPECT_FALSE(IsCompressedName(name)) << name;
    }
    EXPECT_TRUE(IsStandardStreamName("-"));
    for (const char* name : {"--", "./-", "", "-.gz"}) EXPECT_FALSE(IsStandardStreamName(name)) << name;
}

TEST(ConversionFiles, OpensTheReaderTheRunUsesForAName) {
    TempDir dir;
    // A lone CR ends a line in a gzip input and is refused in a plain one.
    const std::string text = "a\rb\n";
    WriteGzip(dir.File("in.TXD.Gz"), text);
    dir.Write("in.txt", text);
    std::unique_ptr<LineReader> packed = OpenLineReader(dir.File("in.TXD.Gz").c_str(), false);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), ReadAll(*packed));
    std::unique_ptr<LineReader> plain = OpenFileLineReader(dir.File("in.txt").c_str(), false);
    EXPECT_EQ("Return character not followed by newline; unknown end of line type",
              FailureOf([&] { ReadAll(*plain); }));
    // Blanking as asked.
    std::unique_ptr<LineReader> blanked = OpenLineReader(dir.Write("tab.txt", "a\tb\n").c_str(), true);
    EXPECT_EQ((std::vector<std::string>{"a b"}), ReadAll(*blanked));
}

}  // namespace lathwell
