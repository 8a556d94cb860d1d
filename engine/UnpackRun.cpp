#include "UnpackRun.h"

#include <vector>

#include "ObserverWatch.h"
#include "RunPreparation.h"

namespace lathwell {

namespace {

// Writes the lines; returns whether the stop was set (the line of the record read then is still
// written). Failures leave as exceptions, with result.failureRecord set when a record caused
// them.
bool WriteLines(FixedRecordReader& reader, const RecordUnpacker& unpacker, const RecordChecker& checker,
                RecordWriter& writer, const RunStop& stop, UnpackResult& result) {
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
        if (stop.Requested()) return true;
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
    RunStop stop;
    ObserverWatch watch(observer, stop);
    const ScopedWatch<FixedRecordReader> watching(reader, watch);
    bool cancelled = false;
    try {
        cancelled = WriteLines(reader, unpacker, checker, *writer, stop, result);
    } catch (const MpException& error) {
        // A read that waited for input ends at a stop: that is the stop, not a failure.
        cancelled = stop.Requested();
        if (!cancelled) {
            result.outcome = RunOutcome::Failed;
            result.message = error.GetErrorMessage();
            observer.ReportFailure(error.GetErrorMessage());
        }
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
