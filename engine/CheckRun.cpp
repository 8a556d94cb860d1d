#include "CheckRun.h"

namespace lathwell {

namespace {

// Records between two questions to the observer: often enough for a prompt stop, rarely enough
// to cost nothing per record.
constexpr int64_t kRecordsPerPoll = 4096;

}  // namespace

void CheckRecords(FixedRecordReader& reader, const RecordChecker& checker, int64_t inputBytes,
                  ConversionObserver& observer, size_t shownPerKind, CheckSummary& summary) {
    observer.RunStarting(inputBytes);
    std::array<size_t, kFindingKinds> shownOfKind{};
    std::vector<Finding> findings;
    FixedRecord record;
    while (reader.Next(record)) {
        ++summary.records;
        if (summary.records % kRecordsPerPoll == 0 && observer.CancelRequested(reader.BytesConsumed())) {
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
}

}  // namespace lathwell
