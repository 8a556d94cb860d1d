#include <gtest/gtest.h>

#include <string>

#include "MpIniLine.h"

namespace {

struct LineCase {
    const char* sLine;
    const char* sKey;
    const char* sValue;
};

// A text line is cut at the first "=": the key is trimmed, the value is kept exactly.
const LineCase kLineCases[] = {
    {"Length=5", "Length", "5"},
    {"  Length \t= 5 ", "Length", " 5 "},
    {"Name=\"a b\"", "Name", "\"a b\""},
    {"Formula=a=b", "Formula", "a=b"},
    {"Lonely", "Lonely", ""},
    {"  Two Words  ", "Two Words", ""},
    {"=value", "", "value"},
    {"", "", ""},
};

TEST(MpIniLine, SetLineSplitsAtTheFirstEqualsSign) {
    for (const LineCase& c : kLineCases) {
        MpIniLine line(c.sLine);
        EXPECT_STREQ(c.sKey, line.GetKey()) << "line: '" << c.sLine << "'";
        EXPECT_STREQ(c.sValue, line.GetValue()) << "line: '" << c.sLine << "'";
    }
}

TEST(MpIniLine, KeyIsTrimmedValueIsKept) {
    MpIniLine line(" \tKey\r ", "  value  ");
    EXPECT_STREQ("Key", line.GetKey());
    EXPECT_STREQ("  value  ", line.GetValue());
    line.SetValue(nullptr);
    EXPECT_STREQ("", line.GetValue());
}

}  // namespace
