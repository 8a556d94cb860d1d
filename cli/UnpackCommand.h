// The "unpack" command: writes the records of a fixed-length file to OUTPUT as CSV (see
// RecordUnpacker and UnpackRecords), with the refusals of a conversion before anything is
// written: an existing OUTPUT needs --force, an OUTPUT that is the input or the DD file is
// refused. The number of records is reported on standard error (with --json as one JSON
// object on standard output, or on standard error when OUTPUT is "-"). Exit status as a
// conversion's: 0, 1 when the run failed midway (the lines written so far remain), 2 for a
// refusal, 128 + N when stopped by signal N (the output is deleted).
#pragma once

#include "Cli.h"
#include "CliArguments.h"

namespace lathwell::cli {

// REQUIRES: arguments.command is CliCommand::Unpack.
int RunUnpackCommand(const CliArguments& arguments, const CliStreams& streams);

}  // namespace lathwell::cli
