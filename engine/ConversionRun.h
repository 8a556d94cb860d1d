// The conversion run: reads an input file line by line and writes one fixed-length record,
// followed by the record end of the settings (CR LF by default), for every non-empty line.
//
// Two modes, chosen by the DD file name in the settings:
//   - pad/truncate (empty DD file name): each line is blank-padded on the right or cut to the
//     record length; optionally every unprintable byte (outside 32..126) becomes a blank;
//   - CSV conversion: the header line is skipped and every further line is split at commas;
//     each column that the field position map matches to a DD field is placed at that field's
//     offset and length in a record of blanks (see CsvRecordBuilder).
// A file whose extension is ".gz" (any case) is read or written as gzip. The caller may instead
// hand the run a reader or writer it opened itself (standard input and output; see
// OpenedFiles), which the run then uses in place of the named file.
//
// The run owns its files, reader, writer and field layout for its duration and releases them
// before it returns. It reports through a ConversionObserver and never prints or exits.
// Failures do not escape: the result says how the run ended, and the statistics gathered up to
// a failure stay as they were counted.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ConversionObserver.h"
#include "GzipLevel.h"
#include "LineReader.h"
#include "MpString.h"
#include "MpVector.h"
#include "RecordWriter.h"

namespace lathwell {

struct ConversionSettings {
    MpString inputName;
    MpString outputName;
    // Empty: pad/truncate run. Otherwise the DD file of a CSV conversion.
    MpString ddFileName;
    // Length of every output record in bytes; a run with a length below 1 fails at once.
    int32_t recordLength = 0;
    // CSV run: place fields at their PopByteOffset where the DD field has one.
    bool usePopulationFields = false;
    // Replace every unprintable byte of a line by a blank (counted in LinesAsciiFixed).
    bool blankUnprintable = false;
    // CSV run: one entry per column of the header line; 0 or more is the section index of the
    // DD field the column feeds, a negative entry an ignored column.
    MpVector<int16_t> fieldPositions;
    // CSV run: the byte that separates the columns of a data line.
    char delimiter = ',';
    // 0: no limit. N > 0: the run ends (Completed) after N data lines were read: every line of
    // a pad run, the lines after the header of a CSV run; empty lines count.
    int64_t lineLimit = 0;
    // Read, convert and count everything, but open, create and write no output.
    bool dryRun = false;
    // CSV run: the first value longer than its field fails the run instead of being cut.
    bool stopAtFirstCut = false;
    // CSV run: the first value that cannot be placed as the DD file declares it (text after a
    // closing quote, a value not of its field's declared form) fails the run instead of being
    // counted.
    bool refuseMisplacedValues = false;
    // CSV run: a value cut inside a UTF-8 character is cut before that character instead, the
    // rest of its field blank.
    bool cutOnCharacters = false;
    // Threads that convert the lines (pad and CSV runs without a line limit; see
    // BlockConversion) and that compress a gzip output; 0 = the available cores; 1 = one
    // thread: the lines converted one by one, gzip output byte-identical to zlib's gzwrite.
    // Records, statistics and failures are the same for every count.
    int threads = 0;
    // gzip output: compression level, kFastestGzipLevel to kSmallestGzipLevel.
    int level = kDefaultGzipLevel;
    // The output must not exist: it is created exclusively (the check and the creation one
    // step), or the run fails with "Output File \"<name>\" already exists".
    bool createNew = false;
    // A run that fails removes the output it created or emptied (all or nothing); a stopped run
    // always does.
    bool removeOutputOnFailure = false;
    // What follows every record written.
    RecordEnd recordEnd = RecordEnd::CrLf;
};

// The eight counters shown in the results; all start at 0.
struct RunStatistics {
    // Non-empty lines read (the CSV header line is not counted).
    int32_t LinesProcessed = 0;
    // Length of the shortest and the longest non-empty line, before padding or truncation;
    // both 0 while there is none.
    int32_t MinRecordLength = 0;
    int32_t MaxRecordLength = 0;
    // Pad/truncate: lines truncated, padded, or with a byte blanked.
    // CSV: records in which at least one field was truncated or padded.
    int32_t RecordsEdited = 0;
    // Pad/truncate: lines longer than the record length. CSV: stays 0.
    int32_t LinesTruncated = 0;
    // Pad/truncate: lines shorter than the record length.
    // CSV: records in which at least one field was padded.
    int32_t LinesPadded = 0;
    // Lines of length 0; they produce no record.
    int32_t EmptyRecordsSkipped = 0;
    // Pad/truncate: lines in which at least one unprintable byte was blanked. CSV: stays 0.
    int32_t LinesAsciiFixed = 0;
};

// Adds one to a statistic. A count that reaches the largest 32-bit value stays there rather than
// overflowing (over two thousand million lines).
inline void CountOne(int32_t& counter) {
    if (counter != INT32_MAX) ++counter;
}

// Adds count (0 or more) to a statistic, which likewise stops at the largest 32-bit value.
inline void AddCount(int32_t& counter, int64_t count) {
    counter = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, counter + count));
}

