// The two ways lathwell-cli refuses to start a run; both end it with exit status 2 before
// anything is written.
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

}  // namespace lathwell::cli
