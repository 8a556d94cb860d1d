// The command line of lathwell-cli, parsed into one CliArguments value.
//
// ParseCliArguments only reads the argument texts: it never touches a file. It accepts
// options anywhere after the command, "--name value" and "--name=value" alike, "--" to end
// the options, and "-" as an ordinary operand (standard input or output). An option that
// does not belong to the command, a missing or surplus operand, or a malformed value
// raises CliUsageError with a one-line message that names the offending text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CliErrors.h"

namespace lathwell::cli {

enum class CliCommand { Help, Version, Pad, Csv, Fields };

// One --map or --ignore, kept in command-line order so that a later one wins.
struct ColumnOverride {
    std::string column;  // a header text, or "#N" for the 1-based column N
    std::string field;   // a shown field name, or "@J" for section J; empty for --ignore
    bool ignore = false;
};

struct CliArguments {
    CliCommand command = CliCommand::Help;
    std::string input;         // pad, csv: the input file, "-" for standard input
    std::string output;        // pad, csv: the output file, "-" for standard output
    std::string ddFile;        // csv: --dd; fields: the operand
    std::string csvInput;      // fields: --csv, empty when not given
    int32_t recordLength = 0;  // pad: --length
    bool population = false;
    bool blankUnprintable = false;
    bool force = false;
    bool quiet = false;
    bool json = false;
    int threads = 0;           // pad, csv: --threads, gzip output's compression threads (0: cores)
    std::vector<ColumnOverride> overrides;
};

// REQUIRES: argv holds argc texts; argv[0] (the program name) is skipped.
CliArguments ParseCliArguments(int argc, const char* const* argv);

// The text of --help, ending in a line feed.
const std::string& CliHelpText();

}  // namespace lathwell::cli
