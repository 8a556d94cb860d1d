// RunPreparation: everything a conversion run does before its first line, done once and in one
// place for every front end: the checks of the names, the opening of each file (once), the CSV
// header (read once) and the DD file (read once), and the output's lock.
//
// In this order, each step only when the ones before it passed:
//   1. a record length below 1 is refused;
//   2. the input (unless handed over) must not be a folder, and is opened; in a CSV run its
//      column header line is read (an input handed over stands after its header already);
//   3. CSV run: the DD file is read, once, into the field layout (CsvRecordBuilder), which
//      refuses a field that cannot be placed before anything is created;
//   4. the output must not be the input, the DD file or any other name the request lists,
//      however the names are spelt (same device and inode);
//   5. the output (unless handed over, or in a dry run) is opened: a regular file is locked
//      before it is created or emptied (see OpenFileRecordWriter), so a file another run holds
//      keeps every byte. The writer keeps that one opening: the file is never opened again by
//      name. A layout with a field past the record length withholds the output instead (see
//      PreparedRun::outputWithheld): a run that cannot build a record neither creates nor
//      empties a file.
// A refusal is a RunRefusal, which names the check and the file; a front end turns it into its
// own words and points the user to the file's box. Nothing has been created or emptied when
// PrepareRun raises.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ConversionRun.h"
#include "MpString.h"
#include "RunRefusal.h"
#include "RunStop.h"

namespace lathwell {

class CsvRecordBuilder;
class DDFile;

// A run ready to start: its files open, its layout read.
struct PreparedRun {
    ConversionSettings settings;
    // The input's size for the progress (compressed bytes for a gzip input), 0 when unknown.
    int64_t inputSize = 0;
    // Whether the input was handed over: its lines are numbered from where it stood.
    bool inputHandedOver = false;
    // Whether the output was handed over: it is closed even after a stop, and never removed.
    bool outputHandedOver = false;
    // A CSV run whose layout has a field past the record length builds no record: its first
    // non-empty line fails the run. Its output is not opened (output discards) until the loop
    // ends without such a line; then it is opened, and closed empty.
    bool outputWithheld = false;
    std::unique_ptr<LineReader> input;
    std::unique_ptr<CsvRecordBuilder> builder;  // CSV run only
    std::unique_ptr<RecordWriter> output;
    // The run's stop, shared with the input and the output (see RunStop).
    std::shared_ptr<RunStop> stop;

    PreparedRun();
    PreparedRun(PreparedRun&&) noexcept;
    PreparedRun& operator=(PreparedRun&&) noexcept;
    ~PreparedRun();
};

// Step 4 on its own, for a front end that refuses such names before it asks or reads anything:
// raises RunRefusal OutputIsInput when the output is the input or one of otherInputs, and
// OutputIsDDFile when it is the DD file (a name left empty is skipped).
void CheckOutputIsNoInput(const char* outputName, const char* inputName, const char* ddFileName,
                          const std::vector<MpString>& otherInputs = {});

// Step 5 on its own, for a run that writes records of another kind (unpack): the named output
// opened (a regular file locked, then created or emptied) for a writer of records of up to
// recordLength bytes, or RunRefusal OutputExists, OutputInUse or OutputNotOpened.
std::unique_ptr<RecordWriter> PrepareOutput(const char* outputName, int32_t recordLength, bool createNew,
                                            int threads, int level);

// Opens the output a run withheld (see PreparedRun::outputWithheld) as step 5 would have.
// Raises RunRefusal.
void OpenWithheldOutput(PreparedRun& run);

// Prepares the run the settings describe (see above), taking over what opened hands over.
// ddFile, when given, is the settings' DD file as the caller has read it already; it is read
// instead of the file. otherInputs: further names the output must not be (a header file).
// Raises RunRefusal.
PreparedRun PrepareRun(const ConversionSettings& settings, OpenedFiles opened, DDFile* ddFile = nullptr,
                       const std::vector<MpString>& otherInputs = {});

}  // namespace lathwell
