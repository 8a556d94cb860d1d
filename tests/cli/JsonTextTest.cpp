#include <gtest/gtest.h>

#include <string>

#include "JsonText.h"

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

}  // namespace lathwell::cli
