#include "ConversionRun.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "ConversionFiles.h"
#include "CsvRecordBuilder.h"
#include "MpIO.h"
#include "MpPathKind.h"
#include "SameFile.h"

namespace lathwell {

namespace {

// The input handed over by the caller, or else the named file.
std::unique_ptr<LineReader> OpenInput(const ConversionSettings& settings, OpenedFiles& opened) {
    if (!opened.input) return OpenFileLineReader(settings.inputName.GetCString(), settings.blankUnprintable);
    opened.input->SetBlankUnprintable(settings.blankUnprintable);
    return std::move(opened.input);
}

// The output of a dry run: records are built and counted, and then dropped.
class DiscardingRecordWriter : public RecordWriter {
public:
    explicit DiscardingRecordWriter(int32_t recordLength) : RecordWriter(recordLength) {}

protected:
    void WriteBlock(const char*, int64_t) override {}
    void CloseFile() override {}
};

// Whether the output is the file called fileName: a writer handed over knows its own file, a
// named output is compared by name.
bool OutputIs(const char* fileName, const ConversionSettings& settings, const RecordWriter* handedOver) {
    return handedOver ? handedOver->IsFile(fileName) : IsSameFile(settings.outputName.GetCString(), fileName);
}

// Whether the output is the input. A reader handed over knows its own file; an input and an
// output that were both handed over have no name to compare.
bool OutputIsInput(const ConversionSettings& settings, const LineReader& reader, bool inputHandedOver,
                   const RecordWriter* handedOver) {
    if (settings.dryRun) return false;
    if (!inputHandedOver) return OutputIs(settings.inputName.GetCString(), settings, handedOver);
    return handedOver == nullptr && reader.IsFile(settings.outputName.GetCString());
}

// Opening the output creates or empties it, so an output that is the input or the DD file
// under another name is refused first; an output handed over is refused likewise before
// anything is written to it.
std::unique_ptr<RecordWriter> OpenOutput(const ConversionSettings& settings, const LineReader& reader,
                                         bool inputHandedOver, std::unique_ptr<RecordWriter> handedOver) {
    if (OutputIsInput(settings, reader, inputHandedOver, handedOver.get())) {
        throw MpException("Output File and Input File are the same");
    }
    if (!settings.ddFileName.IsEmpty() && !settings.dryRun &&
        OutputIs(settings.ddFileName.GetCString(), settings, handedOver.get())) {
        throw MpException("Output File and DD File are the same");
    }
    if (handedOver) return handedOver;
    if (settings.dryRun) return std::make_unique<DiscardingRecordWriter>(settings.recordLength);
    return OpenFileRecordWriter(settings.outputName.GetCString(), settings.recordLength, settings.createNew,
                                settings.threads);
}

// The loop's own counts, kept apart from the run's statistics so that no call in the loop can
// reach them (the compiler then need not store them back after every call), in 64 bits so that
// they need no test per line; added to the statistics, each stopping at the largest 32-bit
// value, whenever the loop ends.
struct LineTally {
    int64_t processed = 0;
    int64_t empty = 0;
    int32_t shortest = INT32_MAX;
    int32_t longest = 0;
    // Pad/truncate only; the CSV builder counts its edited and padded records itself.
    int64_t truncated = 0;
    int64_t padded = 0;
    int64_t blanked = 0;
    int64_t blankedOnly = 0;  // blanked lines of exactly the record length

    void CountLength(int32_t length) {
        ++processed;
        shortest = std::min(shortest, length);
        longest = std::max(longest, length);
    }

    void CountPadOrTruncate(const TextLine& line, int32_t recordLength) {
        truncated += line.length > recordLength;
        padded += line.length < recordLength;
        blanked += line.blanked;
        blankedOnly += line.blanked && line.length == recordLength;
    }

