#include "LayoutCommand.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "CliErrors.h"
#include "ColumnMapping.h"
#include "CsvReadiness.h"
#include "DDCheck.h"
#include "FieldOverlaps.h"
#include "JsonText.h"
#include "TextTable.h"
#include "Utf8Text.h"

namespace lathwell::cli {

namespace {

// A field where its DD file places it; its name and section are those of the offered field of
// the same index.
struct PlacedField {
    int64_t start = 0;  // 1-based, as ByteOffset
    int64_t length = 0;
    bool numeric = true;

    bool IsPlaced() const { return start >= 1 && length >= 1; }
    int64_t End() const { return start + length - 1; }
};

// The fields of a layout as the report shows them, each kept once: a DD file of a million
// fields is reported in memory a small multiple of its own size.
struct PlacedLayout {
    std::vector<AvailableField> offered;
    std::vector<PlacedField> fields;
    int32_t recordLength = 0;
    FieldOverlaps overlaps;
    // The flagged partners of each field that has any, in file order, as a reader looks them up.
    std::unordered_map<std::size_t, std::vector<std::size_t>> partners;

    const std::string& Name(std::size_t i) const { return offered[i].shownName; }
};

// Flagging every pair of a layout whose fields pile up over a few bytes would be a report
// quadratic in its fields; beyond this many pairs only their count is told.
constexpr std::size_t kMostOverlapsFlagged = 1000;

PlacedLayout ReadPlacedLayout(DDFile& ddFile, bool population, int32_t recordLength) {
    PlacedLayout layout;
    layout.offered = OfferedFields(ddFile, population);
    layout.recordLength = recordLength;
    layout.fields.reserve(layout.offered.size());
    for (const AvailableField& field : layout.offered) {
        StopIfAsked();
        MpIniSection& section = *ddFile.GetSection(field.sectionIndex);
        PlacedField entry;
        entry.length = section.GetInt("Length", 0);
        const int32_t popByteOffset = section.GetInt("PopByteOffset", 0);
        entry.start = population && popByteOffset != 0 ? popByteOffset : section.GetInt("ByteOffset", 0);
        entry.numeric = ddFile.IsNumericField(ddFile.GetFieldName(field.sectionIndex).GetCString());
        layout.fields.push_back(entry);
    }
    std::vector<FieldSpan> spans;
    spans.reserve(layout.fields.size());
    for (const PlacedField& entry : layout.fields) spans.push_back({entry.start, entry.length});
    StopIfAsked();
    layout.overlaps = FindFieldOverlaps(spans, kMostOverlapsFlagged);
    StopIfAsked();
    for (const auto& pair : layout.overlaps.pairs) {
        layout.partners[pair.first].push_back(pair.second);
        layout.partners[pair.second].push_back(pair.first);
    }
    for (auto& entry : layout.partners) std::sort(entry.second.begin(), entry.second.end());
    return layout;
}

std::vector<std::string> Flags(const PlacedLayout& layout, std::size_t i) {
    std::vector<std::string> flags;
    const PlacedField& field = layout.fields[i];
    if (!field.IsPlaced())
        flags.push_back("not placed");
    else if (field.End() > layout.recordLength)
        flags.push_back("ends past the record length");
    const auto found = layout.partners.find(i);
    if (found != layout.partners.end()) {
        for (std::size_t other : found->second) flags.push_back("overlaps " + layout.Name(other));
    }
    return flags;
}

// A line saying how many overlapping pairs were left unflagged, or nothing.
std::string UnflaggedOverlaps(const FieldOverlaps& overlaps) {
    const int64_t more = overlaps.total - static_cast<int64_t>(overlaps.pairs.size());
    if (more <= 0) return "";
    return "... and " + std::to_string(more) + " more overlapping pairs of fields, not flagged\n";
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : "; ") + text;
    return joined;
}

// Two lines per 100 bytes of the record: the byte positions ("....+....1"), then each byte
// marked with the name of the field that covers it ('*' where fields overlap, '.' for none).
std::string Ruler(const PlacedLayout& layout) {
    constexpr int64_t kWidest = 100000;  // beyond this a ruler tells nothing
    constexpr int64_t kPerRow = 100;
    int64_t width = layout.recordLength;
    for (const PlacedField& field : layout.fields) {
        if (field.IsPlaced()) width = std::max(width, field.End());
    }
    width = std::min(width, kWidest);
    std::string marks(static_cast<std::size_t>(width), '.');
    for (std::size_t f = 0; f < layout.fields.size(); ++f) {
        const PlacedField& field = layout.fields[f];
        const std::string& name = layout.Name(f);
        for (int64_t i = 0; i < field.length && field.start >= 1 && field.start + i <= width; ++i) {
            char& mark = marks[static_cast<std::size_t>(field.start - 1 + i)];
            // One byte a position: a byte of a longer character, or a control byte, shows as '?'.
            const char byte = i < static_cast<int64_t>(name.size()) ? name[static_cast<std::size_t>(i)] : '-';
            const char own = byte >= 0x20 && byte < 0x7f ? byte : '?';
            mark = mark == '.' ? own : '*';
        }
    }
    std::string ruler;
    for (int64_t rowStart = 1; rowStart <= width; rowStart += kPerRow) {
        const int64_t rowEnd = std::min(width, rowStart + kPerRow - 1);
        std::string positions;
        for (int64_t p = rowStart; p <= rowEnd; ++p) {
            positions += p % 10 == 0 ? static_cast<char>('0' + (p / 10) % 10) : p % 5 == 0 ? '+' : '.';
        }
        ruler += positions + "\n" +
                 marks.substr(static_cast<std::size_t>(rowStart - 1),
                              static_cast<std::size_t>(rowEnd - rowStart + 1)) +
                 "\n";
    }
    return ruler;
}

void WriteLayoutText(std::ostream& out, DDFile& ddFile, const PlacedLayout& layout) {
    WriteTextTable(out, layout.fields.size() + 1, [&](std::size_t row) -> TableRow {
        StopIfAsked();
        if (row == 0) return {"Field", "Start", "End", "Length", "Type", "Section", "Flags"};
        const std::size_t i = row - 1;
        const PlacedField& field = layout.fields[i];
        const int32_t section = layout.offered[i].sectionIndex;
        return {layout.Name(i),
                std::to_string(field.start),
                std::to_string(field.End()),
                std::to_string(field.length),
                field.numeric ? "numeric" : "text",
                std::to_string(section) + " " + ddFile.GetSection(section)->GetName(),
                Joined(Flags(layout, i))};
    });
    out << UnflaggedOverlaps(layout.overlaps) << "\nRecord length " << layout.recordLength << "\n" << Ruler(layout);
}

// The object {"recordLength":..,"fields":[..],"unflaggedOverlaps":..} written field by field.
void WriteLayoutJson(std::ostream& out, DDFile& ddFile, const PlacedLayout& layout) {
    out << "{" << JsonQuoted("recordLength") << ":" << layout.recordLength << "," << JsonQuoted("fields") << ":[";
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        StopIfAsked();
        const PlacedField& field = layout.fields[i];
        const int32_t section = layout.offered[i].sectionIndex;
        JsonArray flags;
        for (const std::string& flag : Flags(layout, i)) flags.Add(JsonQuoted(flag));
        out << (i == 0 ? "" : ",")
            << JsonObject()
                   .AddString("name", layout.Name(i))
                   .AddNumber("start", field.start)
                   .AddNumber("end", field.End())
                   .AddNumber("length", field.length)
                   .AddString("type", field.numeric ? "numeric" : "text")
                   .AddNumber("section", section)
                   .AddString("sectionName", ddFile.GetSection(section)->GetName())
                   .AddJson("flags", flags.Text())
                   .Text();
    }
    out << "]";
    const int64_t unflagged = layout.overlaps.total - static_cast<int64_t>(layout.overlaps.pairs.size());
    if (unflagged > 0) out << "," << JsonQuoted("unflaggedOverlaps") << ":" << unflagged;
    out << "}\n";
}

