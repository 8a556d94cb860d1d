// The command line of lathwell-cli, parsed into one CliArguments value.
//
// ParseCliArguments only reads the argument texts: it never touches a file. It accepts
// options anywhere after the command, "--name value" and "--name=value" alike, the short
// forms "-l N", "-f" and "-q", "--" to end the options, and "-" as an ordinary operand
// (standard input or output). An option that does not belong to the command, a missing or
// surplus operand, or a malformed value raises CliUsageError with a one-line message that
// names the offending text and, for a mistyped command or option, the nearest one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CliErrors.h"
#include "GzipLevel.h"
#include "RecordEnd.h"

namespace lathwell::cli {

enum class CliCommand { Help, Version, Pad, Csv, Fields, Layout, Check, Unpack };

// One --map or --ignore, kept in command-line order so that a later one wins.
struct ColumnOverride {
    std::string column;  // a header text, or "#N" for the 1-based column N
    std::string field;   // a shown field name, or "@J" for section J; empty for --ignore
    bool ignore = false;
};

struct CliArguments {
    CliCommand command = CliCommand::Help;
    // Help: the command whose help is asked for ("COMMAND --help", "help COMMAND"); Help
    // itself for the general help.
    CliCommand helpTopic = CliCommand::Help;
    std::string input;         // pad, csv, check, unpack: the input file, "-" for standard input
    std::string output;        // pad, csv, unpack: the output file, "-" for standard output
    std::string ddFile;        // csv, check, unpack: --dd; fields, layout: the operand
    std::string csvInput;      // fields: --csv or --init, empty when neither is given
    bool initLayout = false;   // fields: --init, write a DD file for csvInput
    int64_t scanLines = 0;     // fields --init: data lines measured, 0 for all
    std::string headerFrom;    // csv: --header-from, the file whose first line is the header
    int32_t recordLength = 0;  // pad, check: --length
    char delimiter = ',';      // csv, fields, unpack: --delimiter
    RecordEnd recordEnd = RecordEnd::CrLf;  // pad, csv, check, unpack: --record-end
    bool keepFill = false;                  // unpack: --keep-fill
    int64_t headLines = 0;     // pad, csv: --head, 0 for no limit
    bool dryRun = false;
    bool strict = false;
    bool cutOnCharacters = false;  // csv: --cut-on-characters
    bool checkLayout = false;      // layout: --check, list the DD file's mistakes instead
    bool population = false;
    bool blankUnprintable = false;
    bool force = false;
    bool quiet = false;
    bool json = false;
    int threads = 0;  // pad, csv, unpack: --threads, converting and gzip-compressing threads (0: cores)
    int level = kDefaultGzipLevel;  // pad, csv, unpack: --level, gzip output's compression level
    std::vector<ColumnOverride> overrides;
};

// REQUIRES: argv holds argc texts; argv[0] (the program name) is skipped.
CliArguments ParseCliArguments(int argc, const char* const* argv);

// The text of --help for a command (Help: the general help), ending in a line feed. Every
// line fits 80 columns.
std::string CliHelpText(CliCommand topic = CliCommand::Help);

}  // namespace lathwell::cli
