#include "FieldMatcher.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>

#include "MpStringTokenizer.h"

namespace lathwell {

const char* const kBlankColumnHeader = "<Blank>";

namespace {

// The largest section index a field position map entry can hold.
constexpr int32_t kLargestMapEntry = std::numeric_limits<int16_t>::max();

// Byte-wise comparison ignoring the case of letters, as the list's name column sorts.
bool NameLess(const MpString& a, const MpString& b) {
    const unsigned char* left = reinterpret_cast<const unsigned char*>(a.GetCString());
    const unsigned char* right = reinterpret_cast<const unsigned char*>(b.GetCString());
    while (*left != '\0' && std::toupper(*left) == std::toupper(*right)) {
        ++left;
        ++right;
    }
    return std::toupper(*left) < std::toupper(*right);
}

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

int32_t FindMatchingField(const char* header, const std::vector<AvailableField>& fields) {
    MpString headerKey = MatchKey(header);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].sectionIndex > kLargestMapEntry) continue;
        if (MatchKey(fields[i].shownName.GetCString()) == headerKey) return static_cast<int32_t>(i);
    }
    return -1;
}

void MatchNewColumns(const std::vector<ColumnHeader>& headers,
                     const std::vector<AvailableField>& fields, MpVector<int16_t>& fieldPositions) {
    for (size_t column = fieldPositions.size(); column < headers.size(); ++column) {
        int32_t match = headers[column].blank ? -1 : FindMatchingField(headers[column].text.GetCString(), fields);
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
            return SortNumber(a.position.GetCString()) < SortNumber(b.position.GetCString());
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
