#include "LayoutCommand.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
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

struct PlacedField {
    std::string name;
    int32_t section = 0;
    std::string sectionName;
    int64_t start = 0;  // 1-based, as ByteOffset
    int64_t length = 0;
    bool numeric = true;
    std::vector<std::string> flags;

    int64_t End() const { return start + length - 1; }
};

// Flagging every pair of a layout whose fields pile up over a few bytes would be a report
// quadratic in its fields; beyond this many pairs only their count is told.
constexpr std::size_t kMostOverlapsFlagged = 1000;

std::vector<PlacedField> ReadPlacedFields(DDFile& ddFile, bool population, int32_t recordLength,
                                          FieldOverlaps& overlaps) {
    std::vector<PlacedField> placed;
    for (const AvailableField& field : OfferedFields(ddFile, population)) {
        StopIfAsked();
        MpIniSection& section = *ddFile.GetSection(field.sectionIndex);
        PlacedField entry;
        entry.name = field.shownName.GetCString();
        entry.section = field.sectionIndex;
        entry.sectionName = section.GetName();
        entry.length = section.GetInt("Length", 0);
        const int32_t popByteOffset = section.GetInt("PopByteOffset", 0);
        entry.start = population && popByteOffset != 0 ? popByteOffset : section.GetInt("ByteOffset", 0);
        placed.push_back(entry);
    }
    // Looking a Format section up may add one in memory, so it comes after the sections.
    for (PlacedField& entry : placed) {
        StopIfAsked();
        entry.numeric = ddFile.IsNumericField(ddFile.GetFieldName(entry.section).GetCString());
    }
    for (PlacedField& entry : placed) {
        if (entry.start < 1 || entry.length < 1)
            entry.flags.push_back("not placed");
        else if (entry.End() > recordLength)
            entry.flags.push_back("ends past the record length");
    }
    std::vector<FieldSpan> spans;
    spans.reserve(placed.size());
    for (const PlacedField& entry : placed) spans.push_back({entry.start, entry.length});
    StopIfAsked();
    overlaps = FindFieldOverlaps(spans, kMostOverlapsFlagged);
    StopIfAsked();
    // Each field's partners in file order, as a reader looks them up.
    std::vector<std::vector<std::size_t>> partners(placed.size());
    for (const auto& pair : overlaps.pairs) {
        partners[pair.first].push_back(pair.second);
        partners[pair.second].push_back(pair.first);
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        std::sort(partners[i].begin(), partners[i].end());
        for (std::size_t other : partners[i]) placed[i].flags.push_back("overlaps " + placed[other].name);
    }
    return placed;
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
std::string Ruler(const std::vector<PlacedField>& fields, int64_t recordLength) {
    constexpr int64_t kWidest = 100000;  // beyond this a ruler tells nothing
    constexpr int64_t kPerRow = 100;
    int64_t width = recordLength;
    for (const PlacedField& field : fields) {
        if (field.start >= 1 && field.length >= 1) width = std::max(width, field.End());
    }
    width = std::min(width, kWidest);
    std::string marks(static_cast<std::size_t>(width), '.');
    for (const PlacedField& field : fields) {
        for (int64_t i = 0; i < field.length && field.start >= 1 && field.start + i <= width; ++i) {
            char& mark = marks[static_cast<std::size_t>(field.start - 1 + i)];
            // One byte a position: a byte of a longer character, or a control byte, shows as '?'.
            const char byte = i < static_cast<int64_t>(field.name.size()) ? field.name[static_cast<std::size_t>(i)] : '-';
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

std::string LayoutText(const std::vector<PlacedField>& fields, const FieldOverlaps& overlaps,
                       int32_t recordLength) {
    std::vector<TableRow> rows{{"Field", "Start", "End", "Length", "Type", "Section", "Flags"}};
    for (const PlacedField& field : fields) {
        rows.push_back({field.name, std::to_string(field.start), std::to_string(field.End()),
                        std::to_string(field.length), field.numeric ? "numeric" : "text",
                        std::to_string(field.section) + " " + field.sectionName, Joined(field.flags)});
    }
    return TextTable(rows) + UnflaggedOverlaps(overlaps) + "\nRecord length " + std::to_string(recordLength) +
           "\n" + Ruler(fields, recordLength);
}

std::string LayoutJson(const std::vector<PlacedField>& fields, const FieldOverlaps& overlaps,
                       int32_t recordLength) {
    JsonArray fieldArray;
    for (const PlacedField& field : fields) {
        JsonArray flags;
        for (const std::string& flag : field.flags) flags.Add(JsonQuoted(flag));
        fieldArray.Add(JsonObject()
                           .AddString("name", field.name)
                           .AddNumber("start", field.start)
                           .AddNumber("end", field.End())
                           .AddNumber("length", field.length)
                           .AddString("type", field.numeric ? "numeric" : "text")
                           .AddNumber("section", field.section)
                           .AddString("sectionName", field.sectionName)
                           .AddJson("flags", flags.Text())
                           .Text());
    }
    JsonObject object;
    object.AddNumber("recordLength", recordLength).AddJson("fields", fieldArray.Text());
    if (overlaps.total > static_cast<int64_t>(overlaps.pairs.size())) {
        object.AddNumber("unflaggedOverlaps", overlaps.total - static_cast<int64_t>(overlaps.pairs.size()));
    }
    return object.Text() + "\n";
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
    FieldOverlaps overlaps;
    const std::vector<PlacedField> fields = ReadPlacedFields(*ddFile, arguments.population, recordLength, overlaps);
    const std::string layout =
        arguments.json ? LayoutJson(fields, overlaps, recordLength) : LayoutText(fields, overlaps, recordLength);
    StopIfAsked();
    streams.out << layout << std::flush;
    return 0;
}

}  // namespace lathwell::cli
