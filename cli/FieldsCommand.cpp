#include "FieldsCommand.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CliFiles.h"
#include "ColumnMapping.h"
#include "ConversionFiles.h"
#include "JsonText.h"
#include "StandardStreams.h"

namespace lathwell::cli {

namespace {

using TableRow = std::vector<std::string>;

// Left-aligned columns two blanks apart; the last column is not padded.
std::string TextTable(const std::vector<TableRow>& rows) {
    std::vector<std::size_t> widths;
    for (const TableRow& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    std::string text;
    for (const TableRow& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.append(widths[i] - row[i].size() + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

struct ColumnMatch {
    std::string header;
    const AvailableField* field;  // null when the column is not matched
};

std::vector<ColumnMatch> MatchColumns(const std::vector<ColumnHeader>& headers,
                                      const std::vector<AvailableField>& fields) {
    const std::vector<int32_t> fieldIndexes = FindMatchingFields(headers, fields);
    std::vector<ColumnMatch> matches;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        matches.push_back(ColumnMatch{headers[i].text.GetCString(),
                                      fieldIndexes[i] < 0 ? nullptr : &fields[fieldIndexes[i]]});
    }
    return matches;
}

std::string FieldsText(const std::vector<AvailableField>& fields, const std::vector<ColumnMatch>& columns,
                       bool withColumns) {
    std::vector<TableRow> fieldRows{{"Available DD Fields", "Position", "Section"}};
    for (const AvailableField& field : fields) {
        fieldRows.push_back(
            {field.shownName.GetCString(), field.position.GetCString(), std::to_string(field.sectionIndex)});
    }
    std::string text = TextTable(fieldRows);
    if (!withColumns) return text;
    std::vector<TableRow> columnRows{{"Input Field", "Output Field"}};
    for (const ColumnMatch& column : columns) {
        columnRows.push_back({column.header, column.field ? column.field->shownName.GetCString() : ""});
    }
    return text + "\n" + TextTable(columnRows);
}

std::string FieldsJson(const std::vector<AvailableField>& fields, const std::vector<ColumnMatch>& columns) {
    JsonArray fieldArray;
    for (const AvailableField& field : fields) {
        fieldArray.Add(JsonObject()
                           .AddString("name", field.shownName.GetCString())
                           .AddString("position", field.position.GetCString())
                           .AddNumber("section", field.sectionIndex)
                           .Text());
    }
    JsonArray columnArray;
    for (const ColumnMatch& column : columns) {
        std::string fieldName = column.field ? column.field->shownName.GetCString() : "";
        columnArray.Add(JsonObject()
                            .AddString("header", column.header)
                            .AddStringOrNull("field", column.field ? &fieldName : nullptr)
                            .AddNumber("section", column.field ? column.field->sectionIndex : -1)
                            .Text());
    }
    return JsonObject().AddJson("fields", fieldArray.Text()).AddJson("columns", columnArray.Text()).Text() +
           "\n";
}

}  // namespace

int RunFieldsCommand(const CliArguments& arguments, const CliStreams& streams) {
    std::vector<AvailableField> fields =
        OfferedFields(*OpenDDFile(arguments.ddFile, streams.err), arguments.population);
    std::vector<ColumnMatch> columns;
    const bool withColumns = !arguments.csvInput.empty();
    if (withColumns) {
        if (!IsStandardStreamName(arguments.csvInput.c_str()) && !FileExists(arguments.csvInput))
            throw CliRefusal(arguments.csvInput + ": Input File Does Not Exist");
        std::unique_ptr<LineReader> reader = OpenInputReader(arguments.csvInput, streams);
        columns =
            MatchColumns(ReadCsvHeader(*reader, InputDisplayName(arguments.csvInput), streams.err), fields);
    }
    streams.out << (arguments.json ? FieldsJson(fields, columns) : FieldsText(fields, columns, withColumns))
                << std::flush;
    return 0;
}

}  // namespace lathwell::cli
