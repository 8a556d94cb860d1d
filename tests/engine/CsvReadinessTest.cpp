#include <gtest/gtest.h>

#include <string>

#include "CsvReadiness.h"
#include "ResultCaptions.h"
#include "TempDir.h"

namespace lathwell {

TEST(CsvReadiness, CountsEveryMatchedColumn) {
    EXPECT_EQ(0, CountMatchedColumns(MpVector<int16_t>()));
    EXPECT_EQ(1, CountMatchedColumns(MpVector<int16_t>({-1, 0, -5})));
    EXPECT_EQ(3, CountMatchedColumns(MpVector<int16_t>({3, 4, 5})));
    EXPECT_FALSE(HasEnoughMatchedColumns(MpVector<int16_t>({-1, 0, -5})));
    EXPECT_TRUE(HasEnoughMatchedColumns(MpVector<int16_t>({3, -1, 5})));
    EXPECT_STREQ(
        "At least two fields in the Input File must be matched with corresponding fields from the DD "
        "File.  Please set field positions.",
        kTooFewMatchedColumnsForRunMessage);
}

TEST(CsvReadiness, ReadsTheHeaderLineByItsRules) {
    TempDir dir;
    const std::string bom = "\xEF\xBB\xBF";
    struct Case {
        std::string firstLine;
        HeaderReading reading;
        std::string firstColumn;
        size_t columns;
        bool byteOrderMark;
    };
    const Case cases[] = {
        {"Year, Sex ,", {}, "Year", 3, false},
        {bom + "Year,Sex", {}, bom + "Year", 2, true},
        {bom + "Year,Sex", {',', true}, "Year", 2, true},
        {"Year;Sex,Age;Count", {';', false}, "Year", 3, false},
        {"Year\tSex", {'\t', false}, "Year", 2, false},
        {"", {}, "<Blank>", 1, false},
    };
    for (const Case& c : cases) {
        CsvHeader header = ReadCsvHeader(dir.Write("h.csv", c.firstLine + "\r\n1,2\n").c_str(), c.reading);
        ASSERT_EQ(c.columns, header.columns.size()) << c.firstLine;
        EXPECT_EQ(c.byteOrderMark, header.byteOrderMark) << c.firstLine;
        EXPECT_STREQ(c.firstColumn.c_str(), header.columns[0].text.GetCString());
        EXPECT_EQ(c.columns >= 2, IsUsableCsvHeader(header.columns)) << c.firstLine;
    }
}

TEST(ResultCaptions, HoldEveryStatisticOnce) {
    for (const ResultCaption& caption : kResultCaptions) EXPECT_EQ(&caption, &CaptionOf(caption.value));
    EXPECT_STREQ("Output File (Rec Len 12,345):", OutputFileHeading(12345).GetCString());
}

}  // namespace lathwell
