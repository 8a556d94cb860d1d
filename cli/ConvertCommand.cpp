#include "ConvertCommand.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CliFiles.h"
#include "ColumnMapping.h"
#include "ConversionFiles.h"
#include "ConversionRun.h"
#include "CsvReadiness.h"
#include "DDCheck.h"
#include "MpException.h"
#include "MpSignal.h"
#include "ProgressObserver.h"
#include "RunPreparation.h"
#include "RunReport.h"
#include "StandardStreams.h"
#include "Utf8Text.h"
#include "ValueWarnings.h"

namespace lathwell::cli {

namespace {

bool IsStandardStream(const std::string& name) { return IsStandardStreamName(name.c_str()); }

}  // namespace

// An input (INPUT or --header-from) must be an existing file that is not a folder.
void CheckInputName(const std::string& name) {
    if (IsStandardStream(name)) return;
    if (!FileExists(name)) throw CliRefusal(name + ": Input File Does Not Exist");
    if (IsFolder(name)) throw CliRefusal(name + ": Input File is a folder, not a file");
}

// The names besides INPUT and the DD file that the output must not be.
std::vector<MpString> OtherInputs(const CliArguments& arguments) {
    if (arguments.headerFrom.empty()) return {};
    return {MpString(arguments.headerFrom.c_str())};
}

// Refusals that need nothing but the names: they come before standard input is read. Standard
// input and output redirected from or into a named file count as that file.
void CheckNames(const CliArguments& arguments, const CliStreams& streams) {
    const bool fromStandardInput = IsStandardStream(arguments.input);
    CheckInputName(arguments.input);
    if (!arguments.headerFrom.empty()) CheckInputName(arguments.headerFrom);
    if (IsStandardStream(arguments.output)) {
        if ((fromStandardInput && StandardStreamsAreOneFile(streams)) ||
            (!fromStandardInput && StandardOutputIsFile(streams, arguments.input)) ||
            (!arguments.ddFile.empty() && StandardOutputIsFile(streams, arguments.ddFile)) ||
            (!arguments.headerFrom.empty() && StandardOutputIsFile(streams, arguments.headerFrom))) {
            throw CliRefusal("standard output: Output File and Input File are the same");
        }
        return;
    }
    try {
        // Standard input redirected from the output is the same file under no name at all.
        if (fromStandardInput && StandardInputIsFile(streams, arguments.output)) {
            throw RunRefusal(RunCheck::OutputIsInput, RunFile::Output, "Output File and Input File are the same");
        }
        CheckOutputIsNoInput(arguments.output.c_str(), fromStandardInput ? nullptr : arguments.input.c_str(),
                             arguments.ddFile.c_str(), OtherInputs(arguments));
    } catch (const RunRefusal&) {
        throw CliRefusal(arguments.output + ": Output File and Input File are the same");
    }
    // A device or a pipe is written to, not overwritten, and a dry run writes nothing: neither
    // needs --force.
    if (!arguments.force && !arguments.dryRun && FileExists(arguments.output) && !IsStreamDevice(arguments.output)) {
        throw CliRefusal(arguments.output + ": Output File already exists (use --force to overwrite it)");
    }
}

// The words of a refusal of the output (the input's are checked by name before).
[[noreturn]] void RefuseOutput(const std::string& output, const RunRefusal& refusal) {
    switch (refusal.Check()) {
        case RunCheck::OutputIsInput:
        case RunCheck::OutputIsDDFile:
            throw CliRefusal(output + ": Output File and Input File are the same");
        case RunCheck::OutputNotOpened:
            if (FolderRefusesNewFiles(output)) {
                throw CliRefusal(output +
                                 ": Invalid File Name for Output File (no permission to write in its folder)");
            }
            throw CliRefusal(output + ": Invalid File Name for Output File");
        default:
            throw CliRefusal(refusal.GetErrorMessage());
    }
}

bool IsOutputRefusal(RunCheck check) {
    return check == RunCheck::OutputIsInput || check == RunCheck::OutputIsDDFile || check == RunCheck::OutputExists ||
           check == RunCheck::OutputInUse || check == RunCheck::OutputNotOpened;
}

std::string NotCompressedWarning(const std::string& input) {
    return input + ": the data is not gzip-compressed; it was read as plain text";
}

int32_t DDRecordLength(DDFile& ddFile, const CliArguments& arguments) {
    int32_t length = ReadDDRecordLengths(ddFile).ForMode(arguments.population);
    if (arguments.population && length == 0) {
        throw CliRefusal(arguments.ddFile + ": The DD File has no population fields (PopRecordLength is 0)");
    }
    if (length <= 0) throw CliRefusal(InvalidDDFileRefusal(arguments.ddFile, "Invalid DD File"));
    return length;
}

namespace {

// A column that feeds no field although the user did not leave it out with --ignore.
bool IsSilentlyUnmatched(const CliArguments& arguments, const ColumnHeader& header, int16_t entry,
                         std::size_t column) {
    if (entry >= 0 || header.blank) return false;
    for (const ColumnOverride& change : arguments.overrides) {
        if (change.ignore && (change.column == header.text.GetCString() ||
                              change.column == "#" + std::to_string(column + 1))) {
            return false;
        }
    }
    return true;
}

// The DD check's findings as warnings; --strict refuses a DD file with any.
void WarnOfDDMistakes(const CliArguments& arguments, DDFile& ddFile, RunNotes& notes) {
    const DDCheckResult check = CheckDDFile(ddFile, arguments.population);
    if (check.total > 0 && arguments.strict) {
        throw CliRefusal(arguments.ddFile + ": the DD file has mistakes (--strict): " + check.findings.front() +
                         "; see lathwell-cli layout --check");
    }
    for (const std::string& finding : check.findings) notes.warnings.push_back(arguments.ddFile + ": " + finding);
    if (!check.MoreText().empty()) notes.warnings.push_back(arguments.ddFile + ": " + check.MoreText());
}

// Two columns matched with one field: the later one's value overwrites the earlier one's in
// every record. A warning naming both, or with --strict a refusal.
void WarnOfSharedFields(const CliArguments& arguments, const std::vector<ColumnHeader>& columns,
                        const MpVector<int16_t>& positions, const std::vector<AvailableField>& fields,
                        const std::string& displayName, RunNotes& notes) {
    std::map<int16_t, std::size_t> firstColumn;  // section index -> the first column matched with it
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (positions[i] < 0) continue;
        auto inserted = firstColumn.emplace(positions[i], i);
        if (inserted.second) continue;
        std::string field = "@" + std::to_string(positions[i]);
        for (const AvailableField& offered : fields) {
            if (offered.sectionIndex == positions[i]) field = offered.shownName;
        }
        const std::string both = "columns '" + std::string(columns[inserted.first->second].text.GetCString()) +
                                 "' and '" + columns[i].text.GetCString() + "' are both matched with field '" +
                                 field + "'";
        if (arguments.strict) {
            throw CliRefusal(displayName + ": " + both +
                             " (--strict); match one of them with --map or leave it out with --ignore");
        }
        notes.warnings.push_back(displayName + ": " + both + "; the later column's value is the one written");
    }
}

// What a CSV run needs beyond its settings: the offered fields, for naming them in warnings.
// The DD file, read once, goes on to the run's preparation.
struct CsvPlan {
    std::vector<AvailableField> fields;
    std::unique_ptr<DDFile> ddFile;
};

// The record length and field position map of a CSV run, as the main window and the field
// selection dialog would leave them. The input is opened here, once, and handed to the run: the
// header comes from --header-from, else from the input itself, which the run then reads on from
// just after it. With --header-from the input is handed over unread, so its first line is data.
CsvPlan PrepareCsvRun(const CliArguments& arguments, OpenedFiles& opened, const CliStreams& streams,
                      ConversionSettings& settings, RunNotes& notes) {
    CsvPlan plan;
    plan.ddFile = OpenDDFile(arguments.ddFile, streams.err);
    settings.recordLength = DDRecordLength(*plan.ddFile, arguments);
    plan.fields = OfferedFields(*plan.ddFile, arguments.population);
    WarnOfDDMistakes(arguments, *plan.ddFile, notes);
    std::string headerName = arguments.headerFrom.empty() ? arguments.input : arguments.headerFrom;
    if (opened.input == nullptr) opened.input = OpenInputReader(arguments.input, streams);
    LineReader* headerReader = opened.input.get();
    std::unique_ptr<LineReader> namedHeader;
    if (!arguments.headerFrom.empty()) {
        namedHeader = OpenInputReader(headerName, streams);
        headerReader = namedHeader.get();
    }
    const std::string displayName = InputDisplayName(headerName);
    CsvHeader header = ReadCsvHeader(*headerReader, arguments.delimiter, displayName, streams.err);
    if (header.byteOrderMark) {
        notes.warnings.push_back(displayName +
                                 ": the header starts with a UTF-8 byte order mark; it was removed");
    }
    settings.fieldPositions = BuildFieldPositions(header.columns, plan.fields, arguments.overrides);

    std::string unmatched;
    for (std::size_t i = 0; i < header.columns.size(); ++i) {
        if (!IsSilentlyUnmatched(arguments, header.columns[i], settings.fieldPositions[i], i)) continue;
        const std::string name = header.columns[i].text.GetCString();
        unmatched += (unmatched.empty() ? "'" : ", '") + name + "'";
        notes.warnings.push_back(displayName + ": column '" + name +
                                 "' is matched with no DD field; its values are left out");
    }
    if (arguments.strict && !unmatched.empty()) {
        throw CliRefusal(displayName + ": columns matched with no DD field (--strict): " + unmatched +
                         "; match them with --map or leave them out with --ignore");
    }
    WarnOfSharedFields(arguments, header.columns, settings.fieldPositions, plan.fields, displayName, notes);
    if (!HasEnoughMatchedColumns(settings.fieldPositions))
        throw CliRefusal(kTooFewMatchedColumnsForRunMessage);
    settings.ddFileName = arguments.ddFile.c_str();
    settings.usePopulationFields = arguments.population;
    settings.delimiter = arguments.delimiter;
    settings.stopAtFirstCut = arguments.strict;
    settings.refuseMisplacedValues = arguments.strict;
    settings.cutOnCharacters = arguments.cutOnCharacters;
    return plan;
}

std::string FieldName(const CsvPlan& plan, int16_t sectionIndex) {
    for (const AvailableField& field : plan.fields) {
        if (field.sectionIndex == sectionIndex) return field.shownName;
    }
    return "@" + std::to_string(sectionIndex);
}

// A message of several lines as one line of the terminal.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    std::string::size_type end = text.find_last_not_of(' ');
    return text.substr(0, end == std::string::npos ? 0 : end + 1);
}

