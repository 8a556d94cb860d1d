// The "pad" and "csv" commands: the checks the Process command makes before a run, then the
// run itself, then the report of its statistics.
//
// Every refusal (CliRefusal) comes before anything is written: the output is created only by
// the run. A run that fails midway gives exit status 1 with its message (and the input line it
// came from) and its statistics. A CSV run warns of columns it leaves out, a byte order mark
// and values cut to their field; --strict refuses the first two and stops at the first cut,
// leaving no output.
#pragma once

#include <cstdint>
#include <string>

#include "Cli.h"
#include "CliArguments.h"
#include "DDFile.h"
#include "RunRefusal.h"

namespace lathwell::cli {

// REQUIRES: arguments.command is CliCommand::Pad or CliCommand::Csv.
int RunConvertCommand(const CliArguments& arguments, const CliStreams& streams);

// The refusals before a run, shared by the commands that read an input or write an output.
// An input must be "-" or an existing file that is not a folder.
void CheckInputName(const std::string& name);
// The input (and --header-from) as above; the output must not be the input or the DD file
// under any name, and an existing output needs --force (unless it is a device or a pipe).
void CheckNames(const CliArguments& arguments, const CliStreams& streams);
// Raises the CliRefusal that tells the user why the output was refused.
[[noreturn]] void RefuseOutput(const std::string& output, const RunRefusal& refusal);
// The record length of the DD file for the chosen layout; refuses a DD file without one.
int32_t DDRecordLength(DDFile& ddFile, const CliArguments& arguments);
// The warning for an input named as gzip whose data was read as plain text.
std::string NotCompressedWarning(const std::string& input);

}  // namespace lathwell::cli
