#include "ConversionRun.h"

#include <memory>
#include <strings.h>

#include "CsvRecordBuilder.h"
#include "GzipLineReader.h"
#include "GzipRecordWriter.h"
#include "MpFileName.h"
#include "MpIO.h"
#include "PlainLineReader.h"
#include "PlainRecordWriter.h"
#include "SameFile.h"

namespace {

// A name such as data.txd.gz is compressed; data.gz.txd is not.
bool IsCompressedName(const char* name) {
    MpFileName fileName(name);
    return strcasecmp(fileName.GetExtension(), ".gz") == 0;
}

std::unique_ptr<LineReader> OpenInput(const ConversionSettings& settings) {
    const char* name = settings.inputName.GetCString();
    if (IsCompressedName(name)) return std::make_unique<GzipLineReader>(name, settings.blankUnprintable);
    return std::make_unique<PlainLineReader>(name, settings.blankUnprintable);
}

// Opening the output creates or empties it, so an output that is the input or the DD file
// under another name is refused first.
std::unique_ptr<RecordWriter> OpenOutput(const ConversionSettings& settings) {
    const char* name = settings.outputName.GetCString();
    if (IsSameFile(name, settings.inputName.GetCString())) {
        throw MpException("Output File and Input File are the same");
    }
    if (!settings.ddFileName.IsEmpty() && IsSameFile(name, settings.ddFileName.GetCString())) {
        throw MpException("Output File and DD File are the same");
    }
    if (IsCompressedName(name)) return std::make_unique<GzipRecordWriter>(name, settings.recordLength);
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

// Opens the files, converts every line and closes the files; cancelled is set as soon as the
// observer asks to stop, so it stays set when the line being handled then fails. Failures leave
// as exceptions; the files are closed on the way out (the output keeping what was written)
// because the reader and the writer are locals.
void ConvertLines(const ConversionSettings& settings, ConversionObserver& observer, RunStatistics& statistics,
                  bool& cancelled) {
    if (settings.recordLength < 1) throw MpException("Please specify a record length");
    const int32_t recordLength = settings.recordLength;
    std::unique_ptr<LineReader> reader = OpenInput(settings);
    TextLine line;
    std::unique_ptr<CsvRecordBuilder> builder;
    if (!settings.ddFileName.IsEmpty()) {
        reader->ReadLine(line);  // the column header line
        builder = std::make_unique<CsvRecordBuilder>(settings.ddFileName.GetCString(), recordLength,
                                                     settings.fieldPositions, settings.usePopulationFields);
    }
    std::unique_ptr<RecordWriter> writer = OpenOutput(settings);

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
    ConversionResult result;
    observer.RunStarting(MpIOInterface::GetFileSizeByName(settings.inputName.GetCString()));
    bool cancelled = false;
    auto fail = [&](const char* message) {
        result.outcome = RunOutcome::Failed;
        result.message = message;
        observer.ReportFailure(message);
    };
    try {
        ConvertLines(settings, observer, result.statistics, cancelled);
    } catch (MpException& error) {
        fail(error.GetErrorMessage());
    } catch (...) {
        fail("Unknown error!");
    }
    if (cancelled) {
        result.outcome = RunOutcome::Cancelled;
        try {
            MpIOInterface::Delete(settings.outputName.GetCString());
        } catch (MpException& error) {
            result.message = error.GetErrorMessage();
            observer.ReportFailure(error.GetErrorMessage());
        }
    }
    return result;
}
