// The "fields" command: the fields a DD file offers for matching, in the field selection
// dialog's first order, and with --csv the automatic match of every column of a CSV header;
// with --init, a new DD file for a CSV, written to standard output.
#pragma once

#include "Cli.h"
#include "CliArguments.h"

namespace lathwell::cli {

// REQUIRES: arguments.command is CliCommand::Fields.
int RunFieldsCommand(const CliArguments& arguments, const CliStreams& streams);

}  // namespace lathwell::cli
