// lathwell-cli (LATHWELL_CLI_PATH) started on Windows in a working folder, with its standard
// input the read end of a pipe that the test writes, and its standard output and error
// written into the named files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One word of a command line as the C runtime splits it again: quoted, with the backslashes
// before a quote doubled.
inline std::string CommandLineWord(const std::string& word) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted.append(2 * backslashes, '\\') + '"';
}

class WindowsCliChild {
public:
    WindowsCliChild(const std::vector<std::string>& arguments, const std::string& workDir,
                    const std::string& outPath, const std::string& errPath) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        auto create = [&](const std::string& path) {
            return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               CREATE_ALWAYS, 0, nullptr);
        };
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        CreatePipe(&startup.hStdInput, &m_input, &inherit, 0);
        SetHandleInformation(m_input, HANDLE_FLAG_INHERIT, 0);
        startup.hStdOutput = create(outPath);
        startup.hStdError = create(errPath);
        std::string commandLine = CommandLineWord(LATHWELL_CLI_PATH);
        for (const std::string& argument : arguments) commandLine += " " + CommandLineWord(argument);
        m_started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   workDir.empty() ? nullptr : workDir.c_str(), &startup, &m_process);
        for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(handle);
    }
    ~WindowsCliChild() {
        if (m_input != nullptr) CloseHandle(m_input);
        if (m_started) {
            CloseHandle(m_process.hThread);
            CloseHandle(m_process.hProcess);
        }
    }
    WindowsCliChild(const WindowsCliChild&) = delete;
    WindowsCliChild& operator=(const WindowsCliChild&) = delete;

    bool Started() const { return m_started; }
    void Send(const std::string& bytes) {
        DWORD written = 0;
        WriteFile(m_input, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    // Ends the input and returns the exit status, or -1 when the program did not end in five
    // minutes.
    int Finish() {
        CloseHandle(m_input);
        m_input = nullptr;
        DWORD status = 0;
        if (WaitForSingleObject(m_process.hProcess, 300000) != WAIT_OBJECT_0) return -1;
        GetExitCodeProcess(m_process.hProcess, &status);
        return static_cast<int>(status);
    }

private:
    HANDLE m_input = nullptr;
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};
