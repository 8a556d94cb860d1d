#include "FieldMatcher.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace lathwell {

namespace {

AvailableField Field(const char* shown, const char* position, int32_t section) {
    AvailableField field;
    field.shownName = shown;
    field.position = position;
    field.sectionIndex = section;
    return field;
}

std::vector<std::string> ShownNames(const std::vector<AvailableField>& fields) {
    std::vector<std::string> names;
    for (const AvailableField& f : fields) names.emplace_back(f.shownName.c_str());
    return names;
}

}  // namespace

TEST(FieldMatcher, SplitsHeaderWithoutQuotesAndTrims) {
    std::vector<ColumnHeader> headers = SplitHeaderLine(" Name ,\"A,B\",\t,AGE");
    ASSERT_EQ(5u, headers.size());
    const char* texts[] = {"Name", "\"A", "B\"", "<Blank>", "AGE"};
    for (size_t i = 0; i < headers.size(); ++i) {
        EXPECT_EQ(MpString(texts[i]), headers[i].text) << i;
        EXPECT_EQ(i == 3, headers[i].blank) << i;
    }
}

TEST(FieldMatcher, KeyUpperCasesAndTurnsBlanksIntoUnderscores) {
    EXPECT_EQ(MpString("DATE_OF_BIRTH"), MatchKey("date of birth"));
    EXPECT_EQ(MpString("DATE_OF_BIRTH"), MatchKey("DATE_OF_BIRTH"));
    EXPECT_EQ(MpString("DEATHS_(CASES)"), MatchKey("Deaths (Cases)"));
}

TEST(FieldMatcher, MatchesTheFirstFieldWithTheSameKeyInListOrder) {
    std::vector<AvailableField> fields = {Field("Date Of Birth", "5", 4), Field("DATE_OF_BIRTH", "1", 3),
                                          Field("Deaths (Cases)", "9", 7)};
    std::vector<ColumnHeader> headers = SplitHeaderLine("date of birth,Deaths,deaths (cases),\"Date Of Birth\"");
    EXPECT_EQ((std::vector<int32_t>{0, -1, 2, -1}), FindMatchingFields(headers, fields));
}

TEST(FieldMatcher, NeverMatchesAFieldBeyondWhatAMapEntryHolds) {
    std::vector<AvailableField> fields = {Field("Far", "1", 32768), Field("Far", "2", 32767)};
    EXPECT_EQ((std::vector<int32_t>{1}), FindMatchingFields(SplitHeaderLine("far"), fields));
}

TEST(FieldMatcher, FillsOnlyColumnsBeyondTheMap) {
    std::vector<AvailableField> fields = {Field("Name", "1", 3), Field("Age", "10", 5)};
    std::vector<ColumnHeader> headers = SplitHeaderLine("Name,AGE,Other, ,Name");
    MpVector<int16_t> map;
    map.push_back(-1);  // the user ignored the first column earlier
    MatchNewColumns(headers, fields, map);
    EXPECT_EQ((std::vector<int16_t>{-1, 5, -1, -1, 3}), std::vector<int16_t>(map.begin(), map.end()));
}

TEST(FieldMatcher, BlankHeaderMatchesAFieldShownAsBlank) {
    std::vector<AvailableField> fields = {Field("x", "1", 2), Field("<blank>", "1", 3)};
    MpVector<int16_t> map;
    MatchNewColumns(SplitHeaderLine(" ,x"), fields, map);
    EXPECT_EQ((std::vector<int16_t>{3, 2}), std::vector<int16_t>(map.begin(), map.end()));
}

TEST(FieldMatcher, SortNumberReadsLeadingDigitsAndPutsEmptyLast) {
    const struct {
        const char* text;
        int32_t number;
    } cases[] = {{"12", 12}, {"N/A", 0}, {"", 2147483647}, {"7abc", 7}, {"-3", -3}, {" 42", 42},
                 {"99999999999", 2147483647}};
    for (const auto& c : cases) EXPECT_EQ(c.number, SortNumber(c.text)) << c.text;
}

TEST(FieldMatcher, SortsByEachColumnKeepingTheOrderOfEqualOnes) {
    std::vector<AvailableField> fields = {Field("beta", "10", 4), Field("Alpha", "N/A", 9), Field("gamma", "", 2),
                                          Field("delta", "2", 7), Field("Epsilon", "0", 3)};
    SortAvailableFields(fields, FieldListColumn::Position);
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Epsilon", "delta", "beta", "gamma"}), ShownNames(fields));
    SortAvailableFields(fields, FieldListColumn::Name);
    EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "delta", "Epsilon", "gamma"}), ShownNames(fields));
    SortAvailableFields(fields, FieldListColumn::Section);
    EXPECT_EQ((std::vector<std::string>{"gamma", "Epsilon", "beta", "delta", "Alpha"}), ShownNames(fields));
}

}  // namespace lathwell
