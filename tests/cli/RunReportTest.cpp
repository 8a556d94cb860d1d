#include <gtest/gtest.h>

#include <string>

#include "RunReport.h"
#include "RunStatisticsTesting.h"

namespace lathwell::cli {

namespace {

RunStatistics SampleStatistics() { return Counts(1234567, 0, 1000, 999, 12, 2147483647, 3, -1000); }

}  // namespace

TEST(RunReport, TextFollowsTheResultsWindowSpelledForATerminal) {
    EXPECT_EQ(StatisticsText(10000, SampleStatistics()),
              "Input File:\n"
              "  Lines Processed:            1,234,567\n"
              "  Minimum Record Length:              0\n"
              "  Maximum Record Length:          1,000\n"
              "  Empty Records Skipped\n"
              "  Not Processed:                      3\n"
              "Output File (Rec Len 10,000):\n"
              "  Records Edited:                   999\n"
              "  Lines Truncated:                   12\n"
              "  Lines Padded:           2,147,483,647\n"
              "  Lines with non-ASCII\n"
              "  Converted to Blanks:           -1,000\n");
}

TEST(RunReport, JsonHasEveryCounterAndTheError) {
    EXPECT_EQ(
        StatisticsJson(80, SampleStatistics(), nullptr),
        "{\"RecordLength\":80,\"LinesProcessed\":1234567,\"MinRecordLength\":0,\"MaxRecordLength\":1000,"
        "\"RecordsEdited\":999,\"LinesTruncated\":12,\"LinesPadded\":2147483647,\"EmptyRecordsSkipped\":3,"
        "\"LinesAsciiFixed\":-1000,\"Error\":null}\n");
    std::string error = "No token 3 in \"a,b\" with delimiter \",\"";
    EXPECT_EQ(StatisticsJson(5, RunStatistics(), &error),
              "{\"RecordLength\":5,\"LinesProcessed\":0,\"MinRecordLength\":0,\"MaxRecordLength\":0,"
              "\"RecordsEdited\":0,\"LinesTruncated\":0,\"LinesPadded\":0,\"EmptyRecordsSkipped\":0,"
              "\"LinesAsciiFixed\":0,\"Error\":\"No token 3 in \\\"a,b\\\" with delimiter \\\",\\\"\"}\n");
}

}  // namespace lathwell::cli
