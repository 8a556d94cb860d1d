#include "DDCheck.h"

#include <string>

#include <gtest/gtest.h>

#include "FieldOverlaps.h"
#include "TempDir.h"

namespace lathwell {

TEST(DDCheck, NamesTheMistakesOfAHandWrittenFile) {
    const std::string head = "[FileInfo]\nRecordLength=10\n";
    const struct {
        const char* sections;
        const char* findings;  // each followed by "|"
    } rows[] = {
        {"[Field1]\nFieldName=A\nLength=3\nByteOffset=1\n", ""},
        {"[Field1]\nFieldName=A\nLength=3 ; digits\nByteOffset=1\n",
         "[Field1] Length=3 ; digits: a ';' after a value is part of the value, not a comment|"
         "[Field1] A takes no byte (Length 0)|"},
        {"[Field1]\nFieldName=A\nLength=three\nByteOffset=1\n",
         "[Field1] Length=three: not a whole number, read as 0|[Field1] A takes no byte (Length 0)|"},
        {"[Field1]\nFieldName=A\nLength=0x3\nByteOffset=1\nLenght=4\nColour=red\n",
         "[Field1] Lenght: unknown key, not read (did you mean Length?)|[Field1] Colour: unknown key, not read|"},
        {"[field3]\nFieldName=A\n", "[field3] is not read as a field: field sections begin with [Field|"},
        {"[Field1]\nFieldName=A\nLength=3\nByteOffset=1\n[Field2]\nFieldName=a\nLength=3\nByteOffset=4\n",
         "[Field2] has the FieldName a of [Field1]|"},
        {"[Field1]\nFieldName=A\nLength=3\nByteOffset=1\n[Field2]\nFieldName=B\nLength=3\nByteOffset=3\n",
         "[Field1] A overlaps [Field2] B at bytes 3-3|"},
        {"[Field1]\nFieldName=A\nLength=3\nByteOffset=9\n[Field2]\nFieldName=B\nLength=3\n",
         "[Field1] A ends at byte 11, past the record length 10|[Field2] B starts before byte 1 (at 0)|"},
        {"[Field1]\nFieldName=A\nLength=3\nByteOffset=1\nType=Text\nDecimals=2\n",
         "[Field1] is a Text field: its Sign and Decimals are not used|"},
        {"[Field1]\nFieldName=A\nLength=3\nByteOffset=1\nJustify=Centre\n",
         "[Field1] Justify=Centre is not Left or Right|"},
    };
    for (const auto& row : rows) {
        TempDir dir;
        DDFile ddFile(dir.Write("check.dd", head + row.sections).c_str());
        const DDCheckResult check = CheckDDFile(ddFile, false);
        std::string findings;
        for (const std::string& finding : check.findings) findings += finding + "|";
        EXPECT_EQ(row.findings, findings) << row.sections;
        EXPECT_EQ(static_cast<int64_t>(check.findings.size()), check.total) << row.sections;
    }
}

TEST(DDCheck, OverlapsAreCountedInFullAndListedUpToTheBound) {
    // A thousand one-byte fields over ten bytes: each byte is shared by a hundred fields.
    std::vector<FieldSpan> spans;
    for (int i = 0; i < 1000; ++i) spans.push_back({1 + i % 10, 1});
    spans.push_back({1, 0});  // takes no byte
    const FieldOverlaps overlaps = FindFieldOverlaps(spans, 5);
    EXPECT_EQ(10 * (100 * 99 / 2), overlaps.total);
    ASSERT_EQ(5u, overlaps.pairs.size());
    EXPECT_EQ(std::make_pair(size_t{0}, size_t{10}), overlaps.pairs[0]);
}

}  // namespace lathwell
