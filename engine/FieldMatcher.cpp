#include "FieldMatcher.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>
#include <string>
#include <unordered_map>

#include "MpStringTokenizer.h"

namespace lathwell {

const char* const kBlankColumnHeader = "<Blank>";

namespace {

// The largest section index a field position map entry can hold.
constexpr int32_t kLargestMapEntry = std::numeric_limits<int16_t>::max();

// Byte-wise comparison ignoring the case of letters, as the list's name column sorts.
bool NameLess(const std::string& a, const std::string& b) {
    const unsigned char* left = reinterpret_cast<const unsigned char*>(a.c_str());
    const unsigned char* right = reinterpret_cast<const unsigned char*>(b.c_str());
    while (*left != '\0' && std::toupper(*left) == std::toupper(*right)) {
        ++left;
        ++right;
    }
    return std::toupper(*left) < std::toupper(*right);
}

bool FitsMapEntry(const AvailableField& field) {
    return field.sectionIndex <= kLargestMapEntry;
}

// The position in the list of the first matchable field of each key.
class FieldKeyIndex {
public:
    explicit FieldKeyIndex(const std::vector<AvailableField>& fields) {
        m_firstByKey.reserve(fields.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            if (!FitsMapEntry(fields[i])) continue;
            m_firstByKey.emplace(MatchKey(fields[i].shownName.c_str()).GetCString(), static_cast<int32_t>(i));
        }
    }

    int32_t Find(const char* header) const {
        auto found = m_firstByKey.find(MatchKey(header).GetCString());
        return found == m_firstByKey.end() ? -1 : found->second;
    }

private:
    // emplace keeps the first entry of a key, so the earliest field in the list wins.
    std::unordered_map<std::string, int32_t> m_firstByKey;
};

}  // namespace

std::vector<ColumnHeader> SplitHeaderLine(const char* headerLine, char delimiter) {
    std::vector<ColumnHeader> headers;
    const char delimiters[] = {delimiter, '\0'};
    MpStringTokenizer tokenizer(headerLine, delimiters);
    while (tokenizer.HasMoreTokens()) {
        ColumnHeader header;
        header.text = tokenizer.GetNextToken();
        header.text.Deblank();
        if (header.text.IsEmpty()) {
            header.text = kBlankColumnHeader;
            header.blank = true;
        }
        headers.push_back(header);
    }
    return headers;
}

MpString MatchKey(const char* text) {
    MpString key(text);
    key.ToUpper();
    std::replace(key.GetBuffer(), key.GetBuffer() + key.GetLength(), ' ', '_');
    return key;
}

std::vector<int32_t> FindMatchingFields(const std::vector<ColumnHeader>& headers,
                                        const std::vector<AvailableField>& fields) {
    const FieldKeyIndex index(fields);
    std::vector<int32_t> matches;
    matches.reserve(headers.size());
    for (const ColumnHeader& header : headers) matches.push_back(index.Find(header.text.GetCString()));
    return matches;
}

void MatchNewColumns(const std::vector<ColumnHeader>& headers,
                     const std::vector<AvailableField>& fields, MpVector<int16_t>& fieldPositions) {
    if (fieldPositions.size() >= headers.size()) return;
    const std::vector<int32_t> matches = FindMatchingFields(headers, fields);
    for (size_t column = fieldPositions.size(); column < headers.size(); ++column) {
        int32_t match = matches[column];
        fieldPositions.push_back(match < 0 ? int16_t{-1} : static_cast<int16_t>(fields[match].sectionIndex));
    }
}

int32_t SortNumber(const char* text) {
    if (*text == '\0') return std::numeric_limits<int32_t>::max();
    long long value = std::strtoll(text, nullptr, 10);
    return static_cast<int32_t>(std::clamp<long long>(value, std::numeric_limits<int32_t>::min(),
                                                      std::numeric_limits<int32_t>::max()));
}

void SortAvailableFields(std::vector<AvailableField>& fields, FieldListColumn column) {
    switch (column) {
    case FieldListColumn::Name:
        std::stable_sort(fields.begin(), fields.end(), [](const AvailableField& a, const AvailableField& b) {
            return NameLess(a.shownName, b.shownName);
        });
        break;
    case FieldListColumn::Position:
        std::stable_sort(fields.begin(), fields.end(), [](const AvailableField& a, const AvailableField& b) {
            return SortNumber(a.position.c_str()) < SortNumber(b.position.c_str());
        });
        break;
    case FieldListColumn::Section:
        std::stable_sort(fields.begin(), fields.end(), [](const AvailableField& a, const AvailableField& b) {
            return a.sectionIndex < b.sectionIndex;
        });
        break;
    }
}

}  // namespace lathwell