enum class RunOutcome {
    Completed,  // the whole input was converted and both files closed
    Cancelled,  // the observer asked to stop; an output file the run created or emptied was
                // removed, before anything else and while the run still held it
    Failed      // a failure ended the run; the output holds the records written before it
};

// The values of one DD field that were cut to its Length in a CSV run.
struct FieldCut {
    int16_t sectionIndex;  // the field's section in the DD file
    int64_t count;         // values cut
    int64_t firstLine;     // line of the first one, numbered as ConversionResult::failureLine
    int64_t characterCuts = 0;  // of those, the values cut inside a UTF-8 character
};

// The values of one DD field that did not fit the field's declared form and were placed as
// written (see FieldFormatter).
struct FormMismatch {
    int16_t sectionIndex;
    int64_t count;
    int64_t firstLine;
    std::string firstValue;
};

// Lines of a CSV run that had something happen to them: how many, and the first one.
struct LineCount {
    int64_t count = 0;
    int64_t firstLine = 0;
};

struct PreparedRun;
class RunRefusal;

struct ConversionResult {
    RunOutcome outcome = RunOutcome::Completed;
    RunStatistics statistics;
    // The failure shown to the user through ReportFailure, empty when there was none. A
    // cancelled run can carry one too: a failure on the last line handled, or a failure to
    // delete the output.
    MpString message;
    // 1-based line of the input whose reading or handling failed: the header is line 1 and
    // empty lines count (a reader handed over counts the lines its caller read from it). 0 when
    // the failure came from no line (opening, writing, closing) or there was none.
    int64_t failureLine = 0;
    // CSV run: one entry for every DD field that had values cut, in section-index order.
    std::vector<FieldCut> fieldCuts;
    // CSV run: one entry for every DD field that had values not of its declared form.
    std::vector<FormMismatch> formMismatches;
    // CSV run: the lines with text after a closing quote, which belongs to no column.
    LineCount textAfterQuote;
    // The input, named as compressed, held plain text and was read as it is.
    bool inputWasPlainText = false;
};

// An input or output that the caller opened and hands over to the run, which owns it from then
// on. A null member leaves that side to the run, which opens the file the settings name; the
// settings' name for a side handed over is not used.
struct OpenedFiles {
    // Read from where it stands: in a CSV run just after the header line, which the caller has
    // read (the run does not skip one). The run switches its blanking to the settings' choice.
    // RunStarting hears its InputSize.
    std::unique_ptr<LineReader> input;
    // Written from where it stands and never deleted or emptied: after a cancel or a failure
    // the records written so far remain. REQUIRES: its record length is the settings' one.
    std::unique_ptr<RecordWriter> output;
};

// Runs one conversion: prepares it (see PrepareRun in RunPreparation.h: every file opened once,
// a named output locked before it is created or emptied), then converts every line. The
// observer hears of the input size first, is asked about a cancel once per block read and is handed
// any failure message, a refusal of the preparation among them; see ConversionObserver.
// A run that is stopped, or fails with removeOutputOnFailure, removes the output it created or
// emptied while it still holds it (see RecordWriter::Abandon): never a device, a pipe, a
// symbolic link, a file it did not open or one another run holds. An output handed over is
// never removed.
ConversionResult RunConversion(const ConversionSettings& settings, ConversionObserver& observer);
ConversionResult RunConversion(const ConversionSettings& settings, OpenedFiles opened, ConversionObserver& observer);
// Runs a conversion that the caller prepared with PrepareRun.
ConversionResult RunConversion(PreparedRun run, ConversionObserver& observer);
// The result of a run whose preparation was refused, handed to the observer as its failure (a
// refused header line is line 1). The observer has heard RunStarting already.
ConversionResult RefusedRun(const RunRefusal& refusal, ConversionObserver& observer);

}  // namespace lathwell
