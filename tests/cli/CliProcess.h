// Runs the built lathwell-cli as a child process with given arguments, working directory and
// standard input, and captures its exit status, standard output and standard error exactly.
// The three streams are plain files in a temporary directory of the runner's own, so the
// child sees files, not terminals (no progress line is drawn); standard output may instead be
// sent to a given path (such as /dev/full), and is then not captured.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TempDir.h"

struct CliOutcome {
    int status = -1;  // the exit status, or -1 when the child did not exit normally
    std::string out;
    std::string err;
};

inline CliOutcome RunCliProcess(const std::vector<std::string>& arguments, const std::string& workDir = "",
                                const std::string& standardInput = "",
                                const std::string& standardOutputPath = "") {
    TempDir streams;
    std::string inPath = streams.Write("stdin", standardInput);
    std::string outPath = standardOutputPath.empty() ? streams.File("stdout") : standardOutputPath;
    std::string errPath = streams.File("stderr");

    std::vector<char*> argv;
    std::string program = LATHWELL_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies(arguments);
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
        int in = open(inPath.c_str(), O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(127);
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    CliOutcome outcome;
    int waitStatus = 0;
    if (child > 0 && waitpid(child, &waitStatus, 0) == child && WIFEXITED(waitStatus)) {
        outcome.status = WEXITSTATUS(waitStatus);
    }
    if (standardOutputPath.empty()) outcome.out = TempDir::Read(outPath);
    outcome.err = TempDir::Read(errPath);
    return outcome;
}