// "deaths.csv:12: " for a line of the input, else empty. The run numbers the lines its reader
// has read, the header included when it came from the input (not with --header-from).
std::string PlaceOf(const CliArguments& arguments, int64_t line) {
    if (line <= 0) return "";
    return InputDisplayName(arguments.input) + ":" + std::to_string(line) + ": ";
}

void Report(const CliArguments& arguments, const ConversionSettings& settings, const ConversionResult& result,
            const RunNotes& notes, std::size_t warningsShown, const CliStreams& streams) {
    // A cancelled run carries a message too when the output could not be deleted.
    const bool failed = result.outcome != RunOutcome::Completed && !result.message.IsEmpty();
    const std::string failure = result.message.GetCString();
    if (failed)
        streams.err << "lathwell-cli: " << TerminalSafe(PlaceOf(arguments, notes.errorLine) + OneLine(failure)) << "\n";
    if (arguments.json) {
        std::ostream& target = IsStandardStream(arguments.output) ? streams.err : streams.out;
        target << StatisticsJson(settings.recordLength, result.statistics, failed ? &failure : nullptr, notes)
               << std::flush;
    } else if (!arguments.quiet) {
        for (std::size_t i = warningsShown; i < notes.warnings.size(); ++i) {
            streams.err << "lathwell-cli: warning: " << TerminalSafe(notes.warnings[i]) << "\n";
        }
        streams.err << StatisticsText(settings.recordLength, result.statistics) << std::flush;
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
    settings.lineLimit = arguments.headLines;
    settings.dryRun = arguments.dryRun;
    settings.threads = arguments.threads;
    settings.level = arguments.level;
    settings.recordEnd = arguments.recordEnd;
    // Without --force the output must still not exist when the run creates it.
    settings.createNew = !arguments.force;
    // Standard input and output are handed to the run already open: standard input is read
    // once, and standard output is streamed to as the records come.
    OpenedFiles opened;
    if (IsStandardStream(arguments.input)) opened.input = OpenInputReader(arguments.input, streams);
    RunNotes notes;
    CsvPlan plan;
    if (arguments.command == CliCommand::Csv)
        plan = PrepareCsvRun(arguments, opened, streams, settings, notes);
    const bool toStandardOutput = IsStandardStream(arguments.output);
    if (toStandardOutput && !arguments.dryRun) opened.output = OpenStandardOutputWriter(streams, settings.recordLength);
    // --strict is all or nothing: a failed run leaves no partial output behind.
    settings.removeOutputOnFailure = arguments.strict;
    // The run's files are opened and its output locked before anything is shown: a refused
    // output is refused before a line is read.
    std::unique_ptr<PreparedRun> prepared;
    std::unique_ptr<RunRefusal> refusal;
    try {
        prepared = std::make_unique<PreparedRun>(
            PrepareRun(settings, std::move(opened), plan.ddFile.get(), OtherInputs(arguments)));
    } catch (const RunRefusal& refused) {
        if (IsOutputRefusal(refused.Check())) RefuseOutput(arguments.output, refused);
        refusal = std::make_unique<RunRefusal>(refused);
    }
    plan.ddFile.reset();
    const bool outputWithheld = prepared && prepared->outputWithheld;
    // Warnings known before the run are shown at once, not after a long run.
    const std::size_t warningsShown = arguments.quiet || arguments.json ? 0 : notes.warnings.size();
    for (std::size_t i = 0; i < warningsShown; ++i)
        streams.err << "lathwell-cli: warning: " << TerminalSafe(notes.warnings[i]) << "\n";

    std::unique_ptr<ProgressLine> progress;
    if (!arguments.quiet && streams.errIsTerminal) progress = std::make_unique<ProgressLine>(streams.err);
    ProgressObserver observer(progress.get());
    ConversionResult result =
        prepared ? RunConversion(std::move(*prepared), observer) : RefusedRun(*refusal, observer);
    prepared.reset();
    if (progress) progress->Clear();

    const MpStopSignal signal = MpSignal::Caught();
    // A reader of the output (standard output or a FIFO) that went away wants nothing more: no
    // message, no statistics.
    if (signal == MpStopSignal::BrokenPipe) return MpSignal::ShellExitStatus(signal);
    for (const ValueWarning& warning :
         DescribeValueWarnings(result, [&](int16_t section) { return FieldName(plan, section); })) {
        notes.warnings.push_back(PlaceOf(arguments, warning.line) + warning.text);
    }
    if (result.inputWasPlainText)
        notes.warnings.push_back(NotCompressedWarning(arguments.input));
    notes.errorLine = result.outcome == RunOutcome::Failed ? result.failureLine : 0;
    Report(arguments, settings, result, notes, warningsShown, streams);
    if (result.outcome == RunOutcome::Cancelled && IsStopRequest(signal))
        return MpSignal::ShellExitStatus(signal);
    // A run refused before it began, or one that could build no record and so never opened its
    // output, wrote nothing (2); the records written before a failure are kept, on standard
    // output as in a file (1).
    if (refusal || (outputWithheld && result.outcome == RunOutcome::Failed)) return 2;
    return result.outcome == RunOutcome::Completed ? 0 : 1;
}

}  // namespace lathwell::cli
