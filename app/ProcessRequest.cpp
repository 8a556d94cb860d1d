#include "ProcessRequest.h"

#include <QByteArray>
#include <algorithm>
#include <cstdlib>
#include <exception>

#include "CsvReadiness.h"
#include "MpException.h"
#include "MpFileName.h"
#include "MpIOInterface.h"
#include "SameFile.h"

namespace lathwell::app {

namespace {

// Names go to the library as the platform's 8-bit text.
QByteArray Bytes(const QString& text) { return text.toLocal8Bit(); }
QString Text(const char* bytes) { return QString::fromLocal8Bit(bytes); }

bool EndsWithCsv(const QString& name) { return name.toUpper().endsWith(".CSV"); }

// The standard decimal conversion: leading white space, an optional sign, digits up to the
// first other character ("12.5" gives 12, an empty text 0).
int32_t DecimalValue(const QString& text) {
    const long long value = std::strtoll(Bytes(text).constData(), nullptr, 10);
    return static_cast<int32_t>(std::min<long long>(std::max<long long>(value, INT32_MIN), INT32_MAX));
}

// The full name of a file name, made absolute against the current folder.
QString FullName(const QString& name) { return Text(MpFileName(Bytes(name).constData()).GetFullPath()); }

bool HasFolderSeparator(const QString& name) { return name.contains('/') || name.contains('\\'); }

// An MpException's message, or "Unknown error!" for anything else.
QString FailureText(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const MpException& e) {
        return Text(e.GetErrorMessage());
    } catch (...) {
        return "Unknown error!";
    }
}

std::optional<ProcessRefusal> CheckCsvFieldPositions(const ProcessBoxes& boxes) {
    if (boxes.fieldPositions.empty()) {
        return ProcessRefusal{"You must first set field positions based on the selected DD file",
                              ProcessFocus::FieldPositions};
    }
    size_t columns = 0;
    try {
        columns = ReadCsvHeader(Bytes(boxes.inputName).constData()).columns.size();
    } catch (...) {
        return ProcessRefusal{FailureText(std::current_exception()), ProcessFocus::InputFile};
    }
    if (columns != boxes.fieldPositions.size()) {
        return ProcessRefusal{
            "Field positions not set.  You must set field positions based on the selected DD file.",
            ProcessFocus::FieldPositions};
    }
    if (!HasEnoughMatchedColumns(boxes.fieldPositions)) {
        return ProcessRefusal{kTooFewMatchedColumnsForRunMessage, ProcessFocus::FieldPositions};
    }
    return std::nullopt;
}

// Step 4: the output name the run writes; outputBox becomes what the box shows.
QString CompleteOutputName(const ProcessBoxes& boxes, bool csvModeOtherInput, QString& outputBox) {
    outputBox = boxes.outputName;
    if (csvModeOtherInput && !outputBox.contains('.')) outputBox = FullName(outputBox + ".csv");
    QString outputName = outputBox;
    // A dot anywhere counts, also one in a folder name.
    if (!outputName.contains('.')) {
        outputName += ".txd";
        outputBox = FullName(outputName);
    }
    // A bare file name goes into the input file's folder.
    if (!HasFolderSeparator(outputName)) {
        const MpFileName input(Bytes(boxes.inputName).constData());
        const MpFileName output(Bytes(outputName).constData());
        outputName = Text(input.GetLocation()) + Text(output.GetCompleteFileName());
        outputBox = outputName;
    }
    return outputName;
}

}  // namespace

std::variant<ProcessRun, ProcessRefusal> MakeProcessRequest(const ProcessBoxes& boxes) {
    const QString& inputName = boxes.inputName;
    const int32_t recordLength = DecimalValue(boxes.recordLength);
    if (inputName.isEmpty()) return ProcessRefusal{"Input File Not Selected", ProcessFocus::InputFile};
    if (boxes.outputName.isEmpty())
        return ProcessRefusal{"Output File Not Selected", ProcessFocus::OutputFile};
    if (boxes.csvMode && boxes.ddFileName.isEmpty())
        return ProcessRefusal{"DD File Not Selected", ProcessFocus::DDFile};
    if (!MpIOInterface::Exists(Bytes(inputName).constData()))
        return ProcessRefusal{"Input File Does Not Exist", ProcessFocus::InputFile};
    const ProcessRefusal sameFile{"Output File and Input File are the same", ProcessFocus::OutputFile};
    if (inputName.compare(boxes.outputName, Qt::CaseInsensitive) == 0) return sameFile;
    if (recordLength <= 0) return ProcessRefusal{"Please specify a record length", ProcessFocus::OutputFile};

    // In CSV mode an input not named ".csv" means its name was typed and Process pressed with
    // Enter before the mode could follow it; the run that follows is a pad/truncate run.
    const bool csvInput = boxes.csvMode && EndsWithCsv(inputName);
    QString ddFileName;
    if (csvInput) {
        ddFileName = boxes.ddFileName;
        if (std::optional<ProcessRefusal> refusal = CheckCsvFieldPositions(boxes)) return *refusal;
    }

    ProcessRun run;
    QString outputName;
    try {
        outputName = CompleteOutputName(boxes, boxes.csvMode && !csvInput, run.outputBox);
    } catch (...) {
        // A name the file name rules refuse, such as one longer than a path may be.
        return ProcessRefusal{FailureText(std::current_exception()), ProcessFocus::OutputFile};
    }
    // However the names are spelt, the output must not be the input or the DD file.
    if (IsSameFile(Bytes(outputName).constData(), Bytes(inputName).constData()) ||
        (!ddFileName.isEmpty() && IsSameFile(Bytes(outputName).constData(), Bytes(ddFileName).constData())))
        return ProcessRefusal{sameFile.message, sameFile.focus, run.outputBox};

    ConversionSettings& settings = run.settings;
    settings.inputName = Bytes(inputName).constData();
    settings.outputName = Bytes(outputName).constData();
    settings.ddFileName = Bytes(ddFileName).constData();
    settings.recordLength = recordLength;
    settings.usePopulationFields = boxes.populationFields;
    settings.blankUnprintable = boxes.asciiOnly;
    settings.fieldPositions = boxes.fieldPositions;
    return run;
}

std::optional<ProcessRefusal> WindowRefusal(const RunRefusal& refusal) {
    switch (refusal.Check()) {
        case RunCheck::InputIsFolder:
            return ProcessRefusal{Text(refusal.GetErrorMessage()), ProcessFocus::InputFile};
        case RunCheck::OutputIsInput:
        case RunCheck::OutputIsDDFile:
            return ProcessRefusal{"Output File and Input File are the same", ProcessFocus::OutputFile};
        case RunCheck::OutputInUse:
        case RunCheck::OutputExists:
            return ProcessRefusal{Text(refusal.GetErrorMessage()), ProcessFocus::OutputFile};
        case RunCheck::OutputNotOpened:
            return ProcessRefusal{"Invalid File Name for Output File", ProcessFocus::OutputFile};
        default:
            return std::nullopt;
    }
}

}  // namespace lathwell::app
