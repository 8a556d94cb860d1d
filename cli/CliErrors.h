// The two ways lathwell-cli refuses to start a run, both ending it with exit status 2 before
// anything is written; and the stop of a command that is not a run.
#pragma once

#include <stdexcept>

namespace lathwell::cli {

// A mistake on the command line itself (unknown option, missing operand, bad value).
class CliUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line that is well formed but names files or columns that cannot be used.
class CliRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A stop signal caught while a command other than a run (layout, fields) was at work: nothing
// more is printed, and the exit status is the signal's (128 + its number).
class CliStopped : public std::runtime_error {
public:
    CliStopped() : std::runtime_error("stopped by a signal") {}
};

// Raises CliStopped once an interrupt, terminate or hang-up signal has been caught: cheap
// enough for every step of a loop.
void StopIfAsked();

}  // namespace lathwell::cli
