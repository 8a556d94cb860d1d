#include "FieldsCommand.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CliErrors.h"
#include "CliFiles.h"
#include "ColumnMapping.h"
#include "ConversionFiles.h"
#include "CsvLineSplitter.h"
#include "JsonText.h"
#include "MpException.h"
#include "StandardStreams.h"
#include "TextTable.h"

namespace lathwell::cli {

namespace {

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

// The fields' table is written row by row: a DD file may offer millions of fields.
void WriteFieldsText(std::ostream& out, const std::vector<AvailableField>& fields,
                     const std::vector<ColumnMatch>& columns, bool withColumns) {
    WriteTextTable(out, fields.size() + 1, [&](std::size_t row) -> TableRow {
        StopIfAsked();
        if (row == 0) return {"Available DD Fields", "Position", "Section"};
        const AvailableField& field = fields[row - 1];
        return {field.shownName, field.position, std::to_string(field.sectionIndex)};
    });
    if (!withColumns) return;
    std::vector<TableRow> columnRows{{"Input Field", "Output Field"}};
    for (const ColumnMatch& column : columns) {
        columnRows.push_back({column.header, column.field ? column.field->shownName : ""});
    }
    out << "\n" << TextTable(columnRows);
}

std::string FieldsJson(const std::vector<AvailableField>& fields, const std::vector<ColumnMatch>& columns) {
    JsonArray fieldArray;
    for (const AvailableField& field : fields) {
        StopIfAsked();
        fieldArray.Add(JsonObject()
                           .AddString("name", field.shownName)
                           .AddString("position", field.position)
                           .AddNumber("section", field.sectionIndex)
                           .Text());
    }
    JsonArray columnArray;
    for (const ColumnMatch& column : columns) {
        std::string fieldName = column.field ? column.field->shownName : "";
        columnArray.Add(JsonObject()
                            .AddString("header", column.header)
                            .AddStringOrNull("field", column.field ? &fieldName : nullptr)
                            .AddNumber("section", column.field ? column.field->sectionIndex : -1)
                            .Text());
    }
    return JsonObject().AddJson("fields", fieldArray.Text()).AddJson("columns", columnArray.Text()).Text() +
           "\n";
}

// What the data lines of a CSV tell about one of its columns.
struct ColumnShape {
    std::size_t longest = 0;
    bool digitsOnly = true;  // every value holds only digits, "-" and ","
};

// Measures every column over the data lines (all, or the first --scan N non-empty ones),
// split as a CSV run splits them.
std::vector<ColumnShape> MeasureColumns(LineReader& reader, std::size_t columns, const CliArguments& arguments,
                                        const std::string& displayName, int64_t lineNumber) {
    std::vector<ColumnShape> shapes(columns);
    CsvLineSplitter splitter(arguments.delimiter);
    TextLine line;
    for (int64_t scanned = 0;
         (arguments.scanLines == 0 || scanned < arguments.scanLines) && reader.ReadLine(line);) {
        ++lineNumber;
        if (line.length == 0) continue;
        ++scanned;
        try {
            splitter.Start(line.text, static_cast<std::size_t>(line.length));
            CsvLineSplitter::Column value;
            for (std::size_t i = 0; i < columns && splitter.Next(value); ++i) {
                shapes[i].longest = std::max(shapes[i].longest, value.length);
                shapes[i].digitsOnly &= std::string(value.text, value.length).find_first_not_of("0123456789-,") ==
                                        std::string::npos;
            }
        } catch (const MpException& error) {
            throw CliRefusal(displayName + ":" + std::to_string(lineNumber) + ": " + error.GetErrorMessage());
        }
    }
    return shapes;
}

// A value as written after "Key=" so that the DD file reads it back unchanged: the reader trims
// blanks and takes one pair of enclosing quotes off, so such a value gets a pair of its own.
std::string IniValue(const std::string& value) {
    const bool enclosed = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    const bool blankAtEnd = !value.empty() && (value.front() == ' ' || value.back() == ' ');
    return enclosed || blankAtEnd ? "\"" + value + "\"" : value;
}

// The columns' field names: each header, unless an earlier field has its name ignoring case
// (and reading blanks as '_'), which the automatic matching could not tell apart; such a one
// gets "_2", "_3", ...
std::vector<std::string> DistinctNames(const std::vector<ColumnHeader>& headers) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    auto folded = [](std::string text) {
        for (char& c : text) c = c == ' ' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    for (const ColumnHeader& header : headers) {
        std::string name = header.text.GetCString();
        for (int suffix = 2; taken.count(folded(name)) != 0; ++suffix) {
            name = std::string(header.text.GetCString()) + "_" + std::to_string(suffix);
        }
        taken.insert(folded(name));
        names.push_back(name);
    }
    return names;
}

// A DD file that lays the CSV's columns end to end, one field per column named after its
// header, so that "csv" matches every column without --map. With --header-from the header
// comes from that file and every line of the input is data.
std::string InitialLayout(LineReader& reader, const CliArguments& arguments, const std::string& displayName,
                          const CliStreams& streams) {
    std::unique_ptr<LineReader> headerFile;
    LineReader* headerReader = &reader;
    std::string headerName = displayName;
    if (!arguments.headerFrom.empty()) {
        if (!IsStandardStreamName(arguments.headerFrom.c_str()) && !FileExists(arguments.headerFrom))
            throw CliRefusal(arguments.headerFrom + ": Input File Does Not Exist");
        headerFile = OpenInputReader(arguments.headerFrom, streams);
        headerReader = headerFile.get();
        headerName = InputDisplayName(arguments.headerFrom);
    }
    const std::vector<ColumnHeader> headers =
        ReadCsvHeader(*headerReader, arguments.delimiter, headerName, streams.err).columns;
    const std::vector<ColumnShape> shapes =
        MeasureColumns(reader, headers.size(), arguments, displayName, headerFile ? 0 : 1);
    const std::vector<std::string> names = DistinctNames(headers);
    std::string sections;
    std::size_t offset = 1;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const std::string& name = names[i];
        const std::size_t length = std::max<std::size_t>(shapes[i].longest, 1);
        if (name != headers[i].text.GetCString()) {
            sections += "\n; Column " + std::to_string(i + 1) + " has the name of an earlier one ignoring case; "
                        "match it with --map '#" + std::to_string(i + 1) + "=" + name + "'.";
        }
        sections += "\n[Field" + std::to_string(i + 1) + "]\nFieldName=" + IniValue(name) +
                    "\nLength=" + std::to_string(length) + "\nByteOffset=" + std::to_string(offset) + "\n";
        if (!shapes[i].digitsOnly) {
            sections +=
                "\n; Values that are not numbers: a key that is no number makes the field text.\n"
                "[Format=" +
                name + "]\nText=text\n";
        }
        offset += length;
    }
    return "; Layout of " + displayName +
           ", one field per column (lathwell-cli fields --init).\n"
           "\n[FileInfo]\nRecordLength=" +
           std::to_string(offset - 1) + "\n" + sections;
}

}  // namespace

