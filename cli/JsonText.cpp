#include "JsonText.h"

#include <cstdio>
#include <cstring>

#include "Utf8Text.h"

namespace lathwell::cli {

std::string JsonQuoted(const std::string& bytes) {
    // The bytes JSON writes as a backslash and a letter, and their letters.
    static const char kShortEscaped[] = "\"\\\b\f\n\r\t";
    static const char kShortLetters[] = "\"\\bfnrt";
    std::string quoted = "\"";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        unsigned char byte = static_cast<unsigned char>(c);
        // A well-formed UTF-8 character goes through as it is; any other byte from 0x7f on is
        // written as the code point of its own value, so no byte is lost.
        const std::size_t sequence = Utf8SequenceLength(bytes.data() + i, bytes.size() - i);
        if (sequence > 0) {
            quoted.append(bytes, i, sequence);
            i += sequence - 1;
            continue;
        }
        const char* shortEscape = byte != 0 ? std::strchr(kShortEscaped, c) : nullptr;
        if (shortEscape != nullptr) {
            quoted += '\\';
            quoted += kShortLetters[shortEscape - kShortEscaped];
        } else if (byte < 0x20 || byte >= 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void JsonObject::AddKey(const char* key) {
    if (!m_members.empty()) m_members += ',';
    m_members += JsonQuoted(key) + ':';
}

JsonObject& JsonObject::AddNumber(const char* key, int64_t value) {
    AddKey(key);
    m_members += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::AddString(const char* key, const std::string& value) {
    AddKey(key);
    m_members += JsonQuoted(value);
    return *this;
}

JsonObject& JsonObject::AddStringOrNull(const char* key, const std::string* value) {
    AddKey(key);
    m_members += value != nullptr ? JsonQuoted(*value) : "null";
    return *this;
}

JsonObject& JsonObject::AddJson(const char* key, const std::string& json) {
    AddKey(key);
    m_members += json;
    return *this;
}

JsonArray& JsonArray::Add(const std::string& json) {
    if (!m_items.empty()) m_items += ',';
    m_items += json;
    return *this;
}

}  // namespace lathwell::cli
