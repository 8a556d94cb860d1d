#include "MpPlatformSignal.h"

#include <csignal>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"

namespace {

// A job that made its output and is then sent two stop signals before it can remove it: the
// forced end removes the output, but never a file put in its place.
TEST(MpPlatformSignal, AForcedEndRemovesOnlyTheOutputTheJobHolds) {
    const struct {
        bool replaced;  // another file put under the output's name after it was opened
        bool left;
    } cases[] = {{false, false}, {true, true}};
    for (const auto& c : cases) {
        TempDir dir;
        const std::string output = dir.File("out.txd");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int descriptor = open(output.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            if (descriptor < 0 || !MpPlatformCatchStopSignals()) _exit(2);
            if (c.replaced && (rename(output.c_str(), (output + ".moved").c_str()) != 0 ||
                               close(open(output.c_str(), O_WRONLY | O_CREAT, 0600)) != 0))
                _exit(2);
            if (!MpPlatformRemoveOnForcedEnd(output.c_str(), descriptor)) _exit(2);
            raise(SIGINT);
            raise(SIGTERM);
            _exit(0);  // not reached: the second signal ends the process
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << c.replaced;
        EXPECT_EQ(std::filesystem::exists(output), c.left) << c.replaced;
    }
}

}  // namespace
