#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "MpIniSection.h"

namespace {

struct SplitCase {
    const char* sText;
    const char* sKey;
    const char* sValue;
};

// The reader's split: key and value trimmed, one pair of enclosing double quotes removed.
const SplitCase kSplitCases[] = {
    {"Key=Value", "Key", "Value"},
    {"  Key  =  Value  ", "Key", "Value"},
    {"Key=\"  padded  \"", "Key", "  padded  "},
    {"Key=  \"x\"  ", "Key", "x"},
    {"Key=\"", "Key", "\""},
    {"Key=\"\"", "Key", ""},
    {"Key=\"\"\"\"", "Key", "\"\""},
    {"Key=\"open", "Key", "\"open"},
    {"Key=a=\"b\"", "Key", "a=\"b\""},
    {"Key With Blanks=1", "Key With Blanks", "1"},
    {"#NotAComment=1", "#NotAComment", "1"},
    {"NoEquals", "NoEquals", ""},
    {"\"Quoted\"=1", "\"Quoted\"", "1"},
};

TEST(MpIniSection, SplitLineTrimsAndUnquotes) {
    MpString sKey;
    MpString sValue;
    for (const SplitCase& c : kSplitCases) {
        MpIniSection::SplitLine(c.sText, sKey, sValue);
        EXPECT_STREQ(c.sKey, sKey.GetCString()) << "text: '" << c.sText << "'";
        EXPECT_STREQ(c.sValue, sValue.GetCString()) << "text: '" << c.sText << "'";
    }
}

struct NameCase {
    const char* sGiven;
    const char* sStored;
};

TEST(MpIniSection, NamesAreStoredInBrackets) {
    const NameCase cases[] = {
        {"FileInfo", "[FileInfo]"}, {"[FileInfo]", "[FileInfo]"}, {"[open", "[open"}, {" x ", "[ x ]"}};
    for (const NameCase& c : cases) {
        MpIniSection section(c.sGiven);
        EXPECT_STREQ(c.sStored, section.GetName()) << "given: '" << c.sGiven << "'";
        EXPECT_FALSE(section.GetIsModified());
        EXPECT_FALSE(section.GetIsLoaded());
    }
    MpIniSection section("Kept");
    section.SetName(nullptr);
    EXPECT_STREQ("[Kept]", section.GetName());
}

struct IntCase {
    const char* sValue;  // null: the key is missing
    int32_t lExpected;
};

TEST(MpIniSection, GetIntReadsDecimalAndHexadecimal) {
    const int32_t kDefault = 99;
    const IntCase cases[] = {
        {"12", 12},        {"-7", -7},       {" 42 ", 42},          {"1-2", 1},
        {"-", 0},          {"0x1F", 31},     {"0xffffffff", -1},    {"0X1F", kDefault},
        {"0x", kDefault},  {"12a", kDefault}, {"", kDefault},       {nullptr, kDefault},
        {"99999999999", INT32_MAX},
    };
    for (const IntCase& c : cases) {
        MpIniSection section("S");
        if (c.sValue != nullptr) section.AddLine("Number", c.sValue);
        EXPECT_EQ(c.lExpected, section.GetInt("Number", kDefault))
            << "value: '" << (c.sValue ? c.sValue : "<missing>") << "'";
    }
}

struct BoolCase {
    const char* sValue;  // null: the key is missing
    bool bDefault;
    bool bExpected;
};

TEST(MpIniSection, GetBoolAcceptsTrueYesAndOne) {
    const BoolCase cases[] = {
        {"Yes", false, true},  {"TRUE", false, true}, {"1", false, true},  {"01", false, true},
        {" yes ", false, true}, {"no", true, false},  {"0", true, false},  {"2", true, false},
        {"Y", true, false},    {"", true, true},      {"", false, false},  {nullptr, true, true},
    };
    for (const BoolCase& c : cases) {
        MpIniSection section("S");
        if (c.sValue != nullptr) section.AddLine("Flag", c.sValue);
        EXPECT_EQ(c.bExpected, section.GetBool("Flag", c.bDefault))
            << "value: '" << (c.sValue ? c.sValue : "<missing>") << "' default " << c.bDefault;
    }
}

TEST(MpIniSection, KeyLookupIgnoresCaseAndTheFirstLineWins) {
    MpIniSection section("S");
    section.AddLine("LENGTH", "5");
    section.AddLine("Length", "6");
    EXPECT_EQ(5, section.GetInt("Length", 0));
    EXPECT_EQ(0, section.FindKey("length"));
    EXPECT_EQ(-1, section.FindKey("Width"));
    EXPECT_EQ(-1, section.FindKey(nullptr));
    EXPECT_STREQ("fallback", section.GetString("Width", "fallback"));
    EXPECT_STREQ("", section.GetString("Width", nullptr));
}

TEST(MpIniSection, GetStringIntoABufferIsCutAndTerminated) {
    MpIniSection section("S");
    section.AddLine("Name", "abcdef");
    char sBuffer[8] = "zzzzzzz";
    EXPECT_STREQ("abc", section.GetString("Name", "", sBuffer, 4));
    EXPECT_STREQ("abcdef", section.GetString("Name", "", sBuffer, sizeof sBuffer));
    EXPECT_STREQ("", section.GetString("Name", "", sBuffer, 1));
}

TEST(MpIniSection, GetLineOutsideTheLinesRaisesWithItsEntry) {
    MpIniSection section("S");
    section.AddLine("A", "1");
    try {
        section.GetLine(1);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Index 1 out of range; array is from 0 to 0", e.GetErrorMessage());
        EXPECT_STREQ("MpVector", e.GetClassName());
        EXPECT_STREQ("GetLine() of MpIniSection", e.GetCallpath());
    }
}

TEST(MpIniSection, CloneCopiesLinesCommentsAndFlags) {
    MpIniSection section("S");
    section.AddComment("c");
    section.AddLine("A", "1");
    std::unique_ptr<MpIniSection> copy(section.Clone());
    section.GetLine(0)->SetValue("2");
    EXPECT_STREQ("[S]", copy->GetName());
    EXPECT_TRUE(copy->GetIsModified());
    EXPECT_STREQ("1", copy->GetString("A", ""));
    EXPECT_STREQ("c", copy->GetCommentBlock(0).at(0).GetCString());
}

}  // namespace
