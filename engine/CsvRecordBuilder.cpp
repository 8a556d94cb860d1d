#include "CsvRecordBuilder.h"

#include <algorithm>
#include <cstring>

#include "DDFile.h"
#include "FieldFormReader.h"
#include "FieldPlace.h"
#include "MpIniSection.h"

namespace lathwell {

namespace {

// Whether cutting value to length bytes leaves part of a UTF-8 character behind: the first byte
// cut off continues a character.
bool SplitsCharacter(const CsvLineSplitter::Column& value, size_t length) {
    return (static_cast<unsigned char>(value.text[length]) & 0xC0) == 0x80;
}

// Blanks the part of a character that a cut at length left at the end of place.
void BlankSplitCharacter(const CsvLineSplitter::Column& value, size_t length, char* place) {
    size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(value.text[start]) & 0xC0) == 0x80) --start;
    if (start < length) std::memset(place + start, ' ', length - start);
}

}  // namespace

CsvRecordBuilder::CsvRecordBuilder(DDFile& ddFile, int32_t recordLength,
                                   const MpVector<int16_t>& fieldPositions, bool usePopulationFields,
                                   char delimiter, CsvValueRules rules)
    : m_recordLength(recordLength),
      m_rules(rules),
      m_splitter(delimiter) {
    for (size_t column = 0; column < fieldPositions.size(); ++column) {
        if (fieldPositions[column] < 0) continue;
        m_fieldTitles.emplace_back();
        m_columns.push_back(ReadColumnLayout(ddFile, static_cast<int32_t>(column), fieldPositions[column],
                                             usePopulationFields, m_fieldTitles.back()));
    }
    m_counts.columns.resize(m_columns.size());
    FindGaps();
}

