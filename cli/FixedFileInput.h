// The input of "check" and "unpack": a fixed-length file, its layout (from --dd, or a record
// length alone from --length) and the reader that finds its records by --record-end.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "Cli.h"
#include "CliArguments.h"
#include "FixedRecordReader.h"
#include "RecordLayout.h"

namespace lathwell::cli {

struct FixedFileInput {
    RecordLayout layout;
    std::unique_ptr<FixedRecordReader> reader;
    int64_t inputBytes = 0;   // the size of a plain named file, for the progress line; else 0
    std::string displayName;  // how messages name the input
};

// Refuses a missing input and a DD file without a usable layout (CliRefusal, or the DD file's
// and the layout's MpException) before the input is opened.
FixedFileInput OpenFixedFileInput(const CliArguments& arguments, const CliStreams& streams);

// Warns on err when the input, named as gzip, was read as plain text.
void WarnIfNotCompressed(const FixedFileInput& input, std::ostream& err);

// "FILE:RECORD: " for a record of the input.
std::string RecordPlace(const FixedFileInput& input, int64_t record);

}  // namespace lathwell::cli