    void AddTo(RunStatistics& statistics) const {
        if (processed > 0) {
            statistics.MinRecordLength = statistics.LinesProcessed > 0 ? std::min(statistics.MinRecordLength, shortest)
                                                                       : shortest;
            statistics.MaxRecordLength = std::max(statistics.MaxRecordLength, longest);
        }
        AddCount(statistics.LinesProcessed, processed);
        AddCount(statistics.EmptyRecordsSkipped, empty);
        AddCount(statistics.LinesTruncated, truncated);
        AddCount(statistics.LinesPadded, padded);
        AddCount(statistics.LinesAsciiFixed, blanked);
        AddCount(statistics.RecordsEdited, truncated + padded + blankedOnly);
    }
};

// Where a run stands, for the result: whether the user asked to stop, which input line is
// being read or handled (0 while none is), and the record builder of a CSV run, which counts
// the cut values.
struct RunState {
    bool cancelled = false;
    int64_t line = 0;
    std::unique_ptr<CsvRecordBuilder> builder;
};

// Opens the files (or takes those handed over), converts every line and closes them; cancelled
// is set as soon as the observer asks to stop, so it stays set when the line being handled then
// fails. Failures leave as exceptions; the files are closed on the way out (the output keeping
// what was written) because the reader and the writer are locals.
void ConvertLines(const ConversionSettings& settings, OpenedFiles& opened, ConversionObserver& observer,
                  RunStatistics& statistics, RunState& state) {
    if (settings.recordLength < 1) throw MpException("Please specify a record length");
    const int32_t recordLength = settings.recordLength;
    const bool inputHandedOver = opened.input != nullptr;
    std::unique_ptr<LineReader> reader = OpenInput(settings, opened);
    TextLine line;
    std::unique_ptr<CsvRecordBuilder>& builder = state.builder;
    if (!settings.ddFileName.IsEmpty()) {
        if (!inputHandedOver) {
            state.line = 1;
            reader->ReadLine(line);  // the column header line
            state.line = 0;
        }
        builder = std::make_unique<CsvRecordBuilder>(settings.ddFileName.GetCString(), recordLength,
                                                     settings.fieldPositions, settings.usePopulationFields,
                                                     settings.delimiter,
                                                     CsvValueRules{settings.stopAtFirstCut, settings.refuseMisplacedValues,
                                                                   settings.cutOnCharacters});
    }
    std::unique_ptr<RecordWriter> writer = OpenOutput(settings, *reader, inputHandedOver, std::move(opened.output));
    writer->SetRecordEnd(settings.recordEnd);

    // Kept in locals, which the loop keeps in registers, and handed to state on the way out.
    int64_t linesLeft = settings.lineLimit > 0 ? settings.lineLimit : -1;
    int64_t failingLine = 0;
    bool cancelled = false;
    LineTally tally;
    try {
        while (!cancelled && linesLeft != 0) {
            // A failure while reading belongs to the line being read.
            failingLine = reader->LinesRead() + 1;
            if (!reader->ReadLine(line)) break;
            --linesLeft;
            cancelled = observer.CancelRequested(reader->InputPosition());
            if (line.length == 0) {
                ++tally.empty;
                continue;
            }
            tally.CountLength(line.length);
            const int64_t lineNumber = failingLine;
            failingLine = 0;  // a write failure is the output's, not the line's
            if (builder) {
                // The record is built where the writer will store it.
                char* record = writer->NextRecord();
                failingLine = lineNumber;
                builder->BuildRecord(line.text, static_cast<size_t>(line.length), record, lineNumber,
                                     statistics);
                writer->CommitRecord();
            } else {
                tally.CountPadOrTruncate(line, recordLength);
                writer->WriteRecord(line.text, line.length);
            }
        }
    } catch (...) {
        tally.AddTo(statistics);
        state.cancelled = cancelled;
        state.line = failingLine;
        throw;
    }
    tally.AddTo(statistics);
    state.cancelled = cancelled;
    writer->Close();
}

}  // namespace

ConversionResult RunConversion(const ConversionSettings& settings, ConversionObserver& observer) {
    return RunConversion(settings, OpenedFiles(), observer);
}

ConversionResult RunConversion(const ConversionSettings& settings, OpenedFiles opened, ConversionObserver& observer) {
    ConversionResult result;
    observer.RunStarting(opened.input ? opened.input->InputSize()
                                      : MpIOInterface::GetFileSizeByName(settings.inputName.GetCString()));
    // Only a file the run created or emptied itself may be deleted after a cancel: never a
    // device or a pipe it was only writing to.
    const MpPathKind outputKind =
        opened.output == nullptr ? MpPathInfo::Kind(settings.outputName.GetCString()) : MpPathKind::Other;
    const bool outputCreated =
        !settings.dryRun && (outputKind == MpPathKind::Missing || outputKind == MpPathKind::RegularFile);
    RunState state;
    auto fail = [&](const char* message) {
        result.outcome = RunOutcome::Failed;
        result.message = message;
        result.failureLine = state.line;
        observer.ReportFailure(message);
    };
    try {
        ConvertLines(settings, opened, observer, result.statistics, state);
    } catch (MpException& error) {
        fail(error.GetErrorMessage());
    } catch (...) {
        fail("Unknown error!");
    }
    if (state.builder) {
        result.fieldCuts = state.builder->FieldCuts();
        result.formMismatches = state.builder->FormMismatches();
        result.textAfterQuote = state.builder->TextAfterQuote();
    }
    if (state.cancelled) {
        result.outcome = RunOutcome::Cancelled;
        if (!outputCreated) return result;
        try {
            MpIOInterface::Delete(settings.outputName.GetCString());
        } catch (MpException& error) {
            result.message = error.GetErrorMessage();
            observer.ReportFailure(error.GetErrorMessage());
        }
    }
    return result;
}

}  // namespace lathwell
