#include "UnpackCommand.h"

#include <cstdint>
#include <memory>
#include <string>

#include "ConversionFiles.h"
#include "ConvertCommand.h"
#include "FixedFileInput.h"
#include "JsonText.h"
#include "MpSignal.h"
#include "ProgressObserver.h"
#include "StandardStreams.h"
#include "UnpackRun.h"

namespace lathwell::cli {

int RunUnpackCommand(const CliArguments& arguments, const CliStreams& streams) {
    CheckNames(arguments, streams);
    FixedFileInput input = OpenFixedFileInput(arguments, streams);
    if (input.layout.fields.empty())
        throw CliRefusal(arguments.ddFile + ": The DD file offers no fields to unpack");
    const RecordChecker checker(input.layout);
    const RecordUnpacker unpacker(input.layout, arguments.delimiter, arguments.keepFill);
    if (unpacker.LongestLine() > static_cast<size_t>(INT32_MAX))
        throw CliRefusal(arguments.ddFile + ": The fields are too many and too long for one CSV line");
    const auto lineRoom = static_cast<int32_t>(unpacker.LongestLine());
    const bool toStandardOutput = IsStandardStreamName(arguments.output.c_str());
    std::unique_ptr<RecordWriter> handedOver;
    if (toStandardOutput) handedOver = OpenStandardOutputWriter(streams, lineRoom);

    UnpackSettings settings;
    settings.outputName = arguments.output.c_str();
    settings.createNew = !arguments.force;
    settings.threads = arguments.threads;
    settings.level = arguments.level;
    settings.inputBytes = input.inputBytes;
    std::unique_ptr<ProgressLine> progress;
    if (!arguments.quiet && streams.errIsTerminal) progress = std::make_unique<ProgressLine>(streams.err);
    ProgressObserver observer(progress.get());
    UnpackResult result;
    try {
        result = UnpackRecords(*input.reader, unpacker, checker, settings, std::move(handedOver), observer);
    } catch (const RunRefusal& refusal) {
        RefuseOutput(arguments.output, refusal);
    }
    if (progress) progress->Clear();

    const MpStopSignal signal = MpSignal::Caught();
    if (signal == MpStopSignal::BrokenPipe && toStandardOutput) return MpSignal::ShellExitStatus(signal);
    WarnIfNotCompressed(input, streams.err);
    const bool failed = result.outcome != RunOutcome::Completed && !result.message.IsEmpty();
    const std::string failure = result.message.GetCString();
    if (failed) {
        streams.err << "lathwell-cli: "
                    << (result.failureRecord > 0 ? RecordPlace(input, result.failureRecord) : "") << failure
                    << "\n";
    }
    if (arguments.json) {
        JsonObject json;
        json.AddNumber("Records", result.records).AddStringOrNull("Error", failed ? &failure : nullptr);
        if (result.failureRecord > 0) json.AddNumber("ErrorRecord", result.failureRecord);
        (toStandardOutput ? streams.err : streams.out) << json.Text() << "\n";
    } else if (!arguments.quiet) {
        streams.err << input.displayName << ": " << result.records << " record"
                    << (result.records == 1 ? "" : "s") << " unpacked\n";
    }
    streams.out.flush();
    streams.err.flush();
    if (result.outcome == RunOutcome::Cancelled && IsStopRequest(signal))
        return MpSignal::ShellExitStatus(signal);
    return result.outcome == RunOutcome::Completed ? 0 : 1;
}

}  // namespace lathwell::cli
