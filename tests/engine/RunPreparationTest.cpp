#include "RunPreparation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "MpIO.h"
#include "RecordWriter.h"
#include "SampleDDFiles.h"
#include "SkipOnWindows.h"
#include "TempDir.h"

namespace lathwell {
namespace {

// A run that fails on its second line (a lone CR) or is stopped at its first, writing to an
// output that is each of the things a name can stand for. Only a regular file the run itself created or
// emptied, and still holds, is ever removed.
TEST(RunPreparation, OnlyTheOutputTheRunMadeIsRemoved) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "one\ntwo\rthree\n");
    const std::string failure = "Return character not followed by newline; unknown end of line type";
    const std::string inUse = "Output File \"" + dir.File("held.txd") + "\" is in use by another program";
#ifndef _WIN32  // a FIFO, a symbolic link and /dev/null are Linux's rows
    mkfifo(dir.File("fifo.txd").c_str(), 0600);
    // A reader, so that the run's write-only opening of the FIFO does not wait for one.
    const int fifoReader = open(dir.File("fifo.txd").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fifoReader, 0);
    dir.Write("target.txd", "target");
    std::filesystem::create_symlink(dir.File("target.txd"), dir.File("link.txd"));
#endif
    dir.Write("held.txd", "another run's records");
    MpIO anotherRun(dir.File("held.txd").c_str(), IO_READ | IO_WRITE);
    ASSERT_TRUE(anotherRun.TryLock(IO_LOCK_WRITE, 0, 0));
    const struct {
        const char* output;
        int cancelAtCall;  // 0: the run fails instead
        RunOutcome outcome;
        std::string message;
        bool outputLeft;
        std::string bytesLeft;  // of the output, or of what it points to
    } cases[] = {
        {"new.txd", 0, RunOutcome::Failed, failure, false, ""},
        {"new.txd.gz", 0, RunOutcome::Failed, failure, false, ""},
        {"new.txd", 1, RunOutcome::Cancelled, "", false, ""},
        {"new.txd.gz", 1, RunOutcome::Cancelled, "", false, ""},
        {"/dev/null", 0, RunOutcome::Failed, failure, true, ""},
        {"fifo.txd", 1, RunOutcome::Cancelled, "", true, ""},
        {"link.txd", 0, RunOutcome::Failed,
         failure + "\nError in deleting file '" + dir.File("link.txd") + "'.  Permission denied.", true, ""},
        {"held.txd", 0, RunOutcome::Failed, inUse, true, "another run's records"},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        if (c.outputLeft && c.bytesLeft.empty()) continue;
#endif
        const std::string output = c.output[0] == '/' ? c.output : dir.File(c.output);
        ConversionSettings settings;
        settings.inputName = input.c_str();
        settings.outputName = output.c_str();
        settings.recordLength = 5;
        settings.removeOutputOnFailure = true;
        RecordingObserver observer(c.cancelAtCall);
        const ConversionResult result = RunConversion(settings, observer);
        EXPECT_EQ(c.outcome, result.outcome) << c.output;
        EXPECT_EQ(c.message, result.message.GetCString()) << c.output;
        EXPECT_EQ(c.outputLeft, std::filesystem::exists(std::filesystem::symlink_status(output))) << c.output;
        if (c.outputLeft && std::filesystem::is_regular_file(output)) {
            EXPECT_EQ(c.bytesLeft, TempDir::Read(output)) << c.output;
        }
    }
#ifndef _WIN32
    close(fifoReader);
#endif
}

// The writer holds the file it locked: a name replaced after the preparation (a symbolic link
// put in its place) is neither written through nor removed.
TEST(RunPreparation, ANameReplacedAfterTheLockIsNeverWrittenThrough) {
    LATHWELL_SKIP_ON_WINDOWS("symbolic links need a privilege there");
    TempDir dir;
    for (const char* name : {"out.txd", "out.txd.gz"}) {
        for (int cancelAtCall : {0, 1}) {
            const std::string output = dir.File(name);
            ConversionSettings settings;
            settings.inputName = dir.Write("in.txt", "one\ntwo\n").c_str();
            settings.outputName = output.c_str();
            settings.recordLength = 3;
            PreparedRun run = PrepareRun(settings, OpenedFiles());
            std::filesystem::rename(output, output + ".moved");
            dir.Write("victim", "victim");
            std::filesystem::create_symlink(dir.File("victim"), output);
            RecordingObserver observer(cancelAtCall);
            const ConversionResult result = RunConversion(std::move(run), observer);
            const std::string where = std::string(name) + (cancelAtCall ? ", stopped" : "");
            EXPECT_EQ("victim", TempDir::Read(dir.File("victim"))) << where;
            EXPECT_TRUE(std::filesystem::is_symlink(output)) << where;
            EXPECT_EQ(cancelAtCall ? RunOutcome::Cancelled : RunOutcome::Completed, result.outcome) << where;
            if (cancelAtCall == 0) {
                const std::string moved = output + ".moved";
                EXPECT_EQ("one\r\ntwo\r\n", std::string(name).find(".gz") != std::string::npos ? ReadGzip(moved) : TempDir::Read(moved))
                    << where;
            }
            std::filesystem::remove(output);
            std::filesystem::remove(output + ".moved");
        }
    }
}

