#include "LayoutCommand.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ColumnMapping.h"
#include "CsvReadiness.h"
#include "JsonText.h"
#include "TextTable.h"

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

std::vector<PlacedField> ReadPlacedFields(DDFile& ddFile, bool population, int32_t recordLength) {
    std::vector<PlacedField> placed;
    for (const AvailableField& field : OfferedFields(ddFile, population)) {
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
    for (PlacedField& entry : placed)
        entry.numeric = ddFile.IsNumericField(ddFile.GetFieldName(entry.section).GetCString());
    for (PlacedField& entry : placed) {
        if (entry.start < 1 || entry.length < 1)
            entry.flags.push_back("not placed");
        else if (entry.End() > recordLength)
            entry.flags.push_back("ends past the record length");
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        for (std::size_t j = i + 1; j < placed.size(); ++j) {
            PlacedField& a = placed[i];
            PlacedField& b = placed[j];
            if (a.length < 1 || b.length < 1 || a.End() < b.start || b.End() < a.start) continue;
            a.flags.push_back("overlaps " + b.name);
            b.flags.push_back("overlaps " + a.name);
        }
    }
    return placed;
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
            const char own =
                i < static_cast<int64_t>(field.name.size()) ? field.name[static_cast<std::size_t>(i)] : '-';
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

std::string LayoutText(const std::vector<PlacedField>& fields, int32_t recordLength) {
    std::vector<TableRow> rows{{"Field", "Start", "End", "Length", "Type", "Section", "Flags"}};
    for (const PlacedField& field : fields) {
        rows.push_back({field.name, std::to_string(field.start), std::to_string(field.End()),
                        std::to_string(field.length), field.numeric ? "numeric" : "text",
                        std::to_string(field.section) + " " + field.sectionName, Joined(field.flags)});
    }
    return TextTable(rows) + "\nRecord length " + std::to_string(recordLength) + "\n" +
           Ruler(fields, recordLength);
}

std::string LayoutJson(const std::vector<PlacedField>& fields, int32_t recordLength) {
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
    return JsonObject().AddNumber("recordLength", recordLength).AddJson("fields", fieldArray.Text()).Text() +
           "\n";
}

}  // namespace

int RunLayoutCommand(const CliArguments& arguments, const CliStreams& streams) {
    std::unique_ptr<DDFile> ddFile = OpenDDFile(arguments.ddFile, streams.err);
    const int32_t recordLength = ReadDDRecordLengths(*ddFile).ForMode(arguments.population);
    const std::vector<PlacedField> fields = ReadPlacedFields(*ddFile, arguments.population, recordLength);
    streams.out << (arguments.json ? LayoutJson(fields, recordLength) : LayoutText(fields, recordLength))
                << std::flush;
    return 0;
}

}  // namespace lathwell::cli
