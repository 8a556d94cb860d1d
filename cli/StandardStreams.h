// How lathwell-cli opens an INPUT or OUTPUT, "-" included. "-" is read and written as a stream,
// never copied to a file first, and always plain: run as a program, through the descriptors of
// the process's standard input and output (the engine's descriptor reader and writer); run
// in-process by the tests, through the C++ streams it was handed, with the same line rules and
// failure messages ("Reading standard input failed", "Writing to standard output failed").
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Cli.h"
#include "LineReader.h"
#include "RecordWriter.h"

namespace lathwell::cli {

// How messages name an input: "standard input" for "-", else the name as given.
std::string InputDisplayName(const std::string& name);

// The reader of an input, blanking nothing (the run switches blanking on after a CSV header):
// "-" as above, a file as the run reads it (gzip by its name). Raises the reader's MpException
// when a file cannot be opened.
std::unique_ptr<LineReader> OpenInputReader(const std::string& name, const CliStreams& streams);

// The writer of the output "-". REQUIRES: recordLength > 0.
std::unique_ptr<RecordWriter> OpenStandardOutputWriter(const CliStreams& streams, int32_t recordLength);

// Whether standard input is redirected from the file called name, or standard output into it;
// always false for the tests' string streams.
bool StandardInputIsFile(const CliStreams& streams, const std::string& name);
bool StandardOutputIsFile(const CliStreams& streams, const std::string& name);

// Whether standard input and standard output are one and the same regular file
// ("pad - - < f >> f"); two ends of one terminal are not.
bool StandardStreamsAreOneFile(const CliStreams& streams);

}  // namespace lathwell::cli
