// Building JSON texts for lathwell-cli's --json output.
//
// The texts the program handles are byte strings in no fixed encoding (file names, CSV
// headers and DD field names come from the files as they are). So that the output is always
// valid JSON and every byte can be recovered, JsonQuoted writes each byte from 0x80 up as a
// \u00XX escape: a decoder then sees one code point below 256 for every byte. Control bytes,
// DEL, the quote and the backslash are escaped too; everything else is copied.
#pragma once

#include <cstdint>
#include <string>

namespace lathwell::cli {

// The bytes as a quoted JSON string.
std::string JsonQuoted(const std::string& bytes);

// One JSON object, written key by key in the order of the calls.
class JsonObject {
public:
    JsonObject& AddNumber(const char* key, int64_t value);
    JsonObject& AddString(const char* key, const std::string& value);
    // A quoted string, or null when the value is absent.
    JsonObject& AddStringOrNull(const char* key, const std::string* value);
    // REQUIRES: json is a complete JSON value (an array or object built elsewhere).
    JsonObject& AddJson(const char* key, const std::string& json);

    // The object text, "{...}", without a line feed.
    std::string Text() const { return "{" + m_members + "}"; }

private:
    void AddKey(const char* key);
    std::string m_members;
};

// Joins complete JSON values into an array text "[a,b,...]".
class JsonArray {
public:
    JsonArray& Add(const std::string& json);
    std::string Text() const { return "[" + m_items + "]"; }

private:
    std::string m_items;
};

}  // namespace lathwell::cli
