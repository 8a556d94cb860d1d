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
    size_t longestValue = 0;
    for (const LayoutField& field : m_layout.fields) {
        m_readers.emplace_back(field.form, field.numeric, field.length);
        longestValue = std::max(longestValue, m_readers.back().LongestValue());
        values += 2 * static_cast<size_t>(field.length) + 3;
        names += 2 * field.name.size() + 3;
    }
    m_longestLine = std::max(values, names) + kLineEndLength;
    m_value.resize(longestValue);
    for (char byte : {m_delimiter, '"', '\r', '\n'}) m_quotedBytes[static_cast<unsigned char>(byte)] = true;
}

char* RecordUnpacker::WriteValue(const char* value, size_t length, char* out) const {
    // One look-up per byte and no branch on what it finds: most values need no quotes.
    bool quoted = length > 0 && value[0] == ' ';
    for (size_t i = 0; i < length; ++i) quoted |= m_quotedBytes[static_cast<unsigned char>(value[i])];
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
    for (size_t f = 0; f < m_layout.fields.size(); ++f) {
        if (f > 0) *out++ = m_delimiter;
        const LayoutField& field = m_layout.fields[f];
        const char* value = record + field.offset;
        size_t length = static_cast<size_t>(field.length);
        if (!m_keepFill) {
            const FieldValueReader::Value read = m_readers[f].Read(value, m_value.data());
            value = read.text;
            length = read.length;
        }
        out = WriteValue(value, length, out);
    }
    std::memcpy(out, kLineEnd, kLineEndLength);
    return static_cast<size_t>(out - line) + kLineEndLength;
}

}  // namespace lathwell
