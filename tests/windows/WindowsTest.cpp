// What the library and lathwell-cli do on Windows itself: full path names with drive letters
// and UNC shares, the system's codes and texts in failures, and byte-range locks between two
// processes. (Ctrl-C stopping a run: tests/windows/wine_check.sh.)
#include <windows.h>
#undef GetTempFileName  // the character-set macro would rename the library's member

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "MpException.h"
#include "MpIO.h"
#include "MpString.h"
#include "MpPlatformPath.h"
#include "TempDir.h"

namespace {

// The system's own text for an error code, as FormatMessageA gives it without its line break.
std::string SystemText(DWORD code) {
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    return std::string(text, length);
}

// lathwell-cli started in dir with its standard input the read end of a pipe that the test
// writes, and standard output and error into files there.
class CliChild {
public:
    CliChild(const TempDir& dir, const std::string& arguments) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE readEnd = nullptr;
        CreatePipe(&readEnd, &m_input, &inherit, 0);
        SetHandleInformation(m_input, HANDLE_FLAG_INHERIT, 0);
        HANDLE out = CreateFileA(dir.File("stdout").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 0, nullptr);
        HANDLE err = CreateFileA(dir.File("stderr").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 0, nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = readEnd;
        startup.hStdOutput = out;
        startup.hStdError = err;
        std::string commandLine = "\"" LATHWELL_CLI_PATH "\" " + arguments;
        m_started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                   nullptr, dir.Path().string().c_str(), &startup, &m_process);
        for (HANDLE handle : {readEnd, out, err}) CloseHandle(handle);
    }
    ~CliChild() {
        if (m_input != nullptr) CloseHandle(m_input);
        if (m_started) {
            CloseHandle(m_process.hThread);
            CloseHandle(m_process.hProcess);
        }
    }
    bool Started() const { return m_started; }
    void Send(const std::string& bytes) {
        DWORD written = 0;
        WriteFile(m_input, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    // Ends the input and returns the exit status (or -1 when the program did not end in a minute).
    int Finish() {
        CloseHandle(m_input);
        m_input = nullptr;
        DWORD status = 0;
        if (WaitForSingleObject(m_process.hProcess, 60000) != WAIT_OBJECT_0) return -1;
        GetExitCodeProcess(m_process.hProcess, &status);
        return static_cast<int>(status);
    }

private:
    HANDLE m_input = nullptr;
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
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
        CliChild refused(dir, "pad - out.txd --length 4 --force");
        ASSERT_TRUE(refused.Started());
        EXPECT_EQ(refused.Finish(), 1);
        const std::string message = TempDir::Read(dir.File("stderr"));
        EXPECT_EQ(message.substr(0, message.find('\n')),
                  "lathwell-cli: Output File \"out.txd\" is in use by another program");
    }
    EXPECT_EQ(TempDir::Read(output), "kept\r\n");
    CliChild writer(dir, "pad - out.txd --length 4 --force");
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
