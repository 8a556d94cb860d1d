#include "MpFileName.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "MpPlatformPath.h"
#include "SkipOnWindows.h"
#include "TempDir.h"

namespace {

// Runs a test inside a fresh temporary directory and goes back afterwards.
class InTempDirectory {
public:
    InTempDirectory() : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(directory_.Path());
        cwd_ = std::filesystem::current_path().string();
    }
    ~InTempDirectory() { std::filesystem::current_path(previous_); }
    const std::string& Cwd() const { return cwd_; }

private:
    TempDir directory_;
    std::filesystem::path previous_;
    std::string cwd_;
};

// The drive alone: what the location is without the directory.
std::string Drive(const MpFileName& name) {
    MpFileName copy(name);
    copy.SetDirectory("");
    return copy.GetLocation();
}

struct SplitCase {
    const char* path;
    const char* drive;
    const char* location;
    const char* fileName;
    const char* extension;
    const char* fullPath;
};

const SplitCase kSplitCases[] = {
    {"C:\\data\\in\\a.txd.gz", "C:", "C:\\data\\in\\", "a.txd", ".gz", "C:\\data\\in\\a.txd.gz"},
    {"\\\\server\\share\\x.csv", "\\\\server\\share", "\\\\server\\share\\", "x", ".csv", "\\\\server\\share\\x.csv"},
    {"\\\\srv\\s\\dir\\x", "\\\\srv\\s", "\\\\srv\\s\\dir\\", "x", "", "\\\\srv\\s\\dir\\x"},
    {"C:\\release.old\\file", "C:", "C:\\release.old\\", "file", "", "C:\\release.old\\file"},
    {"C:\\data\\..\\out\\.\\b.TXD.GZ", "C:", "C:\\out\\", "b.TXD", ".GZ", "C:\\out\\b.TXD.GZ"},
    {"C:\\data\\", "C:", "C:\\data\\", "", "", "C:\\data\\"},
    {"C:\\x.txt  ", "C:", "C:\\", "x", ".txt", "C:\\x.txt"},
    {"C:x.txt", "C:", "C:", "x", ".txt", "C:x.txt"},
    {"/data/in/archive.tar.gz", "", "/data/in/", "archive.tar", ".gz", "/data/in/archive.tar.gz"},
    {"/data/dir.old\\README", "", "/data/dir.old\\", "README", "", "/data/dir.old\\README"},
    {"/data/.profile", "", "/data/", "", ".profile", "/data/.profile"},
};

}  // namespace

TEST(MpFileName, SplitsPathsIntoTheirParts) {
    LATHWELL_SKIP_ON_WINDOWS("the expected full paths are the Linux build's ('/data/in/'); Windows's own are checked in tests/platform");
    for (const SplitCase& c : kSplitCases) {
        const MpFileName name(c.path);
        EXPECT_EQ(Drive(name), c.drive) << c.path;
        EXPECT_STREQ(name.GetLocation(), c.location) << c.path;
        EXPECT_STREQ(name.GetFileName(), c.fileName) << c.path;
        EXPECT_STREQ(name.GetExtension(), c.extension) << c.path;
        EXPECT_STREQ(name.GetCompleteFileName(), (std::string(c.fileName) + c.extension).c_str()) << c.path;
        EXPECT_STREQ(name.GetFullPath(), c.fullPath) << c.path;
    }
}

TEST(MpFileName, RelativeNamesTakeTheCurrentDirectory) {
    LATHWELL_SKIP_ON_WINDOWS("the expected full paths are the Linux build's ('/data/in/'); Windows's own are checked in tests/platform");
    InTempDirectory here;
    MpFileName name("out.txd");
    EXPECT_STREQ(name.GetLocation(), (here.Cwd() + "/").c_str());
    EXPECT_STREQ(name.GetFileName(), "out");
    EXPECT_STREQ(name.GetExtension(), ".txd");

    name.SetLocation("sub/../other/");
    name.ConvertToAbsolutePath();
    EXPECT_STREQ(name.GetFullPath(), (here.Cwd() + "/other/out.txd").c_str());
}

TEST(MpFileName, EmptyPathLeavesEveryPartEmpty) {
    MpFileName name("C:\\data\\a.txd");
    name.Set("");
    EXPECT_STREQ(name.GetFullPath(), "");
    EXPECT_STREQ(name.GetFileName(), "");
    EXPECT_STREQ(name.GetExtension(), "");
    name.ConvertToAbsolutePath();
    EXPECT_STREQ(name.GetFullPath(), "");
}

TEST(MpFileName, SettersNormaliseTheirPart) {
    MpFileName name;
    name.SetExtension("gz");
    EXPECT_STREQ(name.GetExtension(), ".gz");
    name.SetExtension(".txd");
    EXPECT_STREQ(name.GetExtension(), ".txd");
    name.SetExtension("");
    EXPECT_STREQ(name.GetExtension(), "");

    const struct {
        const char* drive;
        const char* directory;
        const char* location;
    } locations[] = {
        {"C", "\\data", "C:\\data\\"},
        {"C:", "\\data\\", "C:\\data\\"},
        {"\\\\srv\\share", "/data", "\\\\srv\\share/data/"},
        {"", "data", "data\\"},
        {"", "", ""},
    };
    for (const auto& c : locations) {
        name.SetDrive(c.drive);
        name.SetDirectory(c.directory);
        EXPECT_STREQ(name.GetLocation(), c.location) << c.drive << " + " << c.directory;
    }
}

