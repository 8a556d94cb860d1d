#include "MpPlatformPath.h"

#include <cerrno>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

std::string CurrentDirectory() {
    char buffer[4096];
    EXPECT_NE(getcwd(buffer, sizeof buffer), nullptr);
    return buffer;
}

std::string FullPath(const std::string& path) {
    char buffer[MP_MAX_PATH];
    if (!MpPlatformGetFullPathName(path.c_str(), buffer, sizeof buffer)) return "<failed>";
    return buffer;
}

struct PathCase {
    const char* path;
    const char* expected;
};

}  // namespace

#ifdef _WIN32
// The system's own rules: drive letters, UNC shares, "/" read as a backslash, "." and ".."
// removed.
TEST(MpPlatformPath, WindowsPathsAreMadeAbsolute) {
    const std::string cwd = CurrentDirectory();
    const std::string cases[][2] = {
        {"C:\\data\\in\\..\\a.txd", "C:\\data\\a.txd"},
        {"d:/data/./in/a.csv", "d:\\data\\in\\a.csv"},
        {"\\\\server\\share\\in\\..\\x.csv", "\\\\server\\share\\x.csv"},
        {"//server/share/x.csv", "\\\\server\\share\\x.csv"},
        {"data\\a.txd", cwd + "\\data\\a.txd"},
    };
    for (const auto& c : cases) EXPECT_EQ(FullPath(c[0]), c[1]) << c[0];
}

#else  // The Linux build maps Windows-style paths onto its own.

TEST(MpPlatformPath, AbsolutePathsKeepTheirRootAndSeparators) {
    const PathCase cases[] = {
        {"/", "/"},
        {"/data/in/a.txd", "/data/in/a.txd"},
        {"C:\\data\\in\\a.txd.gz", "C:\\data\\in\\a.txd.gz"},
        {"c:/data\\a.txd", "c:/data\\a.txd"},
        {"C:data\\a.txd", "C:data\\a.txd"},
        {"\\\\server\\share\\x.csv", "\\\\server\\share\\x.csv"},
        {"\\data\\", "\\data\\"},
    };
    for (const PathCase& c : cases) EXPECT_EQ(FullPath(c.path), c.expected) << c.path;
}

TEST(MpPlatformPath, DotComponentsAndDoubledSeparatorsAreRemoved) {
    const PathCase cases[] = {
        {"/a/./b", "/a/b"},
        {"/a/b/..", "/a"},
        {"/a/b/../", "/a/"},
        {"/a/../../..", "/"},
        {"C:\\x\\..\\y", "C:\\y"},
        {"C:\\..\\y", "C:\\y"},
        {"C:x\\..\\y", "C:y"},
        {"C:x\\..\\", "C:"},
        {"C:\\\\x//y", "C:\\x/y"},
        {"//home/u", "/home/u"},
        {"\\\\server\\share\\..\\..\\x.csv", "\\\\server\\share\\x.csv"},
        {"\\\\srv\\s\\dir\\.\\x", "\\\\srv\\s\\dir\\x"},
        {"/a/.../b", "/a/.../b"},
        {"/a/..b", "/a/..b"},
    };
    for (const PathCase& c : cases) EXPECT_EQ(FullPath(c.path), c.expected) << c.path;
}

TEST(MpPlatformPath, RelativePathsAreJoinedToTheCurrentDirectory) {
    const std::string cwd = CurrentDirectory();
    const std::string parent = cwd.substr(0, cwd.rfind('/'));
    EXPECT_EQ(FullPath("out.txd"), cwd + "/out.txd");
    EXPECT_EQ(FullPath("data\\a.txd"), cwd + "/data\\a.txd");
    EXPECT_EQ(FullPath("./x/../out.txd"), cwd + "/out.txd");
    EXPECT_EQ(FullPath("."), cwd);
    EXPECT_EQ(FullPath("../y"), (parent.empty() ? "" : parent) + "/y");
}

TEST(MpPlatformPath, ResultOfThePlatformsLimitOrMoreIsRefused) {
    const std::string longest = "/" + std::string(MP_MAX_PATH - 2, 'a');  // fits with the terminator
    EXPECT_EQ(FullPath(longest), longest);

    char buffer[MP_MAX_PATH];
    errno = 0;
    EXPECT_FALSE(MpPlatformGetFullPathName((longest + "b").c_str(), buffer, sizeof buffer));
    EXPECT_EQ(errno, ENAMETOOLONG);

    // Only the result counts: a long path that shrinks below the limit is accepted.
    EXPECT_EQ(FullPath("/" + std::string(MP_MAX_PATH + 40, 'a') + "/../b"), "/b");
}

TEST(MpPlatformPath, NullAndEmptyPathsAreRefused) {
    char buffer[MP_MAX_PATH];
    errno = 0;
    EXPECT_FALSE(MpPlatformGetFullPathName("", buffer, sizeof buffer));
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_FALSE(MpPlatformGetFullPathName(nullptr, buffer, sizeof buffer));
    EXPECT_EQ(errno, EINVAL);
}

#endif
