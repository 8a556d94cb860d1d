#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "CliArguments.h"
#include "CliTestSupport.h"
#include "SkipOnWindows.h"

namespace lathwell::cli {

namespace {

// Lines: truncated, padded, empty, exact (CR LF end), TAB, high byte.
const std::string kLines = "abcdefgh\nab\n\nabc\r\na\tc\nx\xe9z\n";

class CliPad : public CliThreadsTest {};

std::string Gunzip(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    std::string text;
    char block[4096];
    int count;
    while (file != nullptr && (count = gzread(file, block, sizeof block)) > 0) text.append(block, count);
    if (file != nullptr) gzclose(file);
    return text;
}

}  // namespace

TEST_P(CliPad, PadsTruncatesAndReportsWithTheResultsCaptions) {
    Write("in.txt", kLines);
    CliOutcome outcome = Run({"pad", "in.txt", "out.txd", "--length", "3"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, StatisticsText(3, Counts(5, 2, 8, 2, 1, 1, 1, 0)));
    EXPECT_EQ(Read("out.txd"), "abc\r\nab \r\nabc\r\na\tc\r\nx\xe9z\r\n");
}

TEST_P(CliPad, BlanksUnprintableBytesAndReportsJson) {
    Write("in.txt", kLines);
    CliOutcome outcome = Run({"pad", "in.txt", "out.txd", "--length", "3", "--blank-unprintable", "--json"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, StatisticsJson(3, Counts(5, 2, 8, 4, 1, 1, 1, 2), nullptr));
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(Read("out.txd"), "abc\r\nab \r\nabc\r\na c\r\nx z\r\n");
}

TEST_P(CliPad, QuietPrintsNothing) {
    Write("in.txt", "abc\n");
    CliOutcome outcome = Run({"pad", "in.txt", "out.txd", "--length", "3", "--quiet"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out + outcome.err, "");
    EXPECT_EQ(Read("out.txd"), "abc\r\n");
}

TEST_P(CliPad, StandardInputToStandardOutputSendsJsonToStandardError) {
    CliOutcome outcome = Run({"pad", "-", "-", "--length", "4", "--json"}, "abcdef\r\nxy");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "abcd\r\nxy  \r\n");
    EXPECT_EQ(outcome.err, StatisticsJson(4, Counts(2, 2, 6, 2, 1, 1, 0, 0), nullptr));
}

TEST_P(CliPad, GzipOutputAndInputRoundTrip) {
    Write("in.txt", kLines);
    CliOutcome packed = Run({"pad", "in.txt", "out.TXD.Gz", "--length", "5", "--quiet"});
    EXPECT_EQ(packed.status, 0);
    const std::string records = "abcde\r\nab   \r\nabc  \r\na\tc  \r\nx\xe9z  \r\n";
    EXPECT_EQ(Read("out.TXD.Gz").substr(0, 2), "\x1f\x8b");
    EXPECT_EQ(Gunzip(dir_.File("out.TXD.Gz")), records);

    CliOutcome unpacked = Run({"pad", "out.TXD.Gz", "-", "--length", "5", "--json"});
    EXPECT_EQ(unpacked.status, 0);
    EXPECT_EQ(unpacked.out, records);
    EXPECT_EQ(unpacked.err, StatisticsJson(5, Counts(5, 5, 5, 0, 0, 0, 0, 0), nullptr));
}

TEST_P(CliPad, APlainInputNamedAsGzipIsReadWithAWarning) {
    Write("plain.gz", "abc\n");
    CliOutcome outcome = Run({"pad", "plain.gz", "-", "--length", "3"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "abc\r\n");
    EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n')),
              "lathwell-cli: warning: plain.gz: the data is not gzip-compressed; it was read as plain text");
}

TEST_P(CliPad, ForceReplacesAnExistingOutput) {
    Write("in.txt", "abc\n");
    Write("out.txd", "old contents that are longer\r\n");
    CliOutcome outcome = Run({"pad", "in.txt", "out.txd", "--length", "2", "--force", "--quiet"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(Read("out.txd"), "ab\r\n");
}

TEST_P(CliPad, RefusalsWriteNothingAndLeaveFilesAlone) {
    const std::string input = Write("in.txt", "abc\n");
    Write("out.txd", "keep me");
    std::filesystem::create_directory(dir_.File("sub"));
#ifdef _WIN32
    std::filesystem::create_hard_link(input, dir_.File("link.txt"));  // symbolic ones need a privilege
#else
    std::filesystem::create_symlink(input, dir_.File("link.txt"));
#endif
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"pad", "none.txt", "new.txd", "--length", "3"}, "none.txt: Input File Does Not Exist"},
        {{"pad", "in.txt", "in.txt", "--length", "3", "--force"},
         "in.txt: Output File and Input File are the same"},
        {{"pad", "in.txt", "sub/../in.txt", "--length", "3", "--force"},
         "sub/../in.txt: Output File and Input File are the same"},
        {{"pad", "in.txt", "link.txt", "--length", "3", "--force"},
         "link.txt: Output File and Input File are the same"},
        {{"pad", "link.txt", input, "--length", "3", "--force"},
         input + ": Output File and Input File are the same"},
        {{"pad", "in.txt", "out.txd", "--length", "3"},
         "out.txd: Output File already exists (use --force to overwrite it)"},
        {{"pad", "in.txt", "nowhere/new.txd", "--length", "3"},
         "nowhere/new.txd: Invalid File Name for Output File"},
        {{"pad", "in.txt", "sub", "--length", "3", "--force"}, "sub: Invalid File Name for Output File"},
        {{"pad", "sub", "new.txd", "-l", "3"}, "sub: Input File is a folder, not a file"},
        {{"pad", "in.txt", "new.txd", "--length", "0"},
         "--length expects a record length from 1 to 2147483647, not '0' (see lathwell-cli --help)"},
        {{"pad", "in.txt", "new.txd"}, "pad needs --length N (see lathwell-cli --help)"},
        {{}, "no command given (see lathwell-cli --help)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ExpectRefused(Run(c.arguments), c.message);
    }
    EXPECT_EQ(Read("in.txt"), "abc\n");
    EXPECT_EQ(Read("out.txd"), "keep me");
    EXPECT_FALSE(Exists("new.txd"));
    EXPECT_FALSE(Exists("nowhere"));
}

TEST_P(CliPad, FullDiskIsAFailureNotASuccess) {
    LATHWELL_SKIP_ON_WINDOWS("there is no full device (/dev/full)");
    Write("in.txt", "abc\n");
    std::filesystem::create_symlink("/dev/full", dir_.File("full.txd.gz"));
    CliOutcome plain = Run({"pad", "in.txt", "/dev/full", "--length", "3", "--force", "--json"});
    EXPECT_EQ(plain.status, 1);
    const std::string plainError = "Unable to write 5 bytes at offset 0 of file \"/dev/full\" -- No space left on device";
    EXPECT_EQ(plain.err, "lathwell-cli: " + plainError + "\n");
    EXPECT_EQ(plain.out, StatisticsJson(3, Counts(1, 3, 3, 0, 0, 0, 0, 0), &plainError));

    CliOutcome packed = Run({"pad", "in.txt", "full.txd.gz", "--length", "3", "--force", "--quiet"});
    EXPECT_EQ(packed.status, 1);
    EXPECT_EQ(packed.err,
              "lathwell-cli: Could not finish compressed file \"full.txd.gz\" -- No space left on device\n");

    CliOutcome piped =
        RunCliProcess({"pad", "-", "-", "--length", "3"}, dir_.Path().string(), "abc\n", "/dev/full");
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(piped.err, "lathwell-cli: Writing to standard output failed -- No space left on device\n" +
                             StatisticsText(3, Counts(1, 3, 3, 0, 0, 0, 0, 0)));
}

TEST_P(CliPad, DevicesAsOutputNeedNoForce) {
    LATHWELL_SKIP_ON_WINDOWS("/dev/null and named pipes in folders are Linux's");
#ifndef _WIN32
    Write("in.txt", "abc\n");
    CliOutcome outcome = Run({"pad", "in.txt", "/dev/null", "-l", "3", "-q"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out + outcome.err, "");

    // A named pipe: its reader gets the records, not an end of file before them.
    const std::string fifo = dir_.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), {});
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Run({"pad", "in.txt", fifo, "-l", "3", "-q"}).status, 0);
    // Should the reader not have opened the pipe in time, this lets it end.
    int late = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (late >= 0) close(late);
    reader.join();
    EXPECT_EQ(received, "abc\r\n");
#endif
}

TEST_P(CliPad, AFolderThatTakesNoFilesIsNamedAsSuch) {
    LATHWELL_SKIP_ON_WINDOWS("its folder permissions are access lists");
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "the superuser may write in any folder";
#endif
    Write("in.txt", "abc\n");
    std::filesystem::create_directory(dir_.File("locked"));
    std::filesystem::permissions(dir_.File("locked"),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    ExpectRefused(Run({"pad", "in.txt", "locked/new.txd", "-l", "3"}),
                  "locked/new.txd: Invalid File Name for Output File (no permission to write in its folder)");
    std::filesystem::permissions(dir_.File("locked"), std::filesystem::perms::owner_all);
}

TEST_P(CliPad, HelpAndVersionGoToStandardOutput) {
    CliOutcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, CliHelpText());
    EXPECT_EQ(help.err, "");
    for (std::vector<std::string> words : {std::vector<std::string>{"pad", "--help"}, {"help", "pad"}}) {
        CliOutcome commandHelp = Run(words);
        EXPECT_EQ(commandHelp.status, 0);
        EXPECT_EQ(commandHelp.out, CliHelpText(CliCommand::Pad));
    }
    CliOutcome version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "lathwell-cli 1.8.0\n");
}

INSTANTIATE_TEST_SUITE_P(Threads, CliPad, ::testing::Values(1, 2, 7));

}  // namespace lathwell::cli
