#include "ConversionRun.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>

#include "CsvRecordBuilder.h"
#include "MpIOInterface.h"
#include "RunPreparation.h"

namespace lathwell {

namespace {

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

// Where a run stands, for the result: whether the user asked to stop and which input line is
// being read or handled (0 while none is).
struct RunState {
    bool cancelled = false;
    int64_t line = 0;
};

// Converts every line of the prepared run and closes its output, unless the run was stopped and
// the output is its own (the caller abandons that); the run's stop is set as soon as the
// observer asks to stop, and cancelled as soon as the stop is set (by the observer or by a stop
// signal), so it stays set when the line being handled then fails. Failures leave as
// exceptions, the files still open.
void ConvertLines(PreparedRun& run, ConversionObserver& observer, RunStatistics& statistics, RunState& state) {
    const ConversionSettings& settings = run.settings;
    const int32_t recordLength = settings.recordLength;
    LineReader* const reader = run.input.get();
    RecordWriter* const writer = run.output.get();
    CsvRecordBuilder* const builder = run.builder.get();
    RunStop& stop = *run.stop;
    TextLine line;

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
            if (observer.CancelRequested(reader->InputPosition())) stop.Request();
            cancelled = stop.Requested();
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
    if (cancelled && !run.outputHandedOver) return;
    if (run.outputWithheld) OpenWithheldOutput(run);
    run.output->Close();
}

ConversionResult RunPrepared(PreparedRun run, ConversionObserver& observer) {
    ConversionResult result;
    RunState state;
    auto fail = [&](const char* message) {
        result.outcome = RunOutcome::Failed;
        result.message = message;
        result.failureLine = state.line;
        observer.ReportFailure(message);
    };
    try {
        ConvertLines(run, observer, result.statistics, state);
    } catch (...) {
        // A stop can end the run by making a read that waits for input fail, or the compressor
        // that left its blocks: that is the stop, not a failure of the run.
        if (!state.cancelled && (run.stop->Requested() || observer.CancelRequested(run.input->InputPosition()))) {
            run.stop->Request();
            state.cancelled = true;
        } else {
            try {
                throw;
            } catch (const MpException& error) {
                fail(error.GetErrorMessage());
            } catch (const std::exception& error) {
                fail(error.what());
            } catch (...) {
                fail("Unknown error!");
            }
        }
    }
    if (run.builder) {
        result.fieldCuts = run.builder->FieldCuts();
        result.formMismatches = run.builder->FormMismatches();
        result.textAfterQuote = run.builder->TextAfterQuote();
    }
    result.inputWasPlainText = run.input->IsPlainTextUnderCompressedName();
    if (state.cancelled) result.outcome = RunOutcome::Cancelled;
    // A stopped run, or a failed one that must leave nothing, removes the output it made before
    // anything else, while it still holds the file.
    const bool removeOutput = !run.outputHandedOver && (state.cancelled || (result.outcome == RunOutcome::Failed &&
                                                                             run.settings.removeOutputOnFailure));
    if (removeOutput) {
        try {
            run.output->Abandon();
        } catch (const MpException& error) {
            // Told after the failure that ended the run, if there was one.
            if (!result.message.IsEmpty()) result.message += "\n";
            result.message += error.GetErrorMessage();
            observer.ReportFailure(error.GetErrorMessage());
        }
    }
    return result;
}

}  // namespace

ConversionResult RunConversion(const ConversionSettings& settings, ConversionObserver& observer) {
    return RunConversion(settings, OpenedFiles(), observer);
}

ConversionResult RunConversion(const ConversionSettings& settings, OpenedFiles opened, ConversionObserver& observer) {
    observer.RunStarting(opened.input ? opened.input->InputSize()
                                      : MpIOInterface::GetFileSizeByName(settings.inputName.GetCString()));
    PreparedRun run;
    try {
        run = PrepareRun(settings, std::move(opened));
    } catch (const RunRefusal& refusal) {
        return RefusedRun(refusal, observer);
    }
    return RunPrepared(std::move(run), observer);
}

ConversionResult RefusedRun(const RunRefusal& refusal, ConversionObserver& observer) {
    ConversionResult result;
    result.outcome = RunOutcome::Failed;
    result.message = refusal.GetErrorMessage();
    result.failureLine = refusal.Check() == RunCheck::HeaderNotRead ? 1 : 0;
    observer.ReportFailure(refusal.GetErrorMessage());
    return result;
}

ConversionResult RunConversion(PreparedRun run, ConversionObserver& observer) {
    observer.RunStarting(run.inputSize);
    return RunPrepared(std::move(run), observer);
}

}  // namespace lathwell
