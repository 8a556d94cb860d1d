#include "ConvertCommand.h"

#include <memory>
#include <string>

#include "CliFiles.h"
#include "ColumnMapping.h"
#include "ConversionRun.h"
#include "ProgressObserver.h"
#include "RunReport.h"
#include "SameFile.h"

namespace {

const char* const kStandardStream = "-";

// Refusals that need nothing but the names: they come before standard input is read.
void CheckNames(const CliArguments& arguments) {
    const bool fromStandardInput = arguments.input == kStandardStream;
    if (!fromStandardInput && !FileExists(arguments.input)) {
        throw CliRefusal(arguments.input + ": Input File Does Not Exist");
    }
    if (arguments.output == kStandardStream) return;
    if ((!fromStandardInput && IsSameFile(arguments.output.c_str(), arguments.input.c_str())) ||
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
// selection dialog would leave them.
void PrepareCsvRun(const CliArguments& arguments, const std::string& inputDisplayName,
                   ConversionSettings& settings, std::ostream& warnings) {
    std::vector<AvailableField> fields;
    {
        std::unique_ptr<DDFile> ddFile = OpenDDFile(arguments.ddFile);
        settings.recordLength = DDRecordLength(*ddFile, arguments);
        fields = OfferedFields(*ddFile, arguments.population);
    }
    std::vector<ColumnHeader> headers =
        ReadCsvHeader(settings.inputName.GetCString(), inputDisplayName, warnings);
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
        std::ostream& target = arguments.output == kStandardStream ? streams.err : streams.out;
        target << StatisticsJson(settings.recordLength, statistics, failure) << std::flush;
    } else if (!arguments.quiet) {
        streams.err << StatisticsText(settings.recordLength, statistics) << std::flush;
    }
}

}  // namespace

int RunConvertCommand(const CliArguments& arguments, const CliStreams& streams) {
    CheckNames(arguments);

    ConversionSettings settings;
    settings.recordLength = arguments.recordLength;
    settings.blankUnprintable = arguments.blankUnprintable;
    std::unique_ptr<TemporaryFile> inputCopy;
    if (arguments.input == kStandardStream) {
        inputCopy = std::make_unique<TemporaryFile>();
        if (!CopyStreamToFile(streams.in, inputCopy->Name())) {
            throw CliRefusal("Could not copy standard input to a temporary file");
        }
    }
    settings.inputName = inputCopy ? inputCopy->Name().c_str() : arguments.input.c_str();
    if (arguments.command == CliCommand::Csv) {
        PrepareCsvRun(arguments, inputCopy ? "standard input" : arguments.input, settings, streams.err);
    }

    std::unique_ptr<TemporaryFile> outputCopy;
    if (arguments.output == kStandardStream) {
        outputCopy = std::make_unique<TemporaryFile>();
    } else if (!CanOpenForWriting(arguments.output)) {
        throw CliRefusal(arguments.output + ": Invalid File Name for Output File");
    }
    settings.outputName = outputCopy ? outputCopy->Name().c_str() : arguments.output.c_str();

    std::unique_ptr<ProgressLine> progress;
    if (!arguments.quiet && streams.errIsTerminal) progress = std::make_unique<ProgressLine>(streams.err);
    ProgressObserver observer(progress.get());
    ConversionResult result = RunConversion(settings, observer);
    if (progress) progress->Clear();

    // The records written before a failure are kept, on standard output as in a file.
    bool failed = result.outcome != RunOutcome::Completed;
    std::string failure = failed ? result.message.GetCString() : "";
    if (outputCopy && !CopyFileToStream(outputCopy->Name(), streams.out) && !failed) {
        failed = true;
        failure = "Writing to standard output failed";
    }
    Report(arguments, settings, result.statistics, failed ? &failure : nullptr, streams);
    return failed ? 1 : 0;
}
