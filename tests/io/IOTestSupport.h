// Helpers of the I/O tests: an in-memory stream, the failure of a call as text, and child
// processes (for a second lock holder, or on Linux for a process without root's privileges).
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#ifdef _WIN32
#include <cstdio>
#include <cstdlib>

#include <windows.h>
#undef GetClassName  // the character-set macros would rename the library's members
#undef GetTempFileName
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "MpException.h"
#include "MpIO.h"
#include "MpIOSystem.h"
#include "MpStreamInterface.h"
#include "MpString.h"

// An in-memory stream without a buffer view, so line reading on it takes the byte-at-a-time
// path: the reference that the buffered line reading of MpIO must match.
class MemoryStream : public MpStreamInterface {
public:
    explicit MemoryStream(std::string bytes = "") : m_bytes(std::move(bytes)) {}

    void GetStreamName(MpString& sName) const override { sName = "memory"; }
    int32_t Read(void* pBuffer, int32_t lCount, bool bRequired) override {
        size_t ulTake = std::min(static_cast<size_t>(lCount), m_bytes.size() - m_ulPosition);
        std::memcpy(pBuffer, m_bytes.data() + m_ulPosition, ulTake);
        m_ulPosition += ulTake;
        if (bRequired && ulTake < static_cast<size_t>(lCount)) MpException::Raise("memory ended", "MemoryStream");
        return static_cast<int32_t>(ulTake);
    }
    void Write(const void* pBuffer, int32_t lCount) override {
        m_bytes.append(static_cast<const char*>(pBuffer), static_cast<size_t>(lCount));
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    size_t m_ulPosition = 0;
};

// The message, class name and call path of the MpException that call raises.
struct Failure {
    std::string message;
    std::string className;
    std::string callpath;
};

inline Failure FailureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (MpException& e) {
        return {e.GetErrorMessage(), e.GetClassName(), e.GetCallpath()};
    }
    return {"<no exception>", "", ""};
}

inline std::string MessageOf(const std::function<void()>& call) {
    return FailureOf(call).message;
}

// The system's text that a failure appends: Linux's, as the tests write it, or on Windows the
// text of the code that the same failure sets there.
inline std::string SystemText(const char* pLinuxText, unsigned long ulWindowsCode) {
#ifdef _WIN32
    static_cast<void>(pLinuxText);
    char text[512];
    DWORD dwLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    ulWindowsCode, 0, text, sizeof text, nullptr);
    while (dwLength > 0 && (text[dwLength - 1] == '\n' || text[dwLength - 1] == '\r')) --dwLength;
    return std::string(text, dwLength);
#else
    return static_cast<void>(ulWindowsCode), pLinuxText;
#endif
}

#ifndef _WIN32
// Runs body in a forked child and returns the text it produced. When unprivileged and the
// tests run as root, the child first becomes the user nobody, so permissions apply to it.
inline std::string InChildProcess(const std::function<std::string()>& body, bool bUnprivileged = false) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return "<pipe failed>";
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        std::string result;
        if (bUnprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            result = "<could not drop privileges>";
        } else {
            result = body();
        }
        ssize_t ignored = write(pipeEnds[1], result.data(), result.size());
        (void)ignored;
        _exit(0);
    }
    close(pipeEnds[1]);
    std::string result;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) result.append(buffer, static_cast<size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "<child failed>";
    return result;
}

