#include "CsvRecordBuilder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "DDFile.h"
#include "MpIniSection.h"

namespace lathwell {

namespace {

bool FitsInt16(int32_t value) {
    return value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max();
}

// Refuses a field that would place bytes outside the record, naming it by FieldName and section.
[[noreturn]] void RefuseField(const char* fieldName, const char* sectionName, const char* key, int32_t value,
                              const char* problem) {
    MpException::RaiseFormatted("Field \"%s\" %s cannot be placed in the record: its %s, %d, %s.",
                                "CsvRecordBuilder", fieldName, sectionName, key, value, problem);
}

}  // namespace

CsvRecordBuilder::CsvRecordBuilder(DDFile& ddFile, int32_t recordLength,
                                   const MpVector<int16_t>& fieldPositions, bool usePopulationFields,
                                   char delimiter, bool stopAtFirstCut)
    : m_recordLength(recordLength),
      m_stopAtFirstCut(stopAtFirstCut),
      m_record(static_cast<size_t>(recordLength), ' '),
      m_splitter(delimiter) {
    for (size_t column = 0; column < fieldPositions.size(); ++column) {
        if (fieldPositions[column] < 0) continue;
        m_fieldTitles.emplace_back();
        m_columns.push_back(ReadColumnLayout(ddFile, static_cast<int32_t>(column), fieldPositions[column],
                                             usePopulationFields, m_fieldTitles.back()));
    }
    FindGaps();
}

void CsvRecordBuilder::FindGaps() {
    std::vector<bool> covered(static_cast<size_t>(m_recordLength), false);
    for (const MappedColumn& field : m_columns) {
        if (!field.fitsRecord) continue;  // no record is ever built
        std::fill_n(covered.begin() + field.offset, field.length, true);
    }
    auto at = covered.begin();
    while (at != covered.end()) {
        auto gapEnd = std::find(at, covered.end(), true);
        if (gapEnd != at) {
            m_gaps.push_back({static_cast<size_t>(at - covered.begin()), static_cast<size_t>(gapEnd - at)});
        }
        at = std::find(gapEnd, covered.end(), false);
    }
}

CsvRecordBuilder::MappedColumn CsvRecordBuilder::ReadColumnLayout(DDFile& ddFile, int32_t column,
                                                                  int32_t sectionIndex,
                                                                  bool usePopulationFields,
                                                                  std::string& title) const {
    MpIniSection& section = *ddFile.GetSection(sectionIndex);
    const int32_t length = section.GetInt("Length", 0);
    const int32_t byteOffset = section.GetInt("ByteOffset", 0);
    const int32_t popByteOffset = section.GetInt("PopByteOffset", 0);
    const MpString fieldName(section.GetString("FieldName", ""));
    const char* name = fieldName.GetCString();
    const char* sectionName = section.GetName();
    title = "\"" + std::string(name) + "\" " + sectionName;

    const struct {
        const char* key;
        int32_t value;
    } values[] = {{"Length", length}, {"ByteOffset", byteOffset}, {"PopByteOffset", popByteOffset}};
    for (const auto& entry : values) {
        if (!FitsInt16(entry.value)) {
            RefuseField(name, sectionName, entry.key, entry.value, "lies outside -32768..32767");
        }
    }
    if (length < 0) RefuseField(name, sectionName, "Length", length, "is negative");
    const bool usesPopulationOffset = usePopulationFields && popByteOffset != 0;
    const int32_t position = usesPopulationOffset ? popByteOffset : byteOffset;
    if (position < 1) {
        RefuseField(name, sectionName, usesPopulationOffset ? "PopByteOffset" : "ByteOffset", position,
                    "is below 1");
    }

    MappedColumn layout;
    layout.column = column;
    layout.length = length;
    layout.offset = position - 1;
    layout.numeric = ddFile.IsNumericField(name);
    layout.fitsRecord = static_cast<int64_t>(position) + length - 1 <= m_recordLength;
    layout.sectionIndex = static_cast<int16_t>(sectionIndex);
    layout.cuts = 0;
    layout.firstCutLine = 0;
    return layout;
}

inline bool CsvRecordBuilder::PlaceField(const MappedColumn& field, const CsvLineSplitter::Column& value,
                                         char* record, bool& edited) {
    const size_t width = value.length;
    const size_t length = static_cast<size_t>(field.length);
    char* place = record + field.offset;
    if (width >= length) {
        edited |= width > length;
        std::memcpy(place, value.text, length);
        return false;
    }
    edited = true;
    if (width == 0) {
        // An empty value is blank, numeric field or not.
        std::memset(place, ' ', length);
    } else if (field.numeric) {
        std::memset(place, '0', length - width);
        std::memcpy(place + length - width, value.text, width);
    } else {
        std::memcpy(place, value.text, width);
        std::memset(place + width, ' ', length - width);
    }
    return true;
}

void CsvRecordBuilder::BuildRecord(const char* line, size_t length, char* record, int64_t lineNumber,
                                   RunStatistics& statistics) {
    // One pass over the line: each mapped column's value is placed as the splitter reaches it
    // (m_columns is in column order). The line is still split to its end, because a quote
    // without its closing quote fails the line wherever it is and before anything else; so a
    // field that fails, and the values cut before it, are only acted on once the split is done.
    m_splitter.Start(line, length);
    m_lineCuts.clear();
    const size_t fields = m_columns.size();
    size_t next = 0;  // the next mapped column to place; at a failed one placing stops
    bool failed = false;
    bool edited = false;
    bool padded = false;
    CsvLineSplitter::Column value;
    CsvLineSplitter::Column failedValue{nullptr, 0};
    for (int64_t column = 0; m_splitter.Next(value); ++column) {
        if (failed || next == fields || m_columns[next].column != column) continue;
        const MappedColumn& field = m_columns[next];
        const bool cut = value.length > static_cast<size_t>(field.length);
        if (!field.fitsRecord || (cut && m_stopAtFirstCut)) {
            failed = true;
            failedValue = value;
            continue;
        }
        if (cut) m_lineCuts.push_back(next);
        padded |= PlaceField(field, value, record, edited);
        ++next;
    }
    for (size_t index : m_lineCuts) {
        if (m_columns[index].cuts++ == 0) m_columns[index].firstCutLine = lineNumber;
    }
    if (failed) {
        const MappedColumn& field = m_columns[next];
        if (!field.fitsRecord) throw MpException("Field length extends beyond record length.");
        MpException::RaiseFormatted("Value \"%s\" is longer than the %d bytes of field %s.", "CsvRecordBuilder",
                                    std::string(failedValue.text, failedValue.length).c_str(), field.length,
                                    m_fieldTitles[next].c_str());
    }
    if (next < fields) m_splitter.RaiseNoColumn(m_columns[next].column);
    for (const Gap& gap : m_gaps) std::memset(record + gap.offset, ' ', gap.length);
    if (edited) CountOne(statistics.RecordsEdited);
    if (padded) CountOne(statistics.LinesPadded);
}

const char* CsvRecordBuilder::BuildRecord(const char* line, RunStatistics& statistics, int64_t lineNumber) {
    BuildRecord(line, std::strlen(line), m_record.data(), lineNumber, statistics);
    return m_record.data();
}

std::vector<FieldCut> CsvRecordBuilder::FieldCuts() const {
    std::vector<FieldCut> cuts;
    for (const MappedColumn& field : m_columns) {
        if (field.cuts == 0) continue;
        // Two columns may feed one field: their counts add up.
        auto same = std::find_if(cuts.begin(), cuts.end(),
                                 [&](const FieldCut& cut) { return cut.sectionIndex == field.sectionIndex; });
        if (same == cuts.end()) {
            cuts.push_back({field.sectionIndex, field.cuts, field.firstCutLine});
        } else {
            same->count += field.cuts;
            same->firstLine = std::min(same->firstLine, field.firstCutLine);
        }
    }
    std::sort(cuts.begin(), cuts.end(),
              [](const FieldCut& a, const FieldCut& b) { return a.sectionIndex < b.sectionIndex; });
    return cuts;
}

}  // namespace lathwell
