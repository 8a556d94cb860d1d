#include "FieldOverlaps.h"

#include <algorithm>

namespace lathwell {

FieldOverlaps FindFieldOverlaps(const std::vector<FieldSpan>& spans, size_t maxPairs) {
    std::vector<size_t> order;
    order.reserve(spans.size());
    for (size_t i = 0; i < spans.size(); ++i) {
        if (spans[i].length >= 1) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return spans[a].start < spans[b].start; });
    FieldOverlaps overlaps;
    auto endOf = [&](size_t i) { return spans[i].start + spans[i].length - 1; };
    for (size_t at = 0; at < order.size(); ++at) {
        // The fields after this one in start order that start within it overlap it; those before
        // it were counted with their own.
        const int64_t end = endOf(order[at]);
        const auto last = std::upper_bound(order.begin() + static_cast<std::ptrdiff_t>(at) + 1, order.end(), end,
                                           [&](int64_t byte, size_t i) { return byte < spans[i].start; });
        const size_t partners = static_cast<size_t>(last - order.begin()) - at - 1;
        overlaps.total += static_cast<int64_t>(partners);
        for (size_t next = at + 1; next <= at + partners && overlaps.pairs.size() < maxPairs; ++next) {
            overlaps.pairs.emplace_back(std::min(order[at], order[next]), std::max(order[at], order[next]));
        }
    }
    return overlaps;
}

}  // namespace lathwell
