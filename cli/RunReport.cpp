#include "RunReport.h"

#include <cstdio>
#include <iterator>

#include "JsonText.h"
#include "ResultCaptions.h"
#include "ThousandsSeparators.h"

namespace lathwell::cli {

namespace {

// Wide enough for the longest caption and for -2,147,483,648.
constexpr int kCaptionWidth = 22;
constexpr int kNumberWidth = 14;

std::string NumberLine(const char* caption, int32_t value) {
    char line[96];
    std::snprintf(line, sizeof line, "  %-*s %*s\n", kCaptionWidth, caption, kNumberWidth,
                  FormatWithThousandsSeparators(value).GetCString());
    return line;
}

const char* TerminalCaption(const ResultCaption& caption) {
    return caption.value == &RunStatistics::LinesProcessed ? "Lines Processed:" : caption.caption;
}

std::string CaptionLines(const ResultCaption& caption, const RunStatistics& statistics) {
    std::string lines;
    if (caption.firstLine != nullptr) lines = std::string("  ") + caption.firstLine + "\n";
    return lines + NumberLine(TerminalCaption(caption), statistics.*caption.value);
}

}  // namespace

std::string StatisticsText(int32_t recordLength, const RunStatistics& statistics) {
    constexpr std::size_t kInputCaptions = 4;
    std::string text = std::string(kInputFileHeading) + "\n";
    for (std::size_t i = 0; i < std::size(kResultCaptions); ++i) {
        if (i == kInputCaptions) text += std::string(OutputFileHeading(recordLength).GetCString()) + "\n";
        text += CaptionLines(kResultCaptions[i], statistics);
    }
    return text;
}

std::string StatisticsJson(int32_t recordLength, const RunStatistics& statistics, const std::string* error,
                           const RunNotes& notes) {
    JsonObject object;
    object.AddNumber("RecordLength", recordLength)
        .AddNumber("LinesProcessed", statistics.LinesProcessed)
        .AddNumber("MinRecordLength", statistics.MinRecordLength)
        .AddNumber("MaxRecordLength", statistics.MaxRecordLength)
        .AddNumber("RecordsEdited", statistics.RecordsEdited)
        .AddNumber("LinesTruncated", statistics.LinesTruncated)
        .AddNumber("LinesPadded", statistics.LinesPadded)
        .AddNumber("EmptyRecordsSkipped", statistics.EmptyRecordsSkipped)
        .AddNumber("LinesAsciiFixed", statistics.LinesAsciiFixed)
        .AddStringOrNull("Error", error);
    if (notes.errorLine > 0) object.AddNumber("ErrorLine", notes.errorLine);
    if (!notes.warnings.empty()) {
        JsonArray warnings;
        for (const std::string& warning : notes.warnings) warnings.Add(JsonQuoted(warning));
        object.AddJson("Warnings", warnings.Text());
    }
    return object.Text() + "\n";
}

}  // namespace lathwell::cli
