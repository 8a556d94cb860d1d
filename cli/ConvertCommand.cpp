#include "ConvertCommand.h"

#include <memory>
#include <string>

#include "CliFiles.h"
#include "ColumnMapping.h"
#include "ConversionFiles.h"
#include "ConversionRun.h"
#include "ProgressObserver.h"
#include "RunReport.h"
#include "SameFile.h"
#include "StandardStreams.h"

namespace lathwell::cli {

namespace {

bool IsStandardStream(const std::string& name) { return IsStandardStreamName(name.c_str()); }

// Refusals that need nothing but the names: they come before standard input is read. Standard
// input and output redirected from or into a named file count as that file.
void CheckNames(const CliArguments& arguments, const CliStreams& streams) {
    const bool fromStandardInput = IsStandardStream(arguments.input);
    if (!fromStandardInput && !FileExists(arguments.input)) {
        throw CliRefusal(arguments.input + ": Input File Does Not Exist");
    }
    if (IsStandardStream(arguments.output)) {
        if ((!fromStandardInput && StandardOutputIsFile(streams, arguments.input)) ||
            (!arguments.ddFile.empty() && StandardOutputIsFile(streams, arguments.ddFile))) {
            throw CliRefusal("standard output: Output File and Input File are the same");
        }
        return;
    }
    const bool sameAsInput = fromStandardInput
                                 ? StandardInputIsFile(streams, arguments.output)
                                 : IsSameFile(arguments.output.c_str(), arguments.input.c_str());
    if (sameAsInput ||
        (!arguments.ddFile.empty() && IsSameFile(arguments.output.c_str(), arguments.ddFile.c_str()))) {
        throw CliRefusal(arguments.output + ": Output File and Input File are the same");
    }
    if (!arguments.force && FileExists(arguments.output)) {
        throw CliRefusal(arguments.output + ": Output File already exists (use --force to overwrite it)");
    }
}

int32_t DDRecordLength(DDFile& ddFile, const CliArguments& arguments) {
    int32_t length = arguments.population ? ddFile.GetPopRecordLength() : ddFile.GetRecordLength();
    if (arguments.population && length == 0) {
        throw CliRefusal(arguments.ddFile + ": The DD File has no population fields (PopRecordLength is 0)");
    }
    if (length <= 0) throw CliRefusal(arguments.ddFile + ": Invalid DD File");
    return length;
}

// The record length and field position map of a CSV run, as the main window and the field
// selection dialog would leave them. The header comes from standardInput when the input is
// "-" (the run then goes on just after it), else from the named file, which the run opens again.
void PrepareCsvRun(const CliArguments& arguments, LineReader* standardInput, const CliStreams& streams,
                   ConversionSettings& settings) {
    std::vector<AvailableField> fields;
    {
        std::unique_ptr<DDFile> ddFile = OpenDDFile(arguments.ddFile, streams.err);
        settings.recordLength = DDRecordLength(*ddFile, arguments);
        fields = OfferedFields(*ddFile, arguments.population);
    }
    std::unique_ptr<LineReader> namedInput;
    if (standardInput == nullptr) namedInput = OpenInputReader(arguments.input, streams);
    std::vector<ColumnHeader> headers = ReadCsvHeader(standardInput != nullptr ? *standardInput : *namedInput,
                                                      InputDisplayName(arguments.input), streams.err);
    settings.fieldPositions = BuildFieldPositions(headers, fields, arguments.overrides);
    if (CountMatchedColumns(settings.fieldPositions) < 2) {
        throw CliRefusal(
            "At least two fields in the Input File must be matched with corresponding fields from the DD "
            "File.  "
            "Please set field positions.");
    }
    settings.ddFileName = arguments.ddFile.c_str();
    settings.usePopulationFields = arguments.population;
}

void Report(const CliArguments& arguments, const ConversionSettings& settings,
            const RunStatistics& statistics, const std::string* failure, const CliStreams& streams) {
    if (failure != nullptr) streams.err << "lathwell-cli: " << *failure << "\n";
    if (arguments.json) {
        std::ostream& target = IsStandardStream(arguments.output) ? streams.err : streams.out;
        target << StatisticsJson(settings.recordLength, statistics, failure) << std::flush;
    } else if (!arguments.quiet) {
        streams.err << StatisticsText(settings.recordLength, statistics) << std::flush;
    }
}

}  // namespace

int RunConvertCommand(const CliArguments& arguments, const CliStreams& streams) {
    CheckNames(arguments, streams);

    ConversionSettings settings;
    settings.inputName = arguments.input.c_str();
    settings.outputName = arguments.output.c_str();
    settings.recordLength = arguments.recordLength;
    settings.blankUnprintable = arguments.blankUnprintable;
    // Without --force the output must still not exist when the run creates it.
    settings.createNew = !arguments.force;
    // Standard input and output are handed to the run already open: standard input is read
    // once, and standard output is streamed to as the records come.
    OpenedFiles opened;
    if (IsStandardStream(arguments.input)) opened.input = OpenInputReader(arguments.input, streams);
    if (arguments.command == CliCommand::Csv) PrepareCsvRun(arguments, opened.input.get(), streams, settings);
    if (IsStandardStream(arguments.output)) {
        opened.output = OpenStandardOutputWriter(streams, settings.recordLength);
    } else if (!CanOpenForWriting(arguments.output)) {
        throw CliRefusal(arguments.output + ": Invalid File Name for Output File");
    }

    std::unique_ptr<ProgressLine> progress;
    if (!arguments.quiet && streams.errIsTerminal) progress = std::make_unique<ProgressLine>(streams.err);
    ProgressObserver observer(progress.get());
    ConversionResult result = RunConversion(settings, std::move(opened), observer);
    if (progress) progress->Clear();

    // The records written before a failure are kept, on standard output as in a file.
    const bool failed = result.outcome != RunOutcome::Completed;
    const std::string failure = result.message.GetCString();
    Report(arguments, settings, result.statistics, failed ? &failure : nullptr, streams);
    return failed ? 1 : 0;
}

}  // namespace lathwell::cli
