#include "CheckRun.h"

#include "MpException.h"
#include "ObserverWatch.h"

namespace lathwell {

void CheckRecords(FixedRecordReader& reader, const RecordChecker& checker, int64_t inputBytes,
                  ConversionObserver& observer, size_t shownPerKind, CheckSummary& summary) {
    observer.RunStarting(inputBytes);
    RunStop stop;
    ObserverWatch watch(observer, stop);
    const ScopedWatch<FixedRecordReader> watching(reader, watch);
    std::array<size_t, kFindingKinds> shownOfKind{};
    std::vector<Finding> findings;
    FixedRecord record;
    try {
        while (reader.Next(record)) {
            ++summary.records;
            if (stop.Requested()) {
                summary.cancelled = true;
                return;
            }
            findings.clear();
            if (checker.Check(record, findings)) continue;
            ++summary.recordsWithFindings;
            for (Finding& finding : findings) {
                const auto kind = static_cast<size_t>(finding.kind);
                ++summary.counts[kind];
                if (shownOfKind[kind]++ < shownPerKind) summary.shown.push_back(std::move(finding));
            }
        }
    } catch (const MpException&) {
        // A read that waited for input ends at a stop: that is the stop, not a failure.
        if (!stop.Requested()) throw;
        summary.cancelled = true;
    }
}

}  // namespace lathwell
