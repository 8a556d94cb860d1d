#include <gtest/gtest.h>

#include "MpPathKind.h"
#include "MpSignal.h"
#include "TempDir.h"

TEST(MpPathInfo, TellsFilesFoldersAndStreamsApart) {
    TempDir dir;
    const struct {
        std::string name;
        MpPathKind kind;
    } cases[] = {
        {dir.Write("a.txt", "x"), MpPathKind::RegularFile},
        {dir.Path().string(), MpPathKind::Directory},
#ifdef _WIN32
        {"NUL", MpPathKind::Stream},
#else
        {"/dev/null", MpPathKind::Stream},
#endif
        {dir.File("missing"), MpPathKind::Missing},
    };
    for (const auto& c : cases) EXPECT_EQ(c.kind, MpPathInfo::Kind(c.name.c_str())) << c.name;
    EXPECT_TRUE(MpPathInfo::MayWriteInFolder(dir.Path().string().c_str()));
    EXPECT_FALSE(MpPathInfo::MayWriteInFolder(dir.File("missing").c_str()));
}

TEST(MpSignal, NothingIsCaughtUntilASignalComes) {
    EXPECT_EQ(MpStopSignal::None, MpSignal::Caught());
    EXPECT_EQ(130, MpSignal::ShellExitStatus(MpStopSignal::Interrupt));
    EXPECT_EQ(141, MpSignal::ShellExitStatus(MpStopSignal::BrokenPipe));
}