// --check: the findings, one a line, and whether there were any.
int ReportCheck(const CliArguments& arguments, DDFile& ddFile, const CliStreams& streams) {
    StopIfAsked();
    const DDCheckResult check = CheckDDFile(ddFile, arguments.population);
    StopIfAsked();
    if (arguments.json) {
        JsonArray problems;
        for (const std::string& finding : check.findings) problems.Add(JsonQuoted(finding));
        streams.out << JsonObject().AddJson("problems", problems.Text()).AddNumber("total", check.total).Text()
                    << "\n";
    } else {
        const std::string ddName = TerminalSafe(arguments.ddFile);
        for (const std::string& finding : check.findings) streams.out << ddName << ": " << TerminalSafe(finding) << "\n";
        if (!check.MoreText().empty()) streams.out << ddName << ": " << check.MoreText() << "\n";
        if (check.total == 0) streams.out << ddName << ": no problems found\n";
    }
    streams.out << std::flush;
    return check.total == 0 ? 0 : 1;
}

}  // namespace

int RunLayoutCommand(const CliArguments& arguments, const CliStreams& streams) {
    std::unique_ptr<DDFile> ddFile = OpenDDFile(arguments.ddFile, streams.err);
    if (arguments.checkLayout) return ReportCheck(arguments, *ddFile, streams);
    const int32_t recordLength = ReadDDRecordLengths(*ddFile).ForMode(arguments.population);
    const PlacedLayout layout = ReadPlacedLayout(*ddFile, arguments.population, recordLength);
    if (arguments.json) {
        WriteLayoutJson(streams.out, *ddFile, layout);
    } else {
        WriteLayoutText(streams.out, *ddFile, layout);
    }
    streams.out << std::flush;
    return 0;
}

}  // namespace lathwell::cli