// A child process that opens the file and holds a lock on it, on the lock path that this
// process uses, until Release().
class LockHolder {
public:
    LockHolder(const std::string& path, int iType, nativeint llOffset, nativeint llLength) {
        if (pipe(m_ready) != 0 || pipe(m_release) != 0) return;
        m_child = fork();
        if (m_child == 0) {
            close(m_ready[0]);
            close(m_release[1]);
            char code = 'R';
            try {
                (new MpIO(path.c_str(), IO_READ | IO_WRITE))->Lock(iType, llOffset, llLength);  // never closed
            } catch (...) {
                code = 'F';
            }
            ssize_t ignored = write(m_ready[1], &code, 1);
            ignored = read(m_release[0], &code, 1);
            (void)ignored;
            _exit(0);
        }
        close(m_ready[1]);
        close(m_release[0]);
        char code = 0;
        m_bReady = read(m_ready[0], &code, 1) == 1 && code == 'R';
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // The child holds the lock.
    bool IsReady() const { return m_bReady; }
    // Lets the child end (releasing the lock) and waits for it.
    void Release() {
        if (m_child <= 0) return;
        char code = 'X';
        ssize_t ignored = write(m_release[1], &code, 1);
        (void)ignored;
        close(m_release[1]);
        close(m_ready[0]);
        waitpid(m_child, nullptr, 0);
        m_child = 0;
    }

private:
    int m_ready[2] = {-1, -1};
    int m_release[2] = {-1, -1};
    pid_t m_child = 0;
    bool m_bReady = false;
};

#else

// Windows has no fork: the holder is this test program started again with the lock in its
// environment ("capabilities type offset length path"). It takes the lock before any test,
// answers on its standard output and holds the lock until its standard input ends.
inline const bool g_bLockHolderChild = [] {
    const char* pLock = std::getenv("LATHWELL_TEST_HOLD_LOCK");
    if (pLock == nullptr) return false;
    int iType = 0, iPathAt = 0;
    long long llOffset = 0, llLength = 0;
    std::sscanf(pLock, "%d %d %lld %lld %n", &MpIOSystem::OSCapabilities, &iType, &llOffset, &llLength, &iPathAt);
    char code = 'R';
    try {
        (new MpIO(pLock + iPathAt, IO_READ | IO_WRITE))->Lock(iType, llOffset, llLength);  // never closed
    } catch (...) {
        code = 'F';
    }
    DWORD dwDone = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), &code, 1, &dwDone, nullptr);
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &code, 1, &dwDone, nullptr) && dwDone == 1) {}
    ExitProcess(0);
}();

class LockHolder {
public:
    LockHolder(const std::string& path, int iType, nativeint llOffset, nativeint llLength) {
        const std::string lock = std::to_string(MpIOSystem::OSCapabilities) + " " + std::to_string(iType) + " " +
                                 std::to_string(llOffset) + " " + std::to_string(llLength) + " " + path;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        CreatePipe(&startup.hStdInput, &m_release, &inherit, 0);
        CreatePipe(&m_ready, &startup.hStdOutput, &inherit, 0);
        SetHandleInformation(m_release, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(m_ready, HANDLE_FLAG_INHERIT, 0);
        char program[MAX_PATH];
        GetModuleFileNameA(nullptr, program, sizeof program);
        SetEnvironmentVariableA("LATHWELL_TEST_HOLD_LOCK", lock.c_str());
        m_bStarted = CreateProcessA(program, nullptr, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &m_child);
        SetEnvironmentVariableA("LATHWELL_TEST_HOLD_LOCK", nullptr);
        CloseHandle(startup.hStdInput);
        CloseHandle(startup.hStdOutput);
        char code = 0;
        DWORD dwDone = 0;
        m_bReady = m_bStarted && ReadFile(m_ready, &code, 1, &dwDone, nullptr) && dwDone == 1 && code == 'R';
    }
    ~LockHolder() {
        Release();
        CloseHandle(m_ready);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool IsReady() const { return m_bReady; }
    void Release() {
        if (m_release == nullptr) return;
        CloseHandle(m_release);
        m_release = nullptr;
        if (!m_bStarted) return;
        WaitForSingleObject(m_child.hProcess, INFINITE);
        CloseHandle(m_child.hProcess);
        CloseHandle(m_child.hThread);
    }

private:
    HANDLE m_ready = nullptr;
    HANDLE m_release = nullptr;
    PROCESS_INFORMATION m_child{};
    bool m_bStarted = false;
    bool m_bReady = false;
};

#endif
