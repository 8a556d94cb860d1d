#include "DDCheck.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

#include "FieldFormReader.h"
#include "FieldOverlaps.h"
#include "MpIniLine.h"
#include "MpIniSection.h"
#include "RunStop.h"
#include "TextCase.h"

namespace lathwell {

namespace {

// A check of a million fields takes seconds: a user's stop ends it between two fields.
constexpr const char* kStep = "Checking the DD file";

const char* const kFieldKeys[] = {"FieldName", "Length", "ByteOffset", "PopByteOffset",
                                  "Hidden",    "Required", "MappedTo"};
const char* const kIntegerKeys[] = {"Length", "ByteOffset", "PopByteOffset"};
const char* const kFieldKinds[] = {"[Field",       "[DerivedField", "[PopCountField",     "[ExpRateField",
                                   "[StdMilCountField", "[CountField", "[SummaryCountField"};

class Findings {
public:
    explicit Findings(size_t bound) : m_bound(bound) {}
    void Add(const std::string& text) {
        if (m_result.findings.size() < m_bound) m_result.findings.push_back(text);
        ++m_result.total;
    }
    void AddUnlisted(int64_t count) { m_result.total += count; }
    DDCheckResult Take() { return std::move(m_result); }
    size_t Room() const { return m_bound - m_result.findings.size(); }

private:
    const size_t m_bound;
    DDCheckResult m_result;
};

std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

// Edits (insert, delete, replace, swap of neighbours) that turn a into b, ignoring case.
size_t EditDistance(const std::string& a, const std::string& b) {
    const std::string x = Folded(a), y = Folded(b);
    std::vector<std::vector<size_t>> d(x.size() + 1, std::vector<size_t>(y.size() + 1));
    for (size_t i = 0; i <= x.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= y.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= x.size(); ++i) {
        for (size_t j = 1; j <= y.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (x[i - 1] != y[j - 1])});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[x.size()][y.size()];
}

bool IsKnownKey(const char* key) {
    for (const char* known : kFieldKeys) {
        if (EqualIgnoringCase(key, known)) return true;
    }
    for (const char* known : kFieldFormKeys) {
        if (EqualIgnoringCase(key, known)) return true;
    }
    return false;
}

std::string NearestKey(const char* key) {
    std::string nearest;
    size_t best = 3;  // more edits than two suggest nothing
    auto consider = [&](const char* known) {
        const size_t distance = EditDistance(key, known);
        if (distance < best) {
            best = distance;
            nearest = known;
        }
    };
    for (const char* known : kFieldKeys) consider(known);
    for (const char* known : kFieldFormKeys) consider(known);
    return nearest;
}

// A whole number as the reader takes it: decimal, or hexadecimal after 0x.
bool IsWholeNumber(std::string text) {
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
    }
    const size_t digits = text.empty() || text[0] != '-' ? 0 : 1;
    return text.size() > digits && text.find_first_not_of("0123456789", digits) == std::string::npos;
}

void CheckSectionName(const char* name, Findings& findings) {
    if (GetFieldSectionKind(name) != FieldSectionKind::NotAField) return;
    for (const char* kind : kFieldKinds) {
        if (strncasecmp(name, kind, std::strlen(kind)) == 0) {
            findings.Add(std::string(name) + " is not read as a field: field sections begin with " + kind);
            return;
        }
    }
}

void CheckKeys(MpIniSection& section, bool numeric, Findings& findings) {
    const std::string name = section.GetName();
    for (int32_t i = 0; i < section.GetNumLines(); ++i) {
        const MpIniLine& line = *section.GetLine(i);
        const std::string key = line.GetKey();
        const std::string value = line.GetValue();
        if (!IsKnownKey(key.c_str())) {
            const std::string nearest = NearestKey(key.c_str());
            findings.Add(name + " " + key + ": unknown key, not read" +
                         (nearest.empty() ? "" : " (did you mean " + nearest + "?)"));
        } else if (value.find(';') != std::string::npos) {
            findings.Add(name + " " + key + "=" + value +
                         ": a ';' after a value is part of the value, not a comment");
            continue;
        }
        for (const char* integerKey : kIntegerKeys) {
            if (EqualIgnoringCase(key.c_str(), integerKey) && !IsWholeNumber(value)) {
                findings.Add(name + " " + key + "=" + value + ": not a whole number, read as 0");
            }
        }
    }
    const ReadFieldFormResult form = ReadFieldForm(section);
    for (const std::string& problem : form.problems) findings.Add(name + " " + problem);
    const bool number = form.form.type == FieldType::Number || (form.form.type == FieldType::ByFormatSection && numeric);
    if (!number && (form.form.sign != SignPlacement::None || form.form.decimals >= 0)) {
        findings.Add(name + " is a Text field: its Sign and Decimals are not used");
    }
}

void CheckPlacement(DDFile& ddFile, bool populationLayout, Findings& findings) {
    const int32_t recordLength = populationLayout ? ddFile.GetPopRecordLength() : ddFile.GetRecordLength();
    const std::vector<AvailableField> fields = ddFile.GetAvailableFields(populationLayout);
    // Titles are made for the fields a finding names, not kept for them all.
    auto title = [&](size_t i) {
        return std::string(ddFile.GetSection(fields[i].sectionIndex)->GetName()) + " " +
               fields[i].shownName.c_str();
    };
    std::vector<FieldSpan> spans;
    spans.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        StopStepIfSignalled(kStep);
        MpIniSection& section = *ddFile.GetSection(fields[i].sectionIndex);
        const int32_t popByteOffset = section.GetInt("PopByteOffset", 0);
        const int64_t start =
            populationLayout && popByteOffset != 0 ? popByteOffset : section.GetInt("ByteOffset", 0);
        const int64_t length = section.GetInt("Length", 0);
        spans.push_back({start, length});
        if (start < 1) {
            findings.Add(title(i) + " starts before byte 1 (at " + std::to_string(start) + ")");
        } else if (length < 1) {
            findings.Add(title(i) + " takes no byte (Length " + std::to_string(length) + ")");
        } else if (start + length - 1 > recordLength) {
            findings.Add(title(i) + " ends at byte " + std::to_string(start + length - 1) +
                         ", past the record length " + std::to_string(recordLength));
        }
    }
    const FieldOverlaps overlaps = FindFieldOverlaps(spans, findings.Room());
    for (const auto& pair : overlaps.pairs) {
        const FieldSpan& a = spans[pair.first];
        const FieldSpan& b = spans[pair.second];
        const int64_t from = std::max(a.start, b.start);
        const int64_t to = std::min(a.start + a.length, b.start + b.length) - 1;
        findings.Add(title(pair.first) + " overlaps " + title(pair.second) + " at bytes " + std::to_string(from) +
                     "-" + std::to_string(to));
    }
    findings.AddUnlisted(overlaps.total - static_cast<int64_t>(overlaps.pairs.size()));
}

}  // namespace

