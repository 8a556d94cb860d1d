// FindFieldOverlaps: which fields of a record layout share bytes, found with one sort and one
// sweep, so a layout of a million fields is checked in moments and in memory proportional to
// its fields. The pairs are listed up to a bound, in order of their first field's start; the
// total count is exact whatever the bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace lathwell {

struct FieldSpan {
    int64_t start;   // 1-based first byte
    int64_t length;  // a field shorter than 1 byte takes no byte and overlaps nothing
};

struct FieldOverlaps {
    std::vector<std::pair<size_t, size_t>> pairs;  // indexes into the spans, the first the lower
    int64_t total = 0;                             // all overlapping pairs
};

FieldOverlaps FindFieldOverlaps(const std::vector<FieldSpan>& spans, size_t maxPairs);

}  // namespace lathwell
