#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "CliTestSupport.h"
#include "MpIO.h"
#include "MpIODescriptor.h"
#include "SampleDDFiles.h"

namespace lathwell::cli {

namespace {

// No directory of this name exists: a run that wanted a temporary file would be refused.
const char* const kNoTemporaryDirectory = "TMPDIR=/nonexistent/lathwell-test";

// Both ends of a pipe, close-on-exec; each closes with the object or earlier when asked.
struct Pipe {
    int readEnd = -1;
    int writeEnd = -1;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
        readEnd = ends[0];
        writeEnd = ends[1];
    }
    ~Pipe() {
        CloseReadEnd();
        CloseWriteEnd();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void CloseReadEnd() { CloseEnd(readEnd); }
    void CloseWriteEnd() { CloseEnd(writeEnd); }

private:
    static void CloseEnd(int& end) {
        if (end >= 0) close(end);
        end = -1;
    }
};

void WriteAll(int descriptor, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = write(descriptor, bytes.data() + written, bytes.size() - written);
        if (n <= 0) return;
        written += static_cast<size_t>(n);
    }
}

// Reads until at least count bytes came, or to the end when count is 0 or the pipe ends first.
// A pipe that stays silent for a minute ends the reading too, so a child that never writes
// fails the test instead of hanging it.
std::string ReadFrom(int descriptor, size_t count = 0) {
    std::string bytes;
    char block[65536];
    ssize_t n;
    pollfd readable{descriptor, POLLIN, 0};
    while ((count == 0 || bytes.size() < count) && poll(&readable, 1, 60000) > 0 &&
           (n = read(descriptor, block, sizeof block)) > 0) {
        bytes.append(block, static_cast<size_t>(n));
    }
    return bytes;
}

std::string Repeat(const std::string& text, int times) {
    std::string repeated;
    repeated.reserve(text.size() * static_cast<size_t>(times));
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

// Runs lathwell-cli in the test's directory with descriptors of the test's own as its standard
// input and output; standard error goes to a file of the directory.
class CliStream : public CliProcessTest {
protected:
    // A child that stops reading its input must fail the test, not end the test program.
    void SetUp() override { MpIODescriptor::IgnoreBrokenPipes(); }

    pid_t Start(const std::vector<std::string>& arguments, int in, int out,
                const std::vector<std::string>& environment = {}) {
        int err = open(dir_.File("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        pid_t child = StartCliProcess(arguments, dir_.Path().string(), in, out, err, environment);
        close(err);
        return child;
    }
    int Open(const std::string& name, int flags) {
        return open(dir_.File(name).c_str(), flags | O_CLOEXEC, 0600);
    }
};

}  // namespace

TEST_F(CliStream, CsvReadsTheHeaderOnceFromAPipeAndConvertsEveryLineAfterIt) {
    Write("t.dd", kTwelveByteDD);
    // Far more than the first block that the header is read with.
    const int pairs = 40000;
    const std::string input = "name,AGE GROUP,Deaths,Notes\n" + Repeat("Bob,3,12,x\nAlexandra,,7,y\n", pairs);
    Pipe in;
    int out = Open("stdout", O_WRONLY | O_CREAT | O_TRUNC);
    pid_t child = Start({"csv", "-", "out.txd", "--dd", "t.dd", "--map", "#3=@4", "--quiet"}, in.readEnd, out,
                        {kNoTemporaryDirectory});
    close(out);
    in.CloseReadEnd();
    WriteAll(in.writeEnd, input);
    in.CloseWriteEnd();
    EXPECT_EQ(WaitForCliProcess(child), 0);
    EXPECT_EQ(Read("stderr"), "");
    EXPECT_EQ(Read("stdout"), "");
    EXPECT_EQ(Read("out.txd"), Repeat("Bob  030012 \r\nAlexa  0007 \r\n", pairs));
}

TEST_F(CliStream, PadStreamsRecordsToAPipeWithoutATemporaryFile) {
    const int lines = 30000;
    Write("in.txt", Repeat("abcdefgh\nab\n\n", lines));
    Pipe out;
    int in = Open("in.txt", O_RDONLY);
    pid_t child =
        Start({"pad", "in.txt", "-", "--length", "5", "--json"}, in, out.writeEnd, {kNoTemporaryDirectory});
    close(in);
    out.CloseWriteEnd();
    EXPECT_EQ(ReadFrom(out.readEnd), Repeat("abcde\r\nab   \r\n", lines));
    EXPECT_EQ(WaitForCliProcess(child), 0);
    EXPECT_EQ(Read("stderr"),
              StatisticsJson(5, Counts(2 * lines, 2, 8, 2 * lines, lines, lines, lines, 0), nullptr));
}

TEST_F(CliStream, RecordsReachStandardOutputBeforeStandardInputEnds) {
    // Standard input stays open until records have come out: a run that wrote only at the end
    // of its input would never send any.
    const int lines = 40000;
    const std::string line = std::string(99, 'x') + "\n";
    Pipe in;
    Pipe out;
    pid_t child = Start({"pad", "-", "-", "--length", "100", "--quiet"}, in.readEnd, out.writeEnd);
    in.CloseReadEnd();
    out.CloseWriteEnd();
    std::promise<void> recordsSeen;
    std::thread feeder([&] {
        WriteAll(in.writeEnd, Repeat(line, lines));
        recordsSeen.get_future().wait();
        in.CloseWriteEnd();
    });
    std::string records = ReadFrom(out.readEnd, 102);
    EXPECT_GE(records.size(), 102u) << "no record came out while standard input was open";
    recordsSeen.set_value();
    records += ReadFrom(out.readEnd);
    feeder.join();
    EXPECT_EQ(WaitForCliProcess(child), 0);
    EXPECT_EQ(records, Repeat(std::string(99, 'x') + " \r\n", lines));
}

TEST_F(CliStream, FieldsReadsTheCsvHeaderFromAPipe) {
    Write("t.dd", kTwelveByteDD);
    const std::string header = "name,Deaths (Cases), ,Other\n";
    Write("t.csv", header);
    CliOutcome fromFile = Run({"fields", "t.dd", "--csv", "t.csv"});
    ASSERT_EQ(fromFile.status, 0);

    Pipe in;
    WriteAll(in.writeEnd, header + "Bob,1,2,3\n");
    in.CloseWriteEnd();
    int out = Open("stdout", O_WRONLY | O_CREAT | O_TRUNC);
    pid_t child = Start({"fields", "t.dd", "--csv", "-"}, in.readEnd, out, {kNoTemporaryDirectory});
    close(out);
    EXPECT_EQ(WaitForCliProcess(child), 0);
    EXPECT_EQ(Read("stdout"), fromFile.out);
    EXPECT_EQ(Read("stderr"), fromFile.err);
}

TEST_F(CliStream, AFullDeviceAsStandardOutputIsAFailure) {
    Write("in.txt", "abc\nde\n");
    CliOutcome outcome =
        RunCliProcess({"pad", "in.txt", "-", "--length", "3"}, dir_.Path().string(), "", "/dev/full");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "lathwell-cli: Writing to standard output failed -- No space left on device\n" +
                               StatisticsText(3, Counts(2, 2, 3, 1, 0, 1, 0, 0)));
}

// As "lathwell-cli pad big.txt - | head -1": the reader has all it wants.
TEST_F(CliStream, APipeThatNobodyReadsEndsTheRunQuietly) {
    Write("in.txt", "abc\n");
    Pipe out;
    out.CloseReadEnd();
    int in = Open("in.txt", O_RDONLY);
    pid_t child = Start({"pad", "in.txt", "-", "--length", "3", "--json"}, in, out.writeEnd);
    close(in);
    EXPECT_EQ(WaitForCliProcess(child), 141);
    EXPECT_EQ(Read("stderr"), "");
}

// As "lathwell-cli pad big.txt out.fifo" while "head -c 100 < out.fifo" reads: the reader leaves.
TEST_F(CliStream, AFifoWhoseReaderLeavesEndsTheRunQuietly) {
    Write("in.txt", Repeat("12345\n", 300000));
    ASSERT_EQ(mkfifo(dir_.File("out.fifo").c_str(), 0600), 0);
    int reader = Open("out.fifo", O_RDONLY | O_NONBLOCK), in = Open("in.txt", O_RDONLY), out = Open("out", O_WRONLY | O_CREAT);
    pid_t child = Start({"pad", "in.txt", "out.fifo", "-l", "80"}, in, out);
    EXPECT_EQ(ReadFrom(reader, 100).substr(0, 5), "12345");
    for (int fd : {reader, in, out}) close(fd);
    siginfo_t ended{};  // a run still waiting after a minute missed the broken pipe
    for (int i = 0; i < 600 && waitid(P_PID, child, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && !ended.si_pid; ++i)
        poll(nullptr, 0, 100);
    if (!ended.si_pid) kill(child, SIGKILL);
    EXPECT_EQ(WaitForCliProcess(child), 141);
    EXPECT_EQ(Read("stderr") + Read("out"), "");
}

TEST_F(CliStream, RefusesAnOutputThatStandardInputOrOutputIsRedirectedFromOrInto) {
    Write("in.txt", "abc\n");
    Write("out.txd", "keep me\n");
    Write("t.dd", kTwelveByteDD);
    Write("t.csv", "name,Deaths\nBob,1\n");
    const struct {
        std::vector<std::string> arguments;
        const char* standardInput;
        const char* standardOutput;  // opened for appending
        std::string message;
    } cases[] = {
        {{"pad", "-", "out.txd", "--length", "3", "--force"},
         "out.txd",
         "stdout",
         "out.txd: Output File and Input File are the same"},
        {{"pad", "in.txt", "-", "--length", "3"},
         "in.txt",
         "in.txt",
         "standard output: Output File and Input File are the same"},
        {{"csv", "t.csv", "-", "--dd", "t.dd"},
         "in.txt",
         "t.dd",
         "standard output: Output File and Input File are the same"},
        {{"pad", "-", "-", "--length", "3"},
         "in.txt",
         "in.txt",
         "standard output: Output File and Input File are the same"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        int in = Open(c.standardInput, O_RDONLY);
        int out = Open(c.standardOutput, O_WRONLY | O_CREAT | O_APPEND);
        pid_t child = Start(c.arguments, in, out);
        close(in);
        close(out);
        EXPECT_EQ(WaitForCliProcess(child), 2);
        EXPECT_EQ(Read("stderr"), "lathwell-cli: " + c.message + "\n");
    }
    EXPECT_EQ(Read("in.txt"), "abc\n");
    EXPECT_EQ(Read("out.txd"), "keep me\n");
    EXPECT_EQ(Read("t.dd"), kTwelveByteDD);
    EXPECT_EQ(Read("stdout"), "");
}

// A stop signal while the run waits for its input: the waiting read ends at once and the run
// ends through its cancel without waiting for another line, deletes the output it created and
// reports what it counted.
TEST_F(CliStream, StopSignalsCancelTheRunAndDeleteItsOutput) {
    const struct {
        int signal;
        const char* output;
        int status;
    } cases[] = {
        {SIGINT, "out.txd", 130},
        {SIGINT, "out.txd.gz", 130},
        {SIGTERM, "out.txd", 143},
        {SIGHUP, "out.txd.gz", 129},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output + std::to_string(c.signal));
        Pipe in;
        int out = Open("stdout", O_WRONLY | O_CREAT | O_TRUNC);
        pid_t child = Start({"pad", "-", c.output, "--length", "3"}, in.readEnd, out);
        close(out);
        in.CloseReadEnd();
        for (int wait = 0; wait < 6000 && !Exists(c.output); ++wait) usleep(10000);
        ASSERT_TRUE(Exists(c.output));
        kill(child, c.signal);
        // The input stays open and silent: the run must not wait for it.
        EXPECT_EQ(WaitForCliProcess(child), c.status);
        in.CloseWriteEnd();
        EXPECT_FALSE(Exists(c.output));
        EXPECT_EQ(Read("stderr"), StatisticsText(3, Counts(0, 0, 0, 0, 0, 0, 0, 0)));
    }
}

// Ctrl-C while waiting for a DD file another program keeps locked stops the wait, and the
// command ends as stopped, with nothing written.
TEST_F(CliStream, AStopSignalEndsTheWaitForALockedDDFile) {
    const std::string dd = Write("t.dd", kTwelveByteDD);
    Write("in.csv", "Name,Deaths\nBob,12\n");
    MpIO otherProgram(dd.c_str(), IO_READ | IO_WRITE);
    ASSERT_TRUE(otherProgram.TryLock(IO_LOCK_WRITE, 0, 0));
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out = Open("stdout", O_WRONLY | O_CREAT | O_TRUNC);
    pid_t child = Start({"csv", "in.csv", "out.txd", "--dd", "t.dd"}, in, out);
    close(in);
    close(out);
    for (int wait = 0; wait < 6000 && Read("stderr").empty(); ++wait) usleep(10000);
    kill(child, SIGINT);
    EXPECT_EQ(WaitForCliProcess(child), 130);
    EXPECT_EQ(Read("stderr"), "lathwell-cli: waiting for \"t.dd\", locked by another program (Ctrl-C to stop)\n"
                              "lathwell-cli: Gave up waiting for \"t.dd\", locked by another program\n");
    EXPECT_FALSE(Exists("out.txd"));
}

// A command waiting for a CSV header from a silent pipe, before any run: a stop signal ends it
// at once, with the signal's status and nothing printed (the read it ended is no failure).
TEST_F(CliStream, AStopSignalEndsACommandThatIsNoRun) {
    Write("t.dd", kTwelveByteDD);
    const std::vector<std::string> commands[] = {{"fields", "t.dd", "--csv", "-"},
                                                 {"csv", "-", "out.txd", "--dd", "t.dd"}};
    for (const auto& command : commands) {
        Pipe in;
        int out = Open("stdout", O_WRONLY | O_CREAT | O_TRUNC);
        pid_t child = Start(command, in.readEnd, out);
        close(out);
        in.CloseReadEnd();
        usleep(200000);
        kill(child, SIGTERM);
        EXPECT_EQ(WaitForCliProcess(child), 143) << command[0];
        in.CloseWriteEnd();
        EXPECT_EQ(Read("stdout") + Read("stderr"), "") << command[0];
    }
}

}  // namespace lathwell::cli
