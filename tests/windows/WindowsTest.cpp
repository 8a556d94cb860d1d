// What the library and lathwell-cli do on Windows itself: full path names with drive letters
// and UNC shares, the system's codes and texts in failures, and byte-range locks between two
// processes. (Ctrl-C stopping a run: tests/windows/wine_check.sh.)
#include <windows.h>
#undef GetTempFileName  // the character-set macro would rename the library's member

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "MpException.h"
#include "MpIO.h"
#include "MpString.h"
#include "MpPlatformPath.h"
#include "TempDir.h"
#include "WindowsCliChild.h"

namespace {

// The system's own text for an error code, as FormatMessageA gives it without its line break.
std::string SystemText(DWORD code) {
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    return std::string(text, length);
}

// lathwell-cli in dir, its messages in dir's "stderr".
struct CliChild : WindowsCliChild {
    CliChild(const TempDir& dir, const std::vector<std::string>& arguments)
        : WindowsCliChild(arguments, dir.Path().string(), dir.File("stdout"), dir.File("stderr")) {}
};

TEST(WindowsPaths, DriveLettersAndUncSharesAreMadeAbsolute) {
    TempDir dir;
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().string().c_str()));
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    const struct {
        const char* path;
        std::string absolute;
    } cases[] = {
        {"C:\\data\\in\\..\\a.txd", "C:\\data\\a.txd"},
        {"d:/data/./in/a.csv", "d:\\data\\in\\a.csv"},
        {"\\\\server\\share\\in\\..\\x.csv", "\\\\server\\share\\x.csv"},
        {"//server/share/x.csv", "\\\\server\\share\\x.csv"},
        {"data\\a.txd", std::string(current) + "\\data\\a.txd"},
    };
    for (const auto& c : cases) {
        char full[MP_MAX_PATH];
        EXPECT_TRUE(MpPlatformGetFullPathName(c.path, full, sizeof full)) << c.path;
        EXPECT_EQ(std::string(full), c.absolute) << c.path;
    }
    SetCurrentDirectoryA(dir.Path().parent_path().string().c_str());
}

// A failed open names its reason in the library's words, classified from the system's code;
// other failures end with the system's own text.
TEST(WindowsErrors, FailuresNameTheSystemsReason) {
    TempDir dir;
    const std::string missing = dir.File("missing");
    const struct {
        std::function<void()> action;
        std::string message;
    } cases[] = {
        {[&] { MpIO file(missing.c_str(), IO_READ); },
         "Error in opening file '" + missing + "'.  No such file or directory."},
        {[&] { MpIO file((missing + "\\in.txd").c_str(), IO_READ | IO_WRITE | IO_CREATE); },
         "Error in opening file '" + missing + "\\in.txd'.  No such file or directory."},
        {[&] {
             MpString name;
             MpIOInterface::GetTempFileName(name, missing.c_str(), "lw");
         },
         "Could not get temporary file name -- WIN32 : " + SystemText(ERROR_DIRECTORY)},
    };
    for (const auto& c : cases) {
        try {
            c.action();
            ADD_FAILURE() << "no failure: " << c.message;
        } catch (const MpException& failure) {
            EXPECT_EQ(std::string(failure.GetErrorMessage()), c.message);
        }
    }
}

// The lathwell-cli's output lock and another process's shared lock exclude each other, in both
// orders.
TEST(WindowsLocks, SharedAndExclusiveLocksOfTwoProcessesExcludeEachOther) {
    TempDir dir;
    const std::string output = dir.Write("out.txd", "kept\r\n");
    {
        MpIO reader(output.c_str(), IO_READ);
        ASSERT_TRUE(reader.TryLock(IO_LOCK_READ, 0, 0));
        CliChild refused(dir, {"pad", "-", "out.txd", "--length", "4", "--force"});
        ASSERT_TRUE(refused.Started());
        EXPECT_EQ(refused.Finish(), 1);
        const std::string message = TempDir::Read(dir.File("stderr"));
        EXPECT_EQ(message.substr(0, message.find('\n')),
                  "lathwell-cli: Output File \"out.txd\" is in use by another program");
    }
    EXPECT_EQ(TempDir::Read(output), "kept\r\n");
    CliChild writer(dir, {"pad", "-", "out.txd", "--length", "4", "--force"});
    ASSERT_TRUE(writer.Started());
    writer.Send("abcd\n");
    for (int wait = 0; wait < 6000 && TempDir::Read(output) == "kept\r\n"; ++wait) Sleep(10);
    MpIO reader(output.c_str(), IO_READ);
    EXPECT_FALSE(reader.TryLock(IO_LOCK_READ, 0, 0));
    EXPECT_EQ(writer.Finish(), 0);
    EXPECT_TRUE(reader.TryLock(IO_LOCK_READ, 0, 0));
    EXPECT_EQ(TempDir::Read(output), "abcd\r\n");
}

}  // namespace
