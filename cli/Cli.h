// lathwell-cli's entry point, callable in-process: main() hands it the arguments and the
// three standard streams, the tests hand it string streams.
//
// RunCli never exits the process and never throws; it returns the exit status:
//   0  the command completed;
//   1  a conversion failed midway (its message and statistics are still reported, and the
//      records written before the failure remain);
//   2  a usage or validation error, reported before anything was written;
//   128 + N  stopped by signal N: interrupt, terminate or hang-up cancel a run (its output is
//      deleted, its statistics reported); a closed standard output, or an output FIFO whose
//      reader went away, ends any command quietly (141).
// Every error is one line on the error stream, prefixed "lathwell-cli: ".
#pragma once

#include <istream>
#include <ostream>

namespace lathwell::cli {

struct CliStreams {
    std::istream& in;    // read when an input is "-"
    std::ostream& out;   // records when an output is "-"; --json; --help, --version, fields
    std::ostream& err;   // messages, statistics, progress
    bool errIsTerminal;  // whether the live progress line may be drawn on err
    // in and out are the process's standard input and output (main says so): an input or
    // output "-" is then read and written through their descriptors, bypassing the C++ streams.
    // Left false, as the tests' string streams leave it, "-" goes through in and out.
    bool processStreams = false;
};

int RunCli(int argc, const char* const* argv, const CliStreams& streams);

}  // namespace lathwell::cli
