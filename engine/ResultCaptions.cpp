#include "ResultCaptions.h"

#include "ThousandsSeparators.h"

namespace lathwell {

const ResultCaption kResultCaptions[8] = {
    {&RunStatistics::LinesProcessed, nullptr, "Lines Precessed:"},
    {&RunStatistics::MinRecordLength, nullptr, "Minimum Record Length:"},
    {&RunStatistics::MaxRecordLength, nullptr, "Maximum Record Length:"},
    {&RunStatistics::EmptyRecordsSkipped, "Empty Records Skipped", "Not Processed:"},
    {&RunStatistics::RecordsEdited, nullptr, "Records Edited:"},
    {&RunStatistics::LinesTruncated, nullptr, "Lines Truncated:"},
    {&RunStatistics::LinesPadded, nullptr, "Lines Padded:"},
    {&RunStatistics::LinesAsciiFixed, "Lines with non-ASCII", "Converted to Blanks:"},
};

const ResultCaption& CaptionOf(int32_t RunStatistics::*value) {
    for (const ResultCaption& caption : kResultCaptions) {
        if (caption.value == value) return caption;
    }
    return kResultCaptions[0];  // not reached: every statistic has a caption
}

const char* const kInputFileHeading = "Input File:";

MpString OutputFileHeading(int32_t recordLength) {
    MpString heading("Output File (Rec Len ");
    heading.Append(FormatWithThousandsSeparators(recordLength).GetCString());
    heading.Append("):");
    return heading;
}

}  // namespace lathwell
