// Shared pieces of the tests that run lathwell-cli as a process: a fixture with its own
// temporary working directory, and the expected statistics in the two report forms.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliProcess.h"
#include "RunReport.h"
#include "TempDir.h"

namespace lathwell::cli {

// The eight counters in the order the results window lists them, for compact expectations.
inline RunStatistics Counts(int32_t processed, int32_t minimum, int32_t maximum, int32_t edited,
                            int32_t truncated, int32_t padded, int32_t empty, int32_t asciiFixed) {
    RunStatistics statistics;
    statistics.LinesProcessed = processed;
    statistics.MinRecordLength = minimum;
    statistics.MaxRecordLength = maximum;
    statistics.RecordsEdited = edited;
    statistics.LinesTruncated = truncated;
    statistics.LinesPadded = padded;
    statistics.EmptyRecordsSkipped = empty;
    statistics.LinesAsciiFixed = asciiFixed;
    return statistics;
}

class CliProcessTest : public ::testing::Test {
protected:
    // Runs lathwell-cli with the temporary directory as its working directory.
    CliOutcome Run(const std::vector<std::string>& arguments, const std::string& standardInput = "") {
        return RunCliProcess(arguments, dir_.Path().string(), standardInput);
    }
    std::string Write(const std::string& name, const std::string& bytes) { return dir_.Write(name, bytes); }
    std::string Read(const std::string& name) { return TempDir::Read(dir_.File(name)); }
    bool Exists(const std::string& name) { return std::filesystem::exists(dir_.File(name)); }

    TempDir dir_;
};

// A refusal: exit status 2, nothing on standard output, exactly this message.
inline void ExpectRefused(const CliOutcome& outcome, const std::string& message) {
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "lathwell-cli: " + message + "\n");
}

}  // namespace lathwell::cli
