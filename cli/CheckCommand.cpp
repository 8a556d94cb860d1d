#include "CheckCommand.h"

#include <memory>
#include <string>

#include "CheckRun.h"
#include "FixedFileInput.h"
#include "JsonText.h"
#include "MpException.h"
#include "MpSignal.h"
#include "ProgressObserver.h"

namespace lathwell::cli {

namespace {

constexpr size_t kShownPerKind = 20;

struct KindNames {
    const char* json;
    const char* text;
};

// By FindingKind.
const KindNames kKinds[kFindingKinds] = {{"Length", "Wrong length"},
                                         {"RecordEnd", "Wrong record end"},
                                         {"Unprintable", "Unprintable byte"},
                                         {"Numeric", "Not a number"}};

std::string FindingLine(const FixedFileInput& input, const Finding& finding) {
    std::string place = RecordPlace(input, finding.record);
    if (!finding.field.empty()) place.insert(place.size() - 1, finding.field + ":");
    return place + finding.what;
}

std::string SummaryText(const FixedFileInput& input, const CheckSummary& summary) {
    std::string text = input.displayName + ": " + std::to_string(summary.records) + " record" +
                       (summary.records == 1 ? "" : "s") + " of " +
                       std::to_string(input.layout.recordLength) + " bytes, ";
    text +=
        summary.Clean() ? "all clean\n" : std::to_string(summary.recordsWithFindings) + " with findings\n";
    for (size_t kind = 0; kind < kFindingKinds; ++kind) {
        if (summary.counts[kind] == 0) continue;
        std::string caption = std::string("  ") + kKinds[kind].text + ":";
        caption.resize(22, ' ');
        text += caption + std::to_string(summary.counts[kind]);
        if (summary.counts[kind] > static_cast<int64_t>(kShownPerKind))
            text += " (the first " + std::to_string(kShownPerKind) + " shown)";
        text += "\n";
    }
    return text;
}

std::string SummaryJson(const FixedFileInput& input, const CheckSummary& summary, const std::string* error) {
    JsonObject counts;
    for (size_t kind = 0; kind < kFindingKinds; ++kind)
        counts.AddNumber(kKinds[kind].json, summary.counts[kind]);
    JsonArray shown;
    for (const Finding& finding : summary.shown) {
        JsonObject item;
        item.AddNumber("Record", finding.record)
            .AddString("Field", finding.field)
            .AddString("Kind", kKinds[static_cast<size_t>(finding.kind)].json)
            .AddString("What", finding.what);
        shown.Add(item.Text());
    }
    JsonObject json;
    json.AddString("File", input.displayName)
        .AddNumber("RecordLength", input.layout.recordLength)
        .AddNumber("Records", summary.records)
        .AddNumber("RecordsWithFindings", summary.recordsWithFindings)
        .AddJson("Findings", counts.Text())
        .AddJson("Shown", shown.Text())
        .AddStringOrNull("Error", error);
    return json.Text() + "\n";
}

}  // namespace

int RunCheckCommand(const CliArguments& arguments, const CliStreams& streams) {
    FixedFileInput input = OpenFixedFileInput(arguments, streams);
    const RecordChecker checker(input.layout);
    std::unique_ptr<ProgressLine> progress;
    if (!arguments.quiet && !arguments.json && streams.errIsTerminal)
        progress = std::make_unique<ProgressLine>(streams.err);
    ProgressObserver observer(progress.get());
    CheckSummary summary;
    std::string error;
    try {
        CheckRecords(*input.reader, checker, input.inputBytes, observer, kShownPerKind, summary);
    } catch (const MpException& failure) {
        error = failure.GetErrorMessage();
    }
    if (progress) progress->Clear();
    const MpStopSignal signal = MpSignal::Caught();
    if (signal == MpStopSignal::BrokenPipe) return MpSignal::ShellExitStatus(signal);
    WarnIfNotCompressed(input, streams.err);
    if (!error.empty())
        streams.err << "lathwell-cli: " << RecordPlace(input, summary.records + 1) << error << "\n";
    if (arguments.json) {
        streams.out << SummaryJson(input, summary, error.empty() ? nullptr : &error);
    } else if (!arguments.quiet) {
        for (const Finding& finding : summary.shown) streams.out << FindingLine(input, finding) << "\n";
        streams.out << SummaryText(input, summary);
    }
    streams.out.flush();
    streams.err.flush();
    if (summary.cancelled && IsStopRequest(signal)) return MpSignal::ShellExitStatus(signal);
    return summary.Clean() && error.empty() ? 0 : 1;
}

}  // namespace lathwell::cli
