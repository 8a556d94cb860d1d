// RunStatistics in GoogleTest expectations, for the engine and command-line tests: equality
// over all eight counters, a printer that names every counter (so a failure shows them all),
// and Counts to write the expected counters in the order the results window lists them.
#pragma once

#include <cstdint>
#include <ostream>

#include "ConversionRun.h"

namespace lathwell {

inline bool operator==(const RunStatistics& a, const RunStatistics& b) {
    return a.LinesProcessed == b.LinesProcessed && a.MinRecordLength == b.MinRecordLength &&
           a.MaxRecordLength == b.MaxRecordLength && a.RecordsEdited == b.RecordsEdited &&
           a.LinesTruncated == b.LinesTruncated && a.LinesPadded == b.LinesPadded &&
           a.EmptyRecordsSkipped == b.EmptyRecordsSkipped && a.LinesAsciiFixed == b.LinesAsciiFixed;
}

inline void PrintTo(const RunStatistics& s, std::ostream* out) {
    *out << "{LinesProcessed " << s.LinesProcessed << ", MinRecordLength " << s.MinRecordLength
         << ", MaxRecordLength " << s.MaxRecordLength << ", RecordsEdited " << s.RecordsEdited
         << ", LinesTruncated " << s.LinesTruncated << ", LinesPadded " << s.LinesPadded
         << ", EmptyRecordsSkipped " << s.EmptyRecordsSkipped << ", LinesAsciiFixed " << s.LinesAsciiFixed << "}";
}

inline RunStatistics Counts(int32_t processed, int32_t minimum, int32_t maximum, int32_t edited,
                            int32_t truncated, int32_t padded, int32_t empty, int32_t asciiFixed) {
    RunStatistics statistics;
    statistics.LinesProcessed = processed;
    statistics.MinRecordLength = minimum;
    statistics.MaxRecordLength = maximum;
    statistics.RecordsEdited = edited;
    statistics.LinesTruncated = truncated;
    statistics.LinesPadded = padded;
    statistics.EmptyRecordsSkipped = empty;
    statistics.LinesAsciiFixed = asciiFixed;
    return statistics;
}

}  // namespace lathwell