int RunFieldsCommand(const CliArguments& arguments, const CliStreams& streams) {
    std::unique_ptr<LineReader> reader;
    if (!arguments.csvInput.empty()) {
        if (!IsStandardStreamName(arguments.csvInput.c_str()) && !FileExists(arguments.csvInput))
            throw CliRefusal(arguments.csvInput + ": Input File Does Not Exist");
        reader = OpenInputReader(arguments.csvInput, streams);
    }
    const std::string displayName = InputDisplayName(arguments.csvInput);
    if (arguments.initLayout) {
        const std::string layout = InitialLayout(*reader, arguments, displayName, streams);
        StopIfAsked();
        streams.out << layout << std::flush;
        return 0;
    }
    std::vector<AvailableField> fields = OfferedFields(*OpenDDFile(arguments.ddFile, streams.err), arguments.population);
    StopIfAsked();
    std::vector<ColumnMatch> columns;
    const bool withColumns = reader != nullptr;
    if (withColumns) {
        // A stop while the header is awaited (an idle pipe) ends the read; the stop wins.
        std::vector<ColumnHeader> headers;
        try {
            headers = ReadCsvHeader(*reader, arguments.delimiter, displayName, streams.err).columns;
        } catch (...) {
            StopIfAsked();
            throw;
        }
        StopIfAsked();
        columns = MatchColumns(headers, fields);
    }
    if (arguments.json) {
        streams.out << FieldsJson(fields, columns);
    } else {
        WriteFieldsText(streams.out, fields, columns, withColumns);
    }
    streams.out << std::flush;
    return 0;
}

}  // namespace lathwell::cli
