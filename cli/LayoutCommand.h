// The "layout" command: where every field the DD file offers lies in a record (start, end,
// length, numeric or text, section), with a column ruler of the record on which the fields
// are marked. Fields that overlap and fields that end past the record length are flagged.
#pragma once

#include "Cli.h"
#include "CliArguments.h"

namespace lathwell::cli {

// REQUIRES: arguments.command is CliCommand::Layout.
int RunLayoutCommand(const CliArguments& arguments, const CliStreams& streams);

}  // namespace lathwell::cli
