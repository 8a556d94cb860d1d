// The captions of a run's results, as the results window shows them and lathwell-cli prints
// them: two headings and the eight statistics, the input file's four over the output file's
// four. Two statistics have a caption of two lines; the number stands beside the second.
#pragma once

#include <cstdint>

#include "ConversionRun.h"
#include "MpString.h"

namespace lathwell {

struct ResultCaption {
    int32_t RunStatistics::*value;
    // The first line of a two-line caption, else null.
    const char* firstLine;
    // The line the number stands beside.
    const char* caption;
};

// In the order the window shows them, column by column and top to bottom.
extern const ResultCaption kResultCaptions[8];

// REQUIRES: value is one of the eight statistics.
const ResultCaption& CaptionOf(int32_t RunStatistics::*value);

extern const char* const kInputFileHeading;  // "Input File:"

// "Output File (Rec Len 1,234):", the length with thousands separators.
MpString OutputFileHeading(int32_t recordLength);

}  // namespace lathwell
