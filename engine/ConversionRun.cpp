#include "ConversionRun.h"

#include <memory>

#include "ConversionFiles.h"
#include "CsvRecordBuilder.h"
#include "GzipRecordWriter.h"
#include "MpIO.h"
#include "PlainRecordWriter.h"
#include "SameFile.h"

namespace lathwell {

namespace {

// The input handed over by the caller, or else the named file.
std::unique_ptr<LineReader> OpenInput(const ConversionSettings& settings, OpenedFiles& opened) {
    if (!opened.input) return OpenFileLineReader(settings.inputName.GetCString(), settings.blankUnprintable);
    opened.input->SetBlankUnprintable(settings.blankUnprintable);
    return std::move(opened.input);
}

// Whether the output is the file called fileName: a writer handed over knows its own file, a
// named output is compared by name.
bool OutputIs(const char* fileName, const ConversionSettings& settings, const RecordWriter* handedOver) {
    return handedOver ? handedOver->IsFile(fileName) : IsSameFile(settings.outputName.GetCString(), fileName);
}

// Whether the output is the input. A reader handed over knows its own file; an input and an
// output that were both handed over have no name to compare.
bool OutputIsInput(const ConversionSettings& settings, const LineReader& reader, bool inputHandedOver,
                   const RecordWriter* handedOver) {
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
    if (!settings.ddFileName.IsEmpty() && OutputIs(settings.ddFileName.GetCString(), settings, handedOver.get())) {
        throw MpException("Output File and DD File are the same");
    }
    if (handedOver) return handedOver;
    const char* name = settings.outputName.GetCString();
    if (IsCompressedName(name)) {
        return std::make_unique<GzipRecordWriter>(name, settings.recordLength, settings.threads);
    }
    return std::make_unique<PlainRecordWriter>(name, settings.recordLength);
}

void CountLineLength(int32_t length, RunStatistics& statistics) {
    CountOne(statistics.LinesProcessed);
    if (statistics.LinesProcessed == 1) {
        statistics.MinRecordLength = length;
        statistics.MaxRecordLength = length;
    } else if (length < statistics.MinRecordLength) {
        statistics.MinRecordLength = length;
    } else if (length > statistics.MaxRecordLength) {
        statistics.MaxRecordLength = length;
    }
}

void CountPadOrTruncate(const TextLine& line, int32_t recordLength, RunStatistics& statistics) {
    if (line.length > recordLength) {
        CountOne(statistics.LinesTruncated);
        CountOne(statistics.RecordsEdited);
    } else if (line.length < recordLength) {
        CountOne(statistics.LinesPadded);
        CountOne(statistics.RecordsEdited);
    } else if (line.blanked) {
        CountOne(statistics.RecordsEdited);
    }
    if (line.blanked) CountOne(statistics.LinesAsciiFixed);
}

// Opens the files (or takes those handed over), converts every line and closes them; cancelled
// is set as soon as the observer asks to stop, so it stays set when the line being handled then
// fails. Failures leave as exceptions; the files are closed on the way out (the output keeping
// what was written) because the reader and the writer are locals.
void ConvertLines(const ConversionSettings& settings, OpenedFiles& opened, ConversionObserver& observer,
                  RunStatistics& statistics, bool& cancelled) {
    if (settings.recordLength < 1) throw MpException("Please specify a record length");
    const int32_t recordLength = settings.recordLength;
    const bool inputHandedOver = opened.input != nullptr;
    std::unique_ptr<LineReader> reader = OpenInput(settings, opened);
    TextLine line;
    std::unique_ptr<CsvRecordBuilder> builder;
    if (!settings.ddFileName.IsEmpty()) {
        if (!inputHandedOver) reader->ReadLine(line);  // the column header line
        builder = std::make_unique<CsvRecordBuilder>(settings.ddFileName.GetCString(), recordLength,
                                                     settings.fieldPositions, settings.usePopulationFields);
    }
    std::unique_ptr<RecordWriter> writer = OpenOutput(settings, *reader, inputHandedOver, std::move(opened.output));

    while (!cancelled && reader->ReadLine(line)) {
        cancelled = observer.CancelRequested(reader->InputPosition());
        if (line.length == 0) {
            CountOne(statistics.EmptyRecordsSkipped);
            continue;
        }
        CountLineLength(line.length, statistics);
        if (builder) {
            writer->WriteRecord(builder->BuildRecord(line.text, statistics), recordLength);
        } else {
            CountPadOrTruncate(line, recordLength, statistics);
            writer->WriteRecord(line.text, line.length);
        }
    }
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
    // Only a file the run created or emptied itself may be deleted after a cancel.
    const bool outputHandedOver = opened.output != nullptr;
    bool cancelled = false;
    auto fail = [&](const char* message) {
        result.outcome = RunOutcome::Failed;
        result.message = message;
        observer.ReportFailure(message);
    };
    try {
        ConvertLines(settings, opened, observer, result.statistics, cancelled);
    } catch (MpException& error) {
        fail(error.GetErrorMessage());
    } catch (...) {
        fail("Unknown error!");
    }
    if (cancelled) {
        result.outcome = RunOutcome::Cancelled;
        if (outputHandedOver) return result;
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
