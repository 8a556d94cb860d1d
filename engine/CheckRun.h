// The check of a fixed-length file: every record read and checked, the findings counted by
// kind and the first ones of each kind kept, so that a file with millions of faults costs no
// more memory than a clean one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ConversionObserver.h"
#include "FixedRecordReader.h"
#include "RecordChecker.h"

namespace lathwell {

struct CheckSummary {
    int64_t records = 0;  // records read
    int64_t recordsWithFindings = 0;
    std::array<int64_t, kFindingKinds> counts{};  // findings, by FindingKind
    std::vector<Finding> shown;                   // the first findings of each kind, in the order found
    bool cancelled = false;                       // the observer asked to stop; the rest was not read

    bool Clean() const { return recordsWithFindings == 0; }
};

// Checks every record of reader into summary, keeping the first shownPerKind findings of each
// kind. The observer hears of inputBytes (0: unknown) first and is asked about a cancel as the
// input's watch (see ObserverWatch): after every block read and while a read waits; the record
// read when a cancel is seen is counted, not checked. Raises the reader's MpException; summary
// then holds what was found before.
void CheckRecords(FixedRecordReader& reader, const RecordChecker& checker, int64_t inputBytes,
                  ConversionObserver& observer, size_t shownPerKind, CheckSummary& summary);

}  // namespace lathwell