bool CsvRecordBuilder::EveryFieldFitsRecord() const {
    return std::all_of(m_columns.begin(), m_columns.end(), [](const MappedColumn& field) { return field.fitsRecord; });
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
                                                                  std::string& title) {
    MpIniSection& section = *ddFile.GetSection(sectionIndex);
    const FieldPlace place = ReadFieldPlace(section, usePopulationFields);
    const MpString fieldName(section.GetString("FieldName", ""));
    const char* name = fieldName.GetCString();
    title = "\"" + std::string(name) + "\" " + section.GetName();

    MappedColumn layout;
    layout.column = column;
    layout.length = place.length;
    layout.offset = place.offset;
    layout.numeric = ddFile.IsNumericField(name, DDFile::MissingFormat::AddEmpty);
    const FieldForm form = ReadFieldForm(section).form;
    layout.formatter = nullptr;
    if (!form.IsPlain()) {
        m_formatters.push_back(std::make_shared<const FieldFormatter>(form, layout.numeric, place.length));
        layout.formatter = m_formatters.back().get();
    }
    layout.fitsRecord = static_cast<int64_t>(place.offset) + place.length <= m_recordLength;
    layout.sectionIndex = static_cast<int16_t>(sectionIndex);
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

FormFit CsvRecordBuilder::PlaceFormatted(const MappedColumn& field, const CsvLineSplitter::Column& value,
                                         char* record, bool& mismatch) {
    const FormFit fit = field.formatter->Write(value.text, value.length, record + field.offset);
    mismatch = fit == FormFit::Mismatch;
    if (!mismatch) return fit;
    bool edited = false;
    if (PlaceField(field, value, record, edited)) return FormFit::Padded;
    return edited ? FormFit::Cut : FormFit::Exact;
}

void CsvRecordBuilder::BuildRecord(const char* line, size_t length, char* record, int64_t lineNumber,
                                   RunStatistics& statistics) {
    // One pass over the line: each mapped column's value is placed as the splitter reaches it
    // (m_columns is in column order). The line is still split to its end, because a quote
    // without its closing quote fails the line wherever it is and before anything else; so a
    // field that fails, and the values cut before it, are only acted on once the split is done.
    m_splitter.Start(line, length);
    m_lineEvents.clear();
    const size_t fields = m_columns.size();
    size_t next = 0;  // the next mapped column to place; at a failed one placing stops
    bool failed = false;
    bool edited = false;
    bool padded = false;
    CsvLineSplitter::Column value;
    for (int64_t column = 0; m_splitter.Next(value); ++column) {
        if (failed || next == fields || m_columns[next].column != column) continue;
        const MappedColumn& field = m_columns[next];
        if (!field.fitsRecord) {
            failed = true;
            continue;
        }
        if (field.formatter != nullptr) {
            if (!PlaceFormattedField(next, value, record, edited, padded)) {
                failed = true;
                continue;
            }
        } else {
            const bool cut = value.length > static_cast<size_t>(field.length);
            if (cut && m_rules.refuseCuts) {
                failed = !Refuse(value, false);
                continue;
            }
            padded |= PlaceField(field, value, record, edited);
            if (cut) NoteCut(next, value, record);
        }
        ++next;
    }
    if (!m_lineEvents.empty()) CountLineEvents(lineNumber);
    if (failed) {
        if (!m_columns[next].fitsRecord) throw MpException("Field length extends beyond record length.");
        RaiseRefusal(next);
    }
    if (next < fields) m_splitter.RaiseNoColumn(m_columns[next].column);
    if (m_splitter.HadTextAfterQuote()) {
        if (m_rules.refuseMisplacedValues) {
            throw MpException("Text after a closing quote belongs to no column and would be left out.");
        }
        if (m_counts.textAfterQuote.count++ == 0) m_counts.textAfterQuote.firstLine = lineNumber;
    }
    for (const Gap& gap : m_gaps) std::memset(record + gap.offset, ' ', gap.length);
    if (edited) CountOne(statistics.RecordsEdited);
    if (padded) CountOne(statistics.LinesPadded);
}

bool CsvRecordBuilder::PlaceFormattedField(size_t index, const CsvLineSplitter::Column& value, char* record,
                                           bool& edited, bool& padded) {
    bool mismatch = false;
    const FormFit fit = PlaceFormatted(m_columns[index], value, record, mismatch);
    if (mismatch && m_rules.refuseMisplacedValues) return Refuse(value, true);
    if (fit == FormFit::Cut && m_rules.refuseCuts) return Refuse(value, false);
    edited |= fit != FormFit::Exact;
    padded |= fit == FormFit::Padded;
    if (mismatch) {
        m_lineEvents.push_back({index, false, true});
        std::string& first = m_counts.columns[index].firstMismatch;
        if (first.empty()) first.assign(value.text, value.length);
    }
    // A number written in its form has no multi-byte character to cut; other values are cut
    // to their first bytes.
    if (fit == FormFit::Cut) NoteCut(index, value, record);
    return true;
}

void CsvRecordBuilder::NoteCut(size_t index, const CsvLineSplitter::Column& value, char* record) {
    const MappedColumn& field = m_columns[index];
    const size_t fieldLength = static_cast<size_t>(field.length);
    const bool split = value.length > fieldLength && SplitsCharacter(value, fieldLength);
    if (split && m_rules.cutOnCharacters) BlankSplitCharacter(value, fieldLength, record + field.offset);
    m_lineEvents.push_back({index, split, false});
}

bool CsvRecordBuilder::Refuse(const CsvLineSplitter::Column& value, bool mismatch) {
    // Kept as a copy: the splitter may reuse the bytes of a value it unquoted.
    m_refusedValue.assign(value.text, value.length);
    m_refusedMismatch = mismatch;
    return false;
}

void CsvRecordBuilder::CountLineEvents(int64_t lineNumber) {
    for (const LineEvent& event : m_lineEvents) {
        CsvValueCounts::Column& field = m_counts.columns[event.column];
        if (event.mismatch) {
            if (field.mismatches++ == 0) field.firstMismatchLine = lineNumber;
            continue;
        }
        if (field.cuts++ == 0) field.firstCutLine = lineNumber;
        if (event.splitCharacter) ++field.characterCuts;
    }
}

void CsvRecordBuilder::RaiseRefusal(size_t column) const {
    const MappedColumn& field = m_columns[column];
    const std::string& value = m_refusedValue;
    if (m_refusedMismatch) {
        MpException::RaiseFormatted("Value \"%s\" does not fit the declared form of field %s.", "CsvRecordBuilder",
                                    value.c_str(), m_fieldTitles[column].c_str());
    }
    MpException::RaiseFormatted("Value \"%s\" is longer than the %d bytes of field %s.", "CsvRecordBuilder",
                                value.c_str(), field.length, m_fieldTitles[column].c_str());
}

CsvValueCounts CsvRecordBuilder::TakeCounts() {
    CsvValueCounts taken = std::move(m_counts);
    m_counts = CsvValueCounts();
    m_counts.columns.resize(m_columns.size());
    return taken;
}

namespace {

// Adds more to total, more's first line counted from lineOffset + 1.
void AddLineCount(int64_t& total, int64_t& firstLine, int64_t more, int64_t moreFirstLine, int64_t lineOffset) {
    if (more == 0) return;
    if (total == 0) firstLine = lineOffset + moreFirstLine;
    total += more;
}

}  // namespace

void CsvRecordBuilder::AddCounts(const CsvValueCounts& counts, int64_t lineOffset) {
    for (size_t i = 0; i < m_counts.columns.size(); ++i) {
        CsvValueCounts::Column& field = m_counts.columns[i];
        const CsvValueCounts::Column& more = counts.columns[i];
        AddLineCount(field.cuts, field.firstCutLine, more.cuts, more.firstCutLine, lineOffset);
        field.characterCuts += more.characterCuts;
        AddLineCount(field.mismatches, field.firstMismatchLine, more.mismatches, more.firstMismatchLine, lineOffset);
        if (field.firstMismatch.empty()) field.firstMismatch = more.firstMismatch;
    }
    LineCount& quote = m_counts.textAfterQuote;
    AddLineCount(quote.count, quote.firstLine, counts.textAfterQuote.count, counts.textAfterQuote.firstLine,
                 lineOffset);
}

std::vector<FieldCut> CsvRecordBuilder::FieldCuts() const {
    std::vector<FieldCut> cuts;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const MappedColumn& column = m_columns[i];
        const CsvValueCounts::Column& field = m_counts.columns[i];
        if (field.cuts == 0) continue;
        // Two columns may feed one field: their counts add up.
        auto same = std::find_if(cuts.begin(), cuts.end(),
                                 [&](const FieldCut& cut) { return cut.sectionIndex == column.sectionIndex; });
        if (same == cuts.end()) {
            cuts.push_back({column.sectionIndex, field.cuts, field.firstCutLine, field.characterCuts});
        } else {
            same->count += field.cuts;
            same->firstLine = std::min(same->firstLine, field.firstCutLine);
            same->characterCuts += field.characterCuts;
        }
    }
    std::sort(cuts.begin(), cuts.end(),
              [](const FieldCut& a, const FieldCut& b) { return a.sectionIndex < b.sectionIndex; });
    return cuts;
}

std::vector<FormMismatch> CsvRecordBuilder::FormMismatches() const {
    std::vector<FormMismatch> mismatches;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const int16_t sectionIndex = m_columns[i].sectionIndex;
        const CsvValueCounts::Column& field = m_counts.columns[i];
        if (field.mismatches == 0) continue;
        auto same = std::find_if(mismatches.begin(), mismatches.end(), [&](const FormMismatch& mismatch) {
            return mismatch.sectionIndex == sectionIndex;
        });
        if (same == mismatches.end()) {
            mismatches.push_back({sectionIndex, field.mismatches, field.firstMismatchLine, field.firstMismatch});
        } else {
            same->count += field.mismatches;
            if (field.firstMismatchLine < same->firstLine) {
                same->firstLine = field.firstMismatchLine;
                same->firstValue = field.firstMismatch;
            }
        }
    }
    std::sort(mismatches.begin(), mismatches.end(),
              [](const FormMismatch& a, const FormMismatch& b) { return a.sectionIndex < b.sectionIndex; });
    return mismatches;
}

}  // namespace lathwell
