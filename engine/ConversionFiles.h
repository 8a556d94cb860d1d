// How the conversion run picks the reader and writer for a name, for callers that open an
// input or output themselves and hand it to the run (see OpenedFiles in ConversionRun.h).
//
// A name whose extension is ".gz" in any case is gzip (data.txd.gz is, data.gz.txd is not);
// any other file is plain. "-" is no file: it stands for standard input or standard output,
// which are always plain and are read and written through their descriptors as a stream.
#pragma once

#include <cstdint>
#include <memory>

#include "GzipLevel.h"
#include "LineReader.h"
#include "RecordWriter.h"

namespace lathwell {

// True for "-", the name of standard input (as an input) and standard output (as an output).
bool IsStandardStreamName(const char* name);

// True when the name's extension is ".gz" in any case.
bool IsCompressedName(const char* name);

// Opens the named file as the run reads its input: gzip when IsCompressedName, else plain.
// Raises the reader's MpException when the file cannot be opened.
std::unique_ptr<LineReader> OpenFileLineReader(const char* fileName, bool blankUnprintable);

// Like OpenFileLineReader, except that "-" reads the process's standard input.
std::unique_ptr<LineReader> OpenLineReader(const char* name, bool blankUnprintable);

// Opens the named output of a run, once: gzip when IsCompressedName, else plain; the writer
// keeps that opening and never opens the file again by name. A regular file (or a name not yet
// taken) is held for the writer's whole life by an exclusive lock, taken before the file is
// emptied, so two runs never write into one file: while another run or program holds it,
// raises RunRefusal OutputInUse "Output File \"<name>\" is in use by another program" and
// leaves the file as it was. With createNew the file is created exclusively, and an existing
// one raises RunRefusal OutputExists "Output File \"<name>\" already exists". Such a file is
// the run's own: the writer's Abandon removes it. A device or pipe is opened as it is: not
// locked, not emptied, never removed. Other failures to open are the library's MpException.
// A gzip output is compressed on `threads` threads at `level` (see GzipRecordWriter).
// REQUIRES: recordLength > 0; level from kFastestGzipLevel to kSmallestGzipLevel.
std::unique_ptr<RecordWriter> OpenFileRecordWriter(const char* fileName, int32_t recordLength, bool createNew,
                                                   int threads = 1, int level = kDefaultGzipLevel);

// Writes records to the process's standard output.
// REQUIRES: recordLength > 0.
std::unique_ptr<RecordWriter> OpenStandardOutput(int32_t recordLength);

}  // namespace lathwell
