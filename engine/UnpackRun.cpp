#include "UnpackRun.h"

#include <vector>

#include "RunPreparation.h"

namespace lathwell {

namespace {

constexpr int64_t kRecordsPerPoll = 4096;

// Writes the lines; returns whether the observer asked to stop. Failures leave as exceptions,
// with result.failureRecord set when a record caused them.
bool WriteLines(FixedRecordReader& reader, const RecordUnpacker& unpacker, const RecordChecker& checker,
                RecordWriter& writer, ConversionObserver& observer, UnpackResult& result) {
    writer.CommitBytes(unpacker.Header(writer.NextRecord()));
    std::vector<Finding> findings;
    FixedRecord record;
    while (reader.Next(record)) {
        if (!checker.CheckShape(record, findings)) {
            result.failureRecord = record.number;
            throw MpException(findings.front().what.c_str());
        }
        writer.CommitBytes(unpacker.Unpack(record.bytes, writer.NextRecord()));
        ++result.records;
        if (result.records % kRecordsPerPoll == 0 && observer.CancelRequested(reader.BytesConsumed()))
            return true;
    }
    writer.Close();
    return false;
}

}  // namespace

UnpackResult UnpackRecords(FixedRecordReader& reader, const RecordUnpacker& unpacker,
                           const RecordChecker& checker, const UnpackSettings& settings,
                           std::unique_ptr<RecordWriter> handedOver, ConversionObserver& observer) {
    const bool outputHandedOver = handedOver != nullptr;
    std::unique_ptr<RecordWriter> writer =
        outputHandedOver ? std::move(handedOver)
                         : PrepareOutput(settings.outputName.GetCString(),
                                         static_cast<int32_t>(unpacker.LongestLine()), settings.createNew,
                                         settings.threads, settings.level);
    UnpackResult result;
    observer.RunStarting(settings.inputBytes);
    bool cancelled = false;
    try {
        cancelled = WriteLines(reader, unpacker, checker, *writer, observer, result);
    } catch (const MpException& error) {
        result.outcome = RunOutcome::Failed;
        result.message = error.GetErrorMessage();
        observer.ReportFailure(error.GetErrorMessage());
    }
    if (!cancelled) return result;
    result.outcome = RunOutcome::Cancelled;
    if (outputHandedOver) return result;
    try {
        writer->Abandon();
    } catch (const MpException& error) {
        result.message = error.GetErrorMessage();
        observer.ReportFailure(error.GetErrorMessage());
    }
    return result;
}

}  // namespace lathwell
