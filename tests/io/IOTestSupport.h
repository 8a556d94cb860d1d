// Helpers of the I/O tests: an in-memory stream, the failure of a call as text, and child
// processes (for a second lock holder, or for a process without root's privileges).
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "MpException.h"
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

// A child process that holds something (a lock) until it is told to let go. start runs in the
// child; once it returns the child reports ready and waits for Release().
class ChildHolder {
public:
    explicit ChildHolder(const std::function<void()>& start) {
        if (pipe(m_ready) != 0 || pipe(m_release) != 0) return;
        m_child = fork();
        if (m_child == 0) {
            close(m_ready[0]);
            close(m_release[1]);
            char code = 'R';
            try {
                start();
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
    ~ChildHolder() { Release(); }
    ChildHolder(const ChildHolder&) = delete;
    ChildHolder& operator=(const ChildHolder&) = delete;

    // The child holds what start took.
    bool IsReady() const { return m_bReady; }
    // Lets the child end (releasing what it holds) and waits for it.
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
