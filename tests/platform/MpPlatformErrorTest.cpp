// The last-error interface of the platform layer.
#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "MpPlatformError.h"
#include "SkipOnWindows.h"

TEST(MpPlatformError, LastErrorRoundTrips) {
    MpPlatformSetLastError(ENOENT);
    EXPECT_EQ(ENOENT, MpPlatformLastError());
    MpPlatformSetLastError(0);
    EXPECT_EQ(0, MpPlatformLastError());
}

TEST(MpPlatformError, TextIsTheSystemsWording) {
    LATHWELL_SKIP_ON_WINDOWS("FormatMessageA's texts: checked in the failures that append them (tests/io)");
    char text[kMpPlatformErrorTextSize];
    ASSERT_TRUE(MpPlatformErrorText(ENOENT, text, sizeof text));
    EXPECT_STREQ(std::strerror(ENOENT), text);
}

TEST(MpPlatformError, TextDoesNotChangeTheLastError) {
    char text[kMpPlatformErrorTextSize];
    MpPlatformSetLastError(EACCES);
    MpPlatformErrorText(ENOENT, text, sizeof text);
    MpPlatformErrorText(-12345, text, sizeof text);
    EXPECT_EQ(EACCES, MpPlatformLastError());
}

TEST(MpPlatformError, TooSmallBufferGivesFalseAndEmptyText) {
    char text[4] = {'x', 'x', 'x', 'x'};
    EXPECT_FALSE(MpPlatformErrorText(ENOENT, text, sizeof text));
    EXPECT_STREQ("", text);
    EXPECT_FALSE(MpPlatformErrorText(ENOENT, nullptr, 0));
}
