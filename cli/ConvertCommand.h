// The "pad" and "csv" commands: the checks the Process command makes before a run, then the
// run itself, then the report of its statistics.
//
// Every refusal (CliRefusal) comes before anything is written: the output is created only by
// the run. A run that fails midway gives exit status 1 with its message (and the input line it
// came from) and its statistics. A CSV run warns of columns it leaves out, a byte order mark
// and values cut to their field; --strict refuses the first two and stops at the first cut,
// leaving no output.
#pragma once

#include "Cli.h"
#include "CliArguments.h"

namespace lathwell::cli {

// REQUIRES: arguments.command is CliCommand::Pad or CliCommand::Csv.
int RunConvertCommand(const CliArguments& arguments, const CliStreams& streams);

}  // namespace lathwell::cli
