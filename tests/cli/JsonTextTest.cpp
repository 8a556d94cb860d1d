#include <gtest/gtest.h>

#include <string>

#include "JsonText.h"
#include "TextTable.h"
#include "Utf8Text.h"

namespace lathwell::cli {

TEST(JsonText, EscapesQuotesBackslashesControlAndHighBytes) {
    std::string bytes = std::string("a\"b\\c/\b\f\n\r\t") + '\0' + "\x01\x1f\x7f" + "\xe9\xff" + "~ ";
    EXPECT_EQ(JsonQuoted(bytes),
              "\"a\\\"b\\\\c/\\b\\f\\n\\r\\t\\u0000\\u0001\\u001f\\u007f\\u00e9\\u00ff~ \"");
    EXPECT_EQ(JsonQuoted(""), "\"\"");
}

TEST(JsonText, ObjectsAndArraysKeepTheOrderOfTheCalls) {
    std::string missing;
    std::string text = JsonObject()
                           .AddNumber("b", -5)
                           .AddString("a\n", "x")
                           .AddStringOrNull("n", nullptr)
                           .AddStringOrNull("s", &missing)
                           .AddJson("list", JsonArray().Add("1").Add("{}").Text())
                           .AddJson("empty", JsonArray().Text())
                           .Text();
    EXPECT_EQ(text, "{\"b\":-5,\"a\\n\":\"x\",\"n\":null,\"s\":\"\",\"list\":[1,{}],\"empty\":[]}");
    EXPECT_EQ(JsonObject().Text(), "{}");
}

// Text from files: well-formed UTF-8 passes, other bytes are escaped without loss.
TEST(JsonText, WritesUtf8ThroughAndShowsControlBytesEscaped) {
    const struct {
        const char* bytes;
        const char* json;
        const char* terminal;
        size_t characters;
    } rows[] = {
        {"Gr\xC3\xB6\xC3\x9F" "e", "\"Gr\xC3\xB6\xC3\x9F" "e\"", "Gr\xC3\xB6\xC3\x9F" "e", 5},
        {"\xE6\x97\xA5\xF0\x9F\x98\x80", "\"\xE6\x97\xA5\xF0\x9F\x98\x80\"", "\xE6\x97\xA5\xF0\x9F\x98\x80", 2},
        {"a\xC3", "\"a\\u00c3\"", "a\xC3", 2},                        // cut character
        {"\xC0\xAF", "\"\\u00c0\\u00af\"", "\xC0\xAF", 2},          // overlong form
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\"", "\xED\xA0\x80", 3},  // surrogate
        {"\x1B[31mred", "\"\\u001b[31mred\"", "\\x1b[31mred", 11},
        {"x\xC2\x9By", "\"x\xC2\x9By\"", "x\\xc2\\x9by", 10},      // a C1 control
        {"tab\there", "\"tab\\there\"", "tab\\x09here", 11},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.json, JsonQuoted(row.bytes)) << row.bytes;
        EXPECT_EQ(row.terminal, TerminalSafe(row.bytes)) << row.bytes;
        EXPECT_EQ(row.characters, CharacterCount(TerminalSafe(row.bytes))) << row.bytes;
    }
    EXPECT_EQ("Gr\xC3\xB6\xC3\x9F" "e  1\nName   2\n", TextTable({{"Gr\xC3\xB6\xC3\x9F" "e", "1"}, {"Name", "2"}}));
}

}  // namespace lathwell::cli
