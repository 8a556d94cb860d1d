// The unpacking of a fixed-length file into CSV: a header line of field names, then one line
// per record (see RecordUnpacker), written through a RecordWriter with the same care as a
// conversion's records: a named output is opened as a prepared run's is (locked before it is
// created or emptied, created exclusively when it must not exist yet; see PrepareOutput), and
// removed again when the run is stopped, only while it is the file this run made (see
// RecordWriter::Abandon). A record that is not where and what the layout expects (wrong length,
// wrong record end) fails the run: its fields cannot be read.
#pragma once

#include <cstdint>
#include <memory>

#include "ConversionObserver.h"
#include "ConversionRun.h"
#include "FixedRecordReader.h"
#include "GzipLevel.h"
#include "MpString.h"
#include "RecordChecker.h"
#include "RecordUnpacker.h"
#include "RecordWriter.h"

namespace lathwell {

struct UnpackSettings {
    MpString outputName;  // not used when a writer is handed over
    bool createNew = false;
    int threads = 0;         // gzip output: compression threads, as ConversionSettings::threads
    int level = kDefaultGzipLevel;  // gzip output: compression level, as ConversionSettings::level
    int64_t inputBytes = 0;  // the input's size for the observer, 0 when unknown
};

struct UnpackResult {
    RunOutcome outcome = RunOutcome::Completed;
    int64_t records = 0;        // records unpacked
    MpString message;           // the failure, empty when there was none
    int64_t failureRecord = 0;  // the record the failure came from, 0 for none
};

// Unpacks every record of reader. handedOver, when not null, is written instead of the named
// output (standard output; never removed). REQUIRES: the writer's record length is at least
// unpacker.LongestLine(). The observer is asked about a cancel as the input's watch (see
// ObserverWatch): after every block read and while a read waits.
// Raises RunRefusal when the named output is refused, before anything is read or created;
// later failures do not escape: the result tells them, and the lines written before remain.
UnpackResult UnpackRecords(FixedRecordReader& reader, const RecordUnpacker& unpacker,
                           const RecordChecker& checker, const UnpackSettings& settings,
                           std::unique_ptr<RecordWriter> handedOver, ConversionObserver& observer);

}  // namespace lathwell
