#include "ConversionRun.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>

#include "BlockConversion.h"
#include "CsvRecordBuilder.h"
#include "LineConversion.h"
#include "LineReader.h"
#include "MpIOInterface.h"
#include "ObserverWatch.h"
#include "RunPreparation.h"

namespace lathwell {

namespace {

// Converts every line of the prepared run, on the settings' threads, and closes its output,
// unless the run was stopped and the output is its own (the caller abandons that). Failures
// leave as exceptions, the files still open.
void ConvertRun(PreparedRun& run, ConversionObserver& observer, RunStatistics& statistics, RunState& state) {
    ObserverWatch watch(observer, *run.stop);
    const ScopedWatch<LineReader> watching(*run.input, watch);
    const int threads = ConversionThreads(run);
    if (threads > 1) {
        ConvertBlocks(run, threads, statistics, state);
    } else {
        ConvertLines(*run.input, *run.output, run.builder.get(), run.settings.lineLimit, *run.stop, statistics,
                     state);
    }
    if (state.cancelled && !run.outputHandedOver) return;
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
        ConvertRun(run, observer, result.statistics, state);
    } catch (...) {
        // A stop can end the run by making a read that waits for input fail, or the compressor
        // that left its blocks: that is the stop, not a failure of the run.
        if (!state.cancelled && run.stop->Requested()) {
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
            // A cancel the user asked for since the observer was last asked still ends the run
            // as cancelled.
            if (!state.cancelled && observer.CancelRequested(run.input->InputPosition())) {
                run.stop->Request();
                state.cancelled = true;
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
