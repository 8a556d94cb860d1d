#include "RunReport.h"

#include <cstdio>

#include "JsonText.h"
#include "ThousandsSeparators.h"

namespace lathwell::cli {

namespace {

// Wide enough for the longest caption and for -2,147,483,648.
constexpr int kCaptionWidth = 22;
constexpr int kNumberWidth = 14;

std::string CaptionLine(const char* caption) { return std::string("  ") + caption + "\n"; }

std::string NumberLine(const char* caption, int32_t value) {
    char line[96];
    std::snprintf(line, sizeof line, "  %-*s %*s\n", kCaptionWidth, caption, kNumberWidth,
                  FormatWithThousandsSeparators(value).GetCString());
    return line;
}

}  // namespace

std::string StatisticsText(int32_t recordLength, const RunStatistics& statistics) {
    return std::string("Input File:\n") + NumberLine("Lines Precessed:", statistics.LinesProcessed) +
           NumberLine("Minimum Record Length:", statistics.MinRecordLength) +
           NumberLine("Maximum Record Length:", statistics.MaxRecordLength) +
           CaptionLine("Empty Records Skipped") +
           NumberLine("Not Processed:", statistics.EmptyRecordsSkipped) + "Output File (Rec Len " +
           FormatWithThousandsSeparators(recordLength).GetCString() + "):\n" +
           NumberLine("Records Edited:", statistics.RecordsEdited) +
           NumberLine("Lines Truncated:", statistics.LinesTruncated) +
           NumberLine("Lines Padded:", statistics.LinesPadded) + CaptionLine("Lines with non-ASCII") +
           NumberLine("Converted to Blanks:", statistics.LinesAsciiFixed);
}

std::string StatisticsJson(int32_t recordLength, const RunStatistics& statistics, const std::string* error) {
    return JsonObject()
               .AddNumber("RecordLength", recordLength)
               .AddNumber("LinesProcessed", statistics.LinesProcessed)
               .AddNumber("MinRecordLength", statistics.MinRecordLength)
               .AddNumber("MaxRecordLength", statistics.MaxRecordLength)
               .AddNumber("RecordsEdited", statistics.RecordsEdited)
               .AddNumber("LinesTruncated", statistics.LinesTruncated)
               .AddNumber("LinesPadded", statistics.LinesPadded)
               .AddNumber("EmptyRecordsSkipped", statistics.EmptyRecordsSkipped)
               .AddNumber("LinesAsciiFixed", statistics.LinesAsciiFixed)
               .AddStringOrNull("Error", error)
               .Text() +
           "\n";
}

}  // namespace lathwell::cli
