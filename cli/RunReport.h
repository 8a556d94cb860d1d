// The statistics of a finished run, as lathwell-cli prints them: a text laid out like the
// results window (its captions, numbers with thousands separators) and a one-line JSON object.
#pragma once

#include <cstdint>
#include <string>

#include "ConversionRun.h"

namespace lathwell::cli {

// The results window's two columns one under the other; a two-line caption of the window
// keeps its two lines, with the number on the second. Ends in a line feed.
std::string StatisticsText(int32_t recordLength, const RunStatistics& statistics);

// {"RecordLength":..,"LinesProcessed":..,...,"Error":null or "message"} and a line feed.
// error is null when the run completed.
std::string StatisticsJson(int32_t recordLength, const RunStatistics& statistics, const std::string* error);

}  // namespace lathwell::cli
