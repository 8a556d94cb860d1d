#include "MpStringTokenizer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Tokens(const MpStringTokenizer& tokenizer) {
    std::vector<std::string> tokens;
    for (int32_t l = 0; l < tokenizer.CountTokens(); ++l) tokens.push_back(tokenizer.GetToken(l).GetCString());
    return tokens;
}

struct SplitCase {
    const char* text;
    const char* delimiter;
    const char* groupBegin;
    bool keepGroupDelimiters;
    std::vector<std::string> expected;
    const char* groupEnd = nullptr;
    bool keepLeadingSpaces = false;
};

const SplitCase kSplitCases[] = {
    {"a,,b", ",", nullptr, false, {"a", "", "b"}},
    {"a,", ",", nullptr, false, {"a", ""}},
    {"", ",", nullptr, false, {""}},
    {"   ", ",", nullptr, false, {""}},
    {" a , b", ",", nullptr, false, {"a ", "b"}},
    {"\ta,b", ",", nullptr, false, {"\ta", "b"}},
    {"a::b:c", "::", nullptr, false, {"a", "b:c"}},
    {"a, b,c", ", ", nullptr, false, {"a", "b,c"}},
    {"x,\"b,c\",d", ",", "\"", false, {"x", "b,c", "d"}},
    {"\"ab\"cd,e", ",", "\"", false, {"ab", "e"}},
    {"ab\"c,d", ",", "\"", false, {"ab\"c", "d"}},
    {"a, \"b,c\"", ",", "\"", false, {"a", "b,c"}},
    {"\"a\"\"b\",c", ",", "\"", false, {"a", "c"}},
    {"\"\",x", ",", "\"", false, {"", "x"}},
    {"\"b,c\",d", ",", "\"", true, {"\"b,c\"", "d"}},
    {"\"b,c\"", ",", "\"", false, {"b,c"}},
    {"\"b,c\" x", ",", "\"", false, {"b,c"}},
    {"<a,b>,c", ",", "<", false, {"a,b", "c"}, ">"},
    {" a, b", ",", nullptr, false, {" a", " b"}, nullptr, true},
};

}  // namespace

TEST(MpStringTokenizer, SplitsAsTheQuotingRulesSay) {
    for (const SplitCase& c : kSplitCases) {
        MpStringTokenizer tokenizer(c.text, c.delimiter, c.groupBegin, c.keepGroupDelimiters, c.groupEnd,
                                    c.keepLeadingSpaces);
        EXPECT_EQ(Tokens(tokenizer), c.expected) << "text: " << c.text;
    }
}

TEST(MpStringTokenizer, SetStringGivesTheSameTokensAsAFreshTokenizer) {
    // One long-lived tokenizer, texts of growing and shrinking token counts and widths.
    MpStringTokenizer reused(" ", ",", "\"");
    for (const char* text : {"a,bb,ccc", "", "x", "\"p,q\",,r,s,t,u", "long text here,y", "a,bb,ccc"}) {
        reused.SetString(text);
        MpStringTokenizer fresh(text, ",", "\"");
        EXPECT_EQ(Tokens(reused), Tokens(fresh)) << "text: " << text;
    }
}

TEST(MpStringTokenizer, TokenStartsPointIntoTheText) {
    MpStringTokenizer tokenizer("ab, \"cd\",e", ",", "\"");
    EXPECT_EQ(tokenizer.GetTokenStart(0), 0);
    EXPECT_EQ(tokenizer.GetTokenStart(1), 5);
    EXPECT_EQ(tokenizer.GetTokenStart(2), 9);
}

TEST(MpStringTokenizer, CursorCountsAndReadsTokensInOrder) {
    MpStringTokenizer tokenizer("a,b,c", ",");
    EXPECT_EQ(tokenizer.CountTokens(), 3);
    EXPECT_STREQ(tokenizer.GetNextToken().GetCString(), "a");
    EXPECT_EQ(tokenizer.CountTokens(), 2);
    EXPECT_STREQ(tokenizer.GetToken(2).GetCString(), "c");
    EXPECT_EQ(tokenizer.CountTokens(), 2);
    tokenizer.GetNextToken();
    EXPECT_STREQ(tokenizer.GetNextToken().GetCString(), "c");
    EXPECT_FALSE(tokenizer.HasMoreTokens());
    EXPECT_EQ(tokenizer.CountTokens(), 0);

    tokenizer.SetString("d");
    EXPECT_TRUE(tokenizer.HasMoreTokens());
    EXPECT_EQ(tokenizer.CountTokens(), 1);
    EXPECT_STREQ(tokenizer.GetNextToken().GetCString(), "d");
}

