// check and unpack as processes: exit status and which stream says what.
#include "CliTestSupport.h"
#include "SampleDDFiles.h"

namespace lathwell::cli {

using CliCheckUnpackTest = CliProcessTest;

TEST_F(CliCheckUnpackTest, CheckAndUnpackExitZeroWhenCleanOneWithFindingsTwoWhenRefused) {
    Write("twelve.dd", kTwelveByteDD);
    Write("good.txd", "Ann  070012 \r\n");
    Write("bad.txd", "Ann  070012 \r\nAnn  07012 \r\n");
    Write("plain.gz", "Ann  070012 \r\n");
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{"check", "good.txd", "--dd", "twelve.dd"}, 0, "good.txd: 1 record of 12 bytes, all clean\n", ""},
        {{"check", "-", "--length", "12", "-q"}, 1, "", ""},
        {{"check", "bad.txd", "--dd", "twelve.dd"},
         1,
         "bad.txd:2: record is 11 bytes, not 12\n"
         "bad.txd: 2 records of 12 bytes, 1 with findings\n"
         "  Wrong length:       1\n",
         ""},
        {{"check", "plain.gz", "--length", "12"},
         0,
         "plain.gz: 1 record of 12 bytes, all clean\n",
         "lathwell-cli: warning: plain.gz: the data is not gzip-compressed; it was read as plain text\n"},
        {{"unpack", "plain.gz", "-", "--dd", "twelve.dd", "-q"},
         0,
         "Name,Age Group,Deaths (Cases)\r\nAnn,7,12\r\n",
         "lathwell-cli: warning: plain.gz: the data is not gzip-compressed; it was read as plain text\n"},
        {{"check", "good.txd", "--dd", "twelve.dd", "--length", "12"},
         2,
         "",
         "lathwell-cli: check needs either --dd DDFILE or --length N (see lathwell-cli --help)\n"},
    };
    for (const auto& c : cases) {
        const CliOutcome outcome = Run(c.arguments, "Ann  07012 \r\n");
        EXPECT_EQ(outcome.status, c.status) << c.arguments[1];
        EXPECT_EQ(outcome.out, c.out) << c.arguments[1];
        EXPECT_EQ(outcome.err, c.err) << c.arguments[1];
    }
}

TEST_F(CliCheckUnpackTest, UnpackStreamsFromStandardInputToStandardOutputAndNeverClobbers) {
    Write("twelve.dd", kTwelveByteDD);
    const CliOutcome streamed = Run({"unpack", "-", "-", "--dd", "twelve.dd", "--json"}, "Ann  070012 \r\n");
    EXPECT_EQ(streamed.status, 0);
    EXPECT_EQ(streamed.out, "Name,Age Group,Deaths (Cases)\r\nAnn,7,12\r\n");
    EXPECT_EQ(streamed.err, "{\"Records\":1,\"Error\":null}\n");
    Write("taken.csv", "keep");
    ExpectRefused(Run({"unpack", "-", "taken.csv", "--dd", "twelve.dd"}, "Ann  070012 \r\n"),
                  "taken.csv: Output File already exists (use --force to overwrite it)");
    EXPECT_EQ(Read("taken.csv"), "keep");
}

}  // namespace lathwell::cli