TEST(MpFileName, SetLocationReplacesOnlyDriveAndDirectory) {
    MpFileName name("C:\\data\\a.txd");
    name.SetLocation("  \\\\srv\\share\\out ");
    EXPECT_EQ(Drive(name), "\\\\srv\\share");
    EXPECT_STREQ(name.GetFullPath(), "\\\\srv\\share\\out\\a.txd");
    name.SetLocation("D:");
    EXPECT_STREQ(name.GetFullPath(), "D:a.txd");
}

TEST(MpFileName, ReplacingTheBaseNameKeepsFolderAndExtension) {
    const MpFileName input("C:\\data\\in.csv");
    MpFileName output(input);
    output.SetFileName("out");
    EXPECT_STREQ(output.GetFullPath(), "C:\\data\\out.csv");
    EXPECT_STREQ(input.GetFullPath(), "C:\\data\\in.csv");

    MpFileName assigned;
    assigned = output;
    assigned = assigned;
    EXPECT_STREQ(assigned.GetFullPath(), "C:\\data\\out.csv");
}

TEST(MpFileName, ComposingGettersShareOneBuffer) {
    const MpFileName name("C:\\data\\a.txd");
    const char* pFullPath = name.GetFullPath();
    const char* pLocation = name.GetLocation();
    EXPECT_EQ(pFullPath, pLocation);
    EXPECT_STREQ(pFullPath, "C:\\data\\");
}

TEST(MpFileName, UncPrefixWithoutShareIsInvalid) {
    for (const char* path : {"\\\\server\\share", "\\\\server", "\\\\server\\\\x.txd"}) {
        MpFileName name("C:\\keep\\me.txd");
        try {
            name.Set(path);
            ADD_FAILURE() << "no exception for " << path;
        } catch (MpException& e) {
            EXPECT_STREQ(e.GetErrorMessage(), "Invalid UNC name") << path;
            EXPECT_STREQ(e.GetClassName(), "MpFileName");
            EXPECT_STREQ(e.GetCallpath(), "Set() of MpFileName");
        }
        EXPECT_STREQ(name.GetFullPath(), "C:\\keep\\me.txd") << path;
    }
    try {
        MpFileName name;
        name.SetLocation("\\\\server\\share");
        FAIL() << "SetLocation must raise";
    } catch (MpException& e) {
        EXPECT_STREQ(e.GetErrorMessage(), "Invalid UNC name");
        EXPECT_STREQ(e.GetCallpath(), "SetLocation() of MpFileName");
    }
}

TEST(MpFileName, NullArgumentsAreRefused) {
    MpFileName name;
    const struct {
        void (MpFileName::*setter)(const char*);
        const char* message;
        const char* callpath;
    } cases[] = {
        {&MpFileName::Set, "Null pointer", "Set() of MpFileName"},
        {&MpFileName::SetLocation, "Null pointer", "SetLocation() of MpFileName"},
        {&MpFileName::SetDrive, "Null parameter", "SetDrive() of MpFileName"},
        {&MpFileName::SetDirectory, "Null parameter", "SetDirectory() of MpFileName"},
        {&MpFileName::SetFileName, "Null parameter", "SetFileName() of MpFileName"},
        {&MpFileName::SetExtension, "Null parameter", "SetExtension() of MpFileName"},
    };
    for (const auto& c : cases) {
        try {
            (name.*c.setter)(nullptr);
            ADD_FAILURE() << "no exception for " << c.callpath;
        } catch (MpException& e) {
            EXPECT_STREQ(e.GetErrorMessage(), c.message);
            EXPECT_STREQ(e.GetClassName(), "MpFileName");
            EXPECT_STREQ(e.GetCallpath(), c.callpath);
        }
    }
}

TEST(MpFileName, FullPathsBeyondThePlatformsLimitAreRefusedWithTheirName) {
    LATHWELL_SKIP_ON_WINDOWS("the expected full paths are the Linux build's ('/data/in/'); Windows's own are checked in tests/platform");
    const std::string longest = "/" + std::string(MP_MAX_PATH - 2, 'a');  // fits with the terminator
    EXPECT_STREQ(MpFileName(longest.c_str()).GetFullPath(), longest.c_str());

    const std::string tooLong = "Could not get full path name of \"" + longest + "b\" -- " + strerror(ENAMETOOLONG);
    try {
        MpFileName name((longest + "b").c_str());
        FAIL() << "a path of MP_MAX_PATH bytes must raise";
    } catch (MpException& e) {
        EXPECT_EQ(e.GetErrorMessage(), tooLong);
        EXPECT_STREQ(e.GetClassName(), "MpFileName");
        EXPECT_STREQ(e.GetCallpath(), "Set() of MpFileName\r\nConstructor of MpFileName");
    }

    MpFileName name("/x.txd");
    name.SetDirectory((longest + "/").c_str());
    const std::string expected = "Could not convert \"" + longest + "/x.txd\" into an absolute name -- " +
                                 strerror(ENAMETOOLONG);
    try {
        name.ConvertToAbsolutePath();
        FAIL() << "ConvertToAbsolutePath must raise";
    } catch (MpException& e) {
        EXPECT_EQ(e.GetErrorMessage(), expected);
        EXPECT_STREQ(e.GetCallpath(), "ConvertToAbsolutePath() of MpFileName");
    }
}
