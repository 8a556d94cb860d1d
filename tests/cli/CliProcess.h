// Runs the built lathwell-cli as a child process with given arguments, working directory and
// standard input, and captures its exit status, standard output and standard error exactly.
// The three streams are plain files in a temporary directory of the runner's own, so the
// child sees files, not terminals (no progress line is drawn); standard output may instead be
// sent to a given path (such as /dev/full), and is then not captured.
//
// StartCliProcess and WaitForCliProcess are the two halves, for tests that connect the child's
// streams to pipes of their own. Every descriptor the test opens must be close-on-exec, so that
// the child holds no end of a pipe but the ones it is given.
#pragma once

#ifdef _WIN32
#include "WindowsCliChild.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <string>
#include <vector>

#include "TempDir.h"

namespace lathwell::cli {

struct CliOutcome {
    int status = -1;  // the exit status, or -1 when the child did not exit normally
    std::string out;
    std::string err;
};

#ifdef _WIN32
// Windows has RunCliProcess only (StartCliProcess's tests use pipes and signals).
inline CliOutcome RunCliProcess(const std::vector<std::string>& arguments, const std::string& workDir = "",
                                const std::string& standardInput = "",
                                const std::string& standardOutputPath = "") {
    TempDir streams;
    std::string outPath = standardOutputPath.empty() ? streams.File("stdout") : standardOutputPath;
    CliOutcome outcome;
    {
        WindowsCliChild child(arguments, workDir, outPath, streams.File("stderr"));
        if (child.Started()) {
            child.Send(standardInput);
            outcome.status = child.Finish();
        }
    }
    if (standardOutputPath.empty()) outcome.out = TempDir::Read(outPath);
    outcome.err = TempDir::Read(streams.File("stderr"));
    return outcome;
}

#else

// Starts lathwell-cli with in, out and err as its standard input, output and error, in workDir
// when it is not empty, and with the test's environment plus extraEnvironment ("NAME=value"
// entries, which win). SIGPIPE starts at its default, as from a shell, even when the test
// process ignores it. Returns the child's process id, or -1.
inline pid_t StartCliProcess(const std::vector<std::string>& arguments, const std::string& workDir, int in,
                             int out, int err, const std::vector<std::string>& extraEnvironment = {}) {
    std::vector<std::string> words{LATHWELL_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    // Built before the fork: the child may only make the calls that are safe after one.
    std::vector<std::string> environment(extraEnvironment);
    for (char** entry = environ; *entry != nullptr; ++entry) environment.push_back(*entry);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
        if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
        signal(SIGPIPE, SIG_DFL);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return child;
}

// Waits for the child and returns its exit status, or -1 when it did not exit normally.
inline int WaitForCliProcess(pid_t child) {
    int waitStatus = 0;
    if (child > 0 && waitpid(child, &waitStatus, 0) == child && WIFEXITED(waitStatus)) {
        return WEXITSTATUS(waitStatus);
    }
    return -1;
}

inline CliOutcome RunCliProcess(const std::vector<std::string>& arguments, const std::string& workDir = "",
                                const std::string& standardInput = "",
                                const std::string& standardOutputPath = "") {
    TempDir streams;
    std::string inPath = streams.Write("stdin", standardInput);
    std::string outPath = standardOutputPath.empty() ? streams.File("stdout") : standardOutputPath;
    std::string errPath = streams.File("stderr");

    int in = open(inPath.c_str(), O_RDONLY | O_CLOEXEC);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    CliOutcome outcome;
    if (in >= 0 && out >= 0 && err >= 0) {
        outcome.status = WaitForCliProcess(StartCliProcess(arguments, workDir, in, out, err));
    }
    for (int descriptor : {in, out, err}) {
        if (descriptor >= 0) close(descriptor);
    }
    if (standardOutputPath.empty()) outcome.out = TempDir::Read(outPath);
    outcome.err = TempDir::Read(errPath);
    return outcome;
}

#endif

}  // namespace lathwell::cli