TEST(MpStringTokenizer, ReadingPastTheTokensRaises) {
    MpStringTokenizer tokenizer("a,b,c", ",");
    try {
        tokenizer.GetToken(3);
        FAIL() << "GetToken(3) must raise";
    } catch (MpException& e) {
        EXPECT_STREQ(e.GetErrorMessage(), "No token 3 in \"a,b,c\" with delimiter \",\"");
        EXPECT_STREQ(e.GetClassName(), "MpStringTokenizer");
        EXPECT_STREQ(e.GetCallpath(), "GetToken() of MpStringTokenizer");
    }
    EXPECT_THROW(tokenizer.GetToken(-1), MpException);

    for (int l = 0; l < 3; ++l) tokenizer.GetNextToken();
    try {
        tokenizer.GetNextToken();
        FAIL() << "a fourth GetNextToken must raise";
    } catch (MpException& e) {
        EXPECT_STREQ(e.GetErrorMessage(), "Index 3 out of range; array is from 0 to 2");
        EXPECT_STREQ(e.GetClassName(), "MpVector");
        EXPECT_STREQ(e.GetCallpath(), "GetNextToken() of MpStringTokenizer");
    }
    EXPECT_EQ(tokenizer.CountTokens(), 0);
}

TEST(MpStringTokenizer, GroupWithoutEndRaises) {
    const char* kMessage = "A group token has no end delimeter.\nCannot retrieve token as specified.\nPlease correct.\n\n";
    try {
        MpStringTokenizer tokenizer("a,\"b", ",", "\"");
        FAIL() << "an open group must raise";
    } catch (MpStringTokenizerException& e) {
        EXPECT_STREQ(e.GetErrorMessage(), kMessage);
        EXPECT_STREQ(e.GetClassName(), "MpStringTokenizer");
        EXPECT_STREQ(e.GetCallpath(),
                     "ParseStringIntoTokens of MpStringTokenizer\r\nConstructor of MpStringTokenizer");
    }

    MpStringTokenizer tokenizer("x,y,z", ",", "\"");
    tokenizer.GetNextToken();
    try {
        tokenizer.SetString("a,\"b");
        FAIL() << "an open group must raise";
    } catch (MpStringTokenizerException& e) {
        EXPECT_STREQ(e.GetErrorMessage(), kMessage);
        EXPECT_STREQ(e.GetCallpath(),
                     "ParseStringIntoTokens of MpStringTokenizer\r\nSetString() of MpStringTokenizer");
    }
    // The tokens split before the open group remain, and the cursor is back at 0.
    EXPECT_EQ(Tokens(tokenizer), (std::vector<std::string>{"a"}));
    EXPECT_STREQ(tokenizer.GetNextToken().GetCString(), "a");
}

TEST(MpStringTokenizer, BadArgumentsAreRefused) {
    struct BadCase {
        const char* text;
        const char* delimiter;
        const char* groupBegin;
        const char* groupEnd;
        const char* message;
    };
    const BadCase cases[] = {
        {"a", ",", nullptr, "\"", "Group end delimeter specified without a group begin delimeter."},
        {"a", ",", "", "\"", "Group end delimeter specified without a group begin delimeter."},
        {"a", "", nullptr, nullptr, "The delimiter must not be empty."},
        {"a", nullptr, nullptr, nullptr, "The delimiter must not be empty."},
        {nullptr, ",", nullptr, nullptr, "Cannot tokenize null string."},
    };
    for (const BadCase& c : cases) {
        try {
            MpStringTokenizer tokenizer(c.text, c.delimiter, c.groupBegin, false, c.groupEnd);
            ADD_FAILURE() << "no exception for: " << c.message;
        } catch (MpException& e) {
            EXPECT_STREQ(e.GetErrorMessage(), c.message);
            EXPECT_STREQ(e.GetClassName(), "MpStringTokenizer");
            EXPECT_STREQ(e.GetCallpath(), "Constructor of MpStringTokenizer");
        }
    }

    MpStringTokenizer tokenizer("a,b", ",");
    try {
        tokenizer.SetString(nullptr);
        FAIL() << "SetString(nullptr) must raise";
    } catch (MpException& e) {
        EXPECT_STREQ(e.GetErrorMessage(), "Cannot tokenize null string.");
        EXPECT_STREQ(e.GetCallpath(), "SetString() of MpStringTokenizer");
    }
    EXPECT_EQ(Tokens(tokenizer), (std::vector<std::string>{"a", "b"}));
}
