#include "JsonText.h"

#include <cstdio>

std::string JsonQuoted(const std::string& bytes) {
    std::string quoted = "\"";
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        switch (byte) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\b': quoted += "\\b"; break;
            case '\f': quoted += "\\f"; break;
            case '\n': quoted += "\\n"; break;
            case '\r': quoted += "\\r"; break;
            case '\t': quoted += "\\t"; break;
            default:
                if (byte < 0x20 || byte >= 0x7f) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", byte);
                    quoted += escape;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

void JsonObject::AddKey(const char* key) {
    if (!members_.empty()) members_ += ',';
    members_ += JsonQuoted(key) + ':';
}

JsonObject& JsonObject::AddNumber(const char* key, int64_t value) {
    AddKey(key);
    members_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::AddString(const char* key, const std::string& value) {
    AddKey(key);
    members_ += JsonQuoted(value);
    return *this;
}

JsonObject& JsonObject::AddStringOrNull(const char* key, const std::string* value) {
    AddKey(key);
    members_ += value != nullptr ? JsonQuoted(*value) : "null";
    return *this;
}

JsonObject& JsonObject::AddJson(const char* key, const std::string& json) {
    AddKey(key);
    members_ += json;
    return *this;
}

JsonArray& JsonArray::Add(const std::string& json) {
    if (!items_.empty()) items_ += ',';
    items_ += json;
    return *this;
}
