// The statistics of a finished run, as lathwell-cli prints them: a text laid out like the
// results window (its captions, numbers with thousands separators) and a one-line JSON object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ConversionRun.h"

namespace lathwell::cli {

// The results window's two columns one under the other; a two-line caption of the window
// keeps its two lines, with the number on the second. Ends in a line feed. The window's
// "Lines Precessed:" reads as a typo in a terminal, so it is printed "Lines Processed:".
std::string StatisticsText(int32_t recordLength, const RunStatistics& statistics);

// What a run adds to its statistics when there is something to add.
struct RunNotes {
    int64_t errorLine = 0;              // the input line the failure came from, 0 for none
    std::vector<std::string> warnings;  // in the order they arose
};

// {"RecordLength":..,"LinesProcessed":..,...,"Error":null or "message"} and a line feed; then
// "ErrorLine":N when the failure came from a line and "Warnings":[..] when there are any.
// error is null when the run completed.
std::string StatisticsJson(int32_t recordLength, const RunStatistics& statistics, const std::string* error,
                           const RunNotes& notes = RunNotes());

}  // namespace lathwell::cli