// Refusals name their check and their file, and come before the output is created or emptied.
TEST(RunPreparation, RefusalsNameTheirCheckAndLeaveTheOutputAlone) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "abc\n");
    std::filesystem::create_directory(dir.File("folder"));
    dir.Write("held.txd", "kept");
    MpIO anotherRun(dir.File("held.txd").c_str(), IO_READ | IO_WRITE);
    ASSERT_TRUE(anotherRun.TryLock(IO_LOCK_WRITE, 0, 0));
    dir.Write("exists.txd", "kept");
    const struct {
        std::string input;
        std::string output;
        bool createNew;
        RunCheck check;
        RunFile file;
        std::string message;
    } cases[] = {
        {dir.File("folder"), "out.txd", false, RunCheck::InputIsFolder, RunFile::Input,
         "Input File is a folder, not a file"},
        {input, "in.txt", false, RunCheck::OutputIsInput, RunFile::Output, "Output File and Input File are the same"},
        {input, "held.txd", false, RunCheck::OutputInUse, RunFile::Output,
         "Output File \"" + dir.File("held.txd") + "\" is in use by another program"},
        {input, "exists.txd", true, RunCheck::OutputExists, RunFile::Output,
         "Output File \"" + dir.File("exists.txd") + "\" already exists"},
        {input, "no/such/out.txd", false, RunCheck::OutputNotOpened, RunFile::Output,
         "Error in opening file '" + dir.File("no/such/out.txd") + "'.  No such file or directory."},
    };
    for (const auto& c : cases) {
        ConversionSettings settings;
        settings.inputName = c.input.c_str();
        settings.outputName = dir.File(c.output).c_str();
        settings.recordLength = 3;
        settings.createNew = c.createNew;
        try {
            PrepareRun(settings, OpenedFiles());
            ADD_FAILURE() << "not refused: " << c.message;
        } catch (const RunRefusal& refusal) {
            EXPECT_EQ(c.check, refusal.Check()) << c.message;
            EXPECT_EQ(c.file, refusal.File()) << c.message;
            EXPECT_EQ(c.message, refusal.GetErrorMessage());
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.txd")));
    EXPECT_EQ("kept", TempDir::Read(dir.File("held.txd")));
    EXPECT_EQ("kept", TempDir::Read(dir.File("exists.txd")));
}

// A layout with a field past the record length builds no record: the run fails on the first
// non-empty line without creating or emptying the output; without one it writes the output empty.
TEST(RunPreparation, ALayoutPastTheRecordLeavesTheOutputAlone) {
    TempDir dir;
    const std::string beyond = "Field length extends beyond record length.";
    const struct {
        const char* input;
        const char* output;
        RunOutcome outcome;
        std::string message;
        bool outputLeft;
        std::string bytesLeft;
    } cases[] = {
        {"a,b\n1,2\n", "new.txd", RunOutcome::Failed, beyond, false, ""},
        {"a,b\n1,2\n", "old.txd", RunOutcome::Failed, beyond, true, "kept"},
        {"a,b\n\n", "new.txd", RunOutcome::Completed, "", true, ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dir.File("new.txd"));
        dir.Write("old.txd", "kept");
        ConversionSettings settings;
        settings.inputName = dir.Write("in.csv", c.input).c_str();
        settings.outputName = dir.File(c.output).c_str();
        settings.ddFileName = dir.Write("layout.dd", kTenByteDD).c_str();
        settings.fieldPositions = MpVector<int16_t>{1, 4};
        settings.recordLength = 10;
        RecordingObserver observer;
        const ConversionResult result = RunConversion(settings, observer);
        EXPECT_EQ(c.outcome, result.outcome) << c.input << c.output;
        EXPECT_EQ(c.message, result.message.GetCString()) << c.input << c.output;
        EXPECT_EQ(c.outputLeft, std::filesystem::exists(dir.File(c.output))) << c.input << c.output;
        EXPECT_EQ(c.bytesLeft, TempDir::Read(dir.File(c.output))) << c.input << c.output;
    }
}

// A read that fails names the input and the system's reason, whatever reads it.
TEST(RunPreparation, ReadFailuresNameTheInputAndTheSystemsReason) {
    LATHWELL_SKIP_ON_WINDOWS("its failing inputs are Linux's (/proc) and so are the texts");
    TempDir dir;
    std::filesystem::create_symlink("/proc/self/mem", dir.File("mem.gz"));
    for (const std::string& input : {std::string("/proc/self/mem"), dir.File("mem.gz")}) {
        ConversionSettings settings;
        settings.inputName = input.c_str();
        settings.outputName = dir.File("out.txd").c_str();
        settings.recordLength = 3;
        RecordingObserver observer;
        EXPECT_EQ("Reading \"" + input + "\" failed -- Input/output error",
                  RunConversion(settings, observer).message.GetCString());
        std::filesystem::remove(dir.File("out.txd"));
    }
}

}  // namespace
}  // namespace lathwell
