#include "ThousandsSeparators.h"

#include <cstring>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace lathwell {

TEST(ThousandsSeparators, GroupsDigitsFromTheRight) {
    const struct {
        const char* number;
        const char* shown;
    } cases[] = {
        {"0", "0"},           {"999", "999"},           {"1000", "1,000"},
        {"10000", "10,000"},  {"1234567", "1,234,567"}, {"-1000", "-1,000"},
        {"-123", "-123"},     {"-123456", "-123,456"},  {"2147483647", "2,147,483,647"},
        {"1.5e10", "1.5e10"}, {"12345e", "12345e"},
    };
    for (const auto& c : cases) {
        char buffer[32];
        std::strcpy(buffer, c.number);
        EXPECT_STREQ(c.shown, AddThousandsSeparators(buffer)) << c.number;
    }
}

TEST(ThousandsSeparators, FormatsEveryThirtyTwoBitValue) {
    EXPECT_EQ(MpString("-2,147,483,648"), FormatWithThousandsSeparators(INT32_MIN));
    EXPECT_EQ(MpString("1,000"), FormatWithThousandsSeparators(1000));
    EXPECT_EQ(MpString("0"), FormatWithThousandsSeparators(0));
}

}  // namespace lathwell
