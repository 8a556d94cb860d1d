#include "MpIODescriptor.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(MpIODescriptor, ReadsAndWritesInOrderAndKeepsTheSystemErrorOfAFailure) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    MpIODescriptor reader(ends[0]);
    MpIODescriptor writer(ends[1]);
    EXPECT_TRUE(writer.Write("abc", 3));
    close(ends[1]);
    char bytes[8];
    EXPECT_EQ(reader.Read(bytes, sizeof bytes), 3);
    EXPECT_EQ(std::string(bytes, 3), "abc");
    EXPECT_EQ(reader.Read(bytes, sizeof bytes), 0);
    errno = 0;
    EXPECT_FALSE(reader.Write("x", 1));
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(reader.GetBytesLeft(), 0);
    EXPECT_FALSE(reader.IsTerminal());
    close(ends[0]);
}

TEST(MpIODescriptor, KnowsATerminal) {
    int iTerminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (iTerminal < 0) GTEST_SKIP() << "no pseudo-terminals";
    EXPECT_TRUE(MpIODescriptor(iTerminal).IsTerminal());
    close(iTerminal);
}
