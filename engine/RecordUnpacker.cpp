#include "RecordUnpacker.h"

#include <algorithm>
#include <cstring>

namespace lathwell {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr size_t kLineEndLength = 2;

}  // namespace

RecordUnpacker::RecordUnpacker(RecordLayout layout, char delimiter, bool keepFill)
    : m_layout(std::move(layout)), m_delimiter(delimiter), m_keepFill(keepFill) {
    // A value quoted with every byte a doubled quote, and its delimiter.
    size_t values = 0;
    size_t names = 0;
    for (const LayoutField& field : m_layout.fields) {
        values += 2 * static_cast<size_t>(field.length) + 3;
        names += 2 * field.name.size() + 3;
    }
    m_longestLine = std::max(values, names) + kLineEndLength;
}

char* RecordUnpacker::WriteValue(const char* value, size_t length, char* out) const {
    bool quoted = length > 0 && value[0] == ' ';
    for (size_t i = 0; i < length && !quoted; ++i) {
        const char byte = value[i];
        quoted = byte == m_delimiter || byte == '"' || byte == '\r' || byte == '\n';
    }
    if (!quoted) {
        std::memcpy(out, value, length);
        return out + length;
    }
    *out++ = '"';
    for (size_t i = 0; i < length; ++i) {
        if (value[i] == '"') *out++ = '"';
        *out++ = value[i];
    }
    *out++ = '"';
    return out;
}

size_t RecordUnpacker::Header(char* line) const {
    char* out = line;
    for (size_t i = 0; i < m_layout.fields.size(); ++i) {
        if (i > 0) *out++ = m_delimiter;
        const std::string& name = m_layout.fields[i].name;
        out = WriteValue(name.data(), name.size(), out);
    }
    std::memcpy(out, kLineEnd, kLineEndLength);
    return static_cast<size_t>(out - line) + kLineEndLength;
}

size_t RecordUnpacker::Unpack(const char* record, char* line) const {
    char* out = line;
    bool first = true;
    for (const LayoutField& field : m_layout.fields) {
        if (!first) *out++ = m_delimiter;
        first = false;
        const char* value = record + field.offset;
        size_t length = static_cast<size_t>(field.length);
        if (!m_keepFill && field.numeric) {
            // A field of blanks is an empty value; zeros fill a number on its left.
            if (length > 0 && value[0] == ' ' &&
                std::all_of(value, value + length, [](char c) { return c == ' '; })) {
                length = 0;
            }
            while (length > 1 && value[0] == '0') {
                ++value;
                --length;
            }
        } else if (!m_keepFill) {
            while (length > 0 && value[length - 1] == ' ') --length;
        }
        out = WriteValue(value, length, out);
    }
    std::memcpy(out, kLineEnd, kLineEndLength);
    return static_cast<size_t>(out - line) + kLineEndLength;
}

}  // namespace lathwell
