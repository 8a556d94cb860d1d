#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Cli.h"
#include "MpIO.h"
#include "MpIOSystem.h"
#include "RunReport.h"
#include "RunStatisticsTesting.h"
#include "TempDir.h"

namespace lathwell::cli {

namespace {

struct InProcessOutcome {
    int status;
    std::string out;
    std::string err;
};

InProcessOutcome RunInProcess(std::vector<const char*> words, const std::string& input) {
    words.insert(words.begin(), "lathwell-cli");
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    int status = RunCli(static_cast<int>(words.size()), words.data(), CliStreams{in, out, err, false});
    return InProcessOutcome{status, out.str(), err.str()};
}

// Sections: 0 [FileInfo], 1 Name (text: its codes are letters), 2 [Format=Name], 3 Deaths.
const char* const kDD =
    "[FileInfo]\nRecordLength=9\n"
    "[Field1]\nFieldName=Name\nLength=5\nByteOffset=1\n"
    "[Format=Name]\nA=x\n"
    "[CountField1]\nFieldName=Deaths\nLength=4\nByteOffset=6\n";

}  // namespace

TEST(CliInProcess, ReadsAndWritesTheStreamsItIsGiven) {
    InProcessOutcome outcome = RunInProcess({"pad", "-", "-", "--length", "2", "--json"}, "abc\n\nx\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "ab\r\nx \r\n");
    EXPECT_EQ(outcome.err, StatisticsJson(2, Counts(2, 1, 3, 2, 1, 1, 1, 0), nullptr));
}

TEST(CliInProcess, RefusalsAreReturnedNotExited) {
    TempDir dir;
    std::string missing = dir.File("missing.txt");
    InProcessOutcome outcome = RunInProcess({"pad", missing.c_str(), "-", "--length", "2"}, "");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "lathwell-cli: " + missing + ": Input File Does Not Exist\n");
}

TEST(CliInProcess, CsvReadsTheHeaderOnceFromTheStreamItIsGiven) {
    TempDir dir;
    std::string dd = dir.Write("t.dd", kDD);
    InProcessOutcome outcome = RunInProcess({"csv", "-", "-", "--dd", dd.c_str(), "--quiet"},
                                            "Name,Deaths (Cases)\nBob,12\n\nAlexandra,7");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "Bob  0012\r\nAlexa0007\r\n");
    EXPECT_EQ(outcome.err, "");
}

TEST(CliInProcess, CsvWaitsForALockedDDFileSayingSoAfterASecond) {
    TempDir dir;
    std::string dd = dir.Write("t.dd", kDD);
    // The lock calls the command line uses, chosen before the first lock as at its start.
    const int savedCapabilities = MpIOSystem::OSCapabilities;
    MpIOSystem::SetOSCapabilities();
    MpIO otherProgram(dd.c_str(), IO_READ | IO_WRITE);
    ASSERT_TRUE(otherProgram.TryLock(IO_LOCK_WRITE, 0, 0));
    std::thread releaseLater([&otherProgram] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        otherProgram.UnLock(IO_LOCK_WRITE, 0, 0);
    });
    InProcessOutcome outcome =
        RunInProcess({"csv", "-", "-", "--dd", dd.c_str(), "--quiet"}, "Name,Deaths (Cases)\nBob,12\n");
    releaseLater.join();
    MpIOSystem::OSCapabilities = savedCapabilities;
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "Bob  0012\r\n");
    EXPECT_EQ(outcome.err, "lathwell-cli: waiting for \"" + dd + "\", locked by another program (Ctrl-C to stop)\n");
}

TEST(CliInProcess, AStreamThatRefusesTheRecordsIsAFailure) {
    std::istringstream in("abc\n");
    std::ostream refusing(nullptr);
    std::ostringstream err;
    const char* words[] = {"lathwell-cli", "pad", "-", "-", "--length", "3", "--quiet"};
    EXPECT_EQ(RunCli(7, words, CliStreams{in, refusing, err, false}), 1);
    EXPECT_EQ(err.str(), "lathwell-cli: Writing to standard output failed\n");
}

}  // namespace lathwell::cli