std::string DDCheckResult::MoreText() const {
    const int64_t more = total - static_cast<int64_t>(findings.size());
    return more > 0 ? "... and " + std::to_string(more) + " more" : std::string();
}

DDCheckResult CheckDDFile(DDFile& ddFile, bool populationLayout, size_t maxFindings) {
    Findings findings(maxFindings);
    std::unordered_map<std::string, int32_t> firstWithName;  // folded FieldName -> section index
    std::vector<int32_t> fieldSections;
    const int32_t count = ddFile.GetNumSections();
    for (int32_t index = 0; index < count; ++index) {
        StopStepIfSignalled(kStep);
        MpIniSection& section = *ddFile.GetSection(index);
        CheckSectionName(section.GetName(), findings);
        if (GetFieldSectionKind(section.GetName()) == FieldSectionKind::NotAField) continue;
        const std::string fieldName = section.GetString("FieldName", "");
        fieldSections.push_back(index);
        if (fieldName.empty()) continue;
        auto inserted = firstWithName.emplace(Folded(fieldName), index);
        if (!inserted.second) {
            findings.Add(std::string(section.GetName()) + " has the FieldName " + fieldName + " of " +
                         ddFile.GetSection(inserted.first->second)->GetName());
        }
    }
    // The keys after the walk above, so that the names' findings come first.
    for (const int32_t index : fieldSections) {
        StopStepIfSignalled(kStep);
        MpIniSection& section = *ddFile.GetSection(index);
        CheckKeys(section, ddFile.IsNumericField(section.GetString("FieldName", "")), findings);
    }
    CheckPlacement(ddFile, populationLayout, findings);
    return findings.Take();
}

}  // namespace lathwell
