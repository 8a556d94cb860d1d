// The "check" command: reads a fixed-length file and reports every record that is not what its
// layout says (see RecordChecker), on standard output: one line per finding,
// "FILE:RECORD:FIELD: what" ("FILE:RECORD: what" for the record as a whole), the first 20 of
// each kind, then the number of records and the findings counted by kind; with --json one
// JSON object instead. Exit status 0 when every record is clean, 1 when one is not or reading
// failed, 2 for a refusal before the file is read.
#pragma once

#include "Cli.h"
#include "CliArguments.h"

namespace lathwell::cli {

// REQUIRES: arguments.command is CliCommand::Check.
int RunCheckCommand(const CliArguments& arguments, const CliStreams& streams);

}  // namespace lathwell::cli
