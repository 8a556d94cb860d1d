#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "RunReport.h"
#include "TempDir.h"

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

}  // namespace

TEST(CliInProcess, ReadsAndWritesTheStreamsItIsGiven) {
    InProcessOutcome outcome = RunInProcess({"pad", "-", "-", "--length", "2", "--json"}, "abc\n\nx\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "ab\r\nx \r\n");
    RunStatistics statistics;
    statistics.LinesProcessed = 2;
    statistics.MinRecordLength = 1;
    statistics.MaxRecordLength = 3;
    statistics.RecordsEdited = 2;
    statistics.LinesTruncated = 1;
    statistics.LinesPadded = 1;
    statistics.EmptyRecordsSkipped = 1;
    EXPECT_EQ(outcome.err, StatisticsJson(2, statistics, nullptr));
}

TEST(CliInProcess, RefusalsAreReturnedNotExited) {
    TempDir dir;
    std::string missing = dir.File("missing.txt");
    InProcessOutcome outcome = RunInProcess({"pad", missing.c_str(), "-", "--length", "2"}, "");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "lathwell-cli: " + missing + ": Input File Does Not Exist\n");
}
