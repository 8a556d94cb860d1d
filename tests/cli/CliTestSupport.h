// Shared pieces of the tests that run lathwell-cli as a process: a fixture with its own
// temporary working directory; the expected statistics come from RunStatisticsTesting.h.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliProcess.h"
#include "RunReport.h"
#include "RunStatisticsTesting.h"
#include "TempDir.h"

namespace lathwell::cli {

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

// Runs every pad and csv command of a case with --threads set to the test's parameter, so that
// each case shows one thread and several giving the same result.
class CliThreadsTest : public CliProcessTest, public ::testing::WithParamInterface<int> {
protected:
    CliOutcome Run(std::vector<std::string> arguments, const std::string& standardInput = "") {
        if (!arguments.empty() && (arguments[0] == "pad" || arguments[0] == "csv")) {
            arguments.insert(arguments.begin() + 1, {"--threads", std::to_string(GetParam())});
        }
        return CliProcessTest::Run(arguments, standardInput);
    }
};

// A refusal: exit status 2, nothing on standard output, exactly this message.
inline void ExpectRefused(const CliOutcome& outcome, const std::string& message) {
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "lathwell-cli: " + message + "\n");
}

}  // namespace lathwell::cli
