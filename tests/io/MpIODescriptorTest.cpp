// Transfers, sizes and same-file checks of MpIODescriptor are tested through the engine's
// descriptor reader and writer; here only what they do not reach.
#include "MpIODescriptor.h"

#include <cstdlib>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "SkipOnWindows.h"

TEST(MpIODescriptor, KnowsATerminalFromAPipe) {
    LATHWELL_SKIP_ON_WINDOWS("a pseudo-terminal is Linux's");
#ifndef _WIN32
    int iTerminal = posix_openpt(O_RDWR | O_NOCTTY);
    int ends[2];
    if (iTerminal < 0 || pipe(ends) != 0) GTEST_SKIP() << "no pseudo-terminal or pipe";
    EXPECT_TRUE(MpIODescriptor(iTerminal).IsTerminal());
    EXPECT_FALSE(MpIODescriptor(ends[0]).IsTerminal());
    close(iTerminal);
    close(ends[0]);
    close(ends[1]);
#endif
}
