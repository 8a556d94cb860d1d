// The round trip of a CSV file through a conversion and back, as a property over random
// cases: a random layout (fields of random width, numeric or text, some with a declared form,
// laid out in a random order with gaps) and random CSV lines whose values fit their fields.
// Every record a conversion builds must check clean and unpack to the values of its line, in
// record order. Numeric values never begin with a zero (the zeros on the left of a number are
// its fill) and have exactly the declared decimals; text values never end in a blank nor
// touch their fill on its side. Shared by the engine tests and a fuzz target,
// which draw the numbers from a random engine and from the fuzzer's bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "CsvLineSplitter.h"
#include "BuiltRecord.h"
#include "CsvRecordBuilder.h"
#include "DDFile.h"
#include "FixedRecordReader.h"
#include "MpVector.h"
#include "RecordChecker.h"
#include "RecordLayout.h"
#include "RecordUnpacker.h"

namespace lathwell {

struct RoundTripCase {
    std::string ddText;
    int32_t recordLength = 0;
    char delimiter = ',';
    MpVector<int16_t> fieldPositions;              // column i feeds field i, section i + 1
    std::vector<std::string> names;                // field names in record order
    std::vector<std::string> lines;                // CSV data lines
    std::vector<std::vector<std::string>> values;  // per line, the values in record order
};

// draw(n) returns a number from 0 to n - 1.
template <class Draw>
RoundTripCase MakeRoundTripCase(Draw&& draw) {
    static const char kDelimiters[] = {',', ';', '|', '\t'};
    RoundTripCase c;
    c.delimiter = kDelimiters[draw(4)];
    const size_t fields = 1 + draw(8);
    std::vector<int32_t> lengths(fields);
    std::vector<bool> numeric(fields);
    std::vector<bool> numericByFormat(fields);
    std::vector<std::string> formKeys(fields);
    std::vector<int> signs(fields, 0);  // none, Leading, Trailing, Separate
    std::vector<int> decimals(fields, -1);
    std::vector<bool> right(fields);
    std::vector<char> fill(fields);
    std::vector<size_t> order;  // record order: field indexes
    for (size_t i = 0; i < fields; ++i) {
        lengths[i] = static_cast<int32_t>(1 + draw(12));
        numeric[i] = draw(2) == 0;
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(draw(order.size() + 1)), i);
        numericByFormat[i] = right[i] = numeric[i];
        if (draw(2) == 0) continue;  // the long-standing rule
        // A declared form: the Type key overrides a format section that says otherwise.
        const bool typed = draw(2) == 0;
        if (typed) formKeys[i] += numeric[i] ? "Type=Number\n" : "Type=Text\n";
        if (numeric[i]) {
            static const char* const kSigns[] = {"", "Sign=Leading\n", "Sign=Trailing\n", "Sign=Separate\n"};
            formKeys[i] += kSigns[signs[i] = static_cast<int>(draw(4))];
            if (draw(2) == 0)
                formKeys[i] += "Decimals=" + std::to_string(decimals[i] = static_cast<int>(draw(3))) + "\n";
        }
        const size_t justify = draw(3);  // by type, left, right
        if (justify > 0) formKeys[i] += (right[i] = justify == 2) ? "Justify=Right\n" : "Justify=Left\n";
        fill[i] = numeric[i] && right[i] ? '0' : ' ';
        const size_t fillKey = draw(3);  // none, blank, star
        if (fillKey > 0)
            formKeys[i] += (fill[i] = fillKey == 1 ? ' ' : '*') == ' ' ? "Fill=\" \"\n" : "Fill=*\n";
        if (typed) numericByFormat[i] = !numeric[i];  // the format section says the other
    }
    std::vector<int32_t> offsets(fields);
    int32_t next = 0;
    for (size_t field : order) {
        next += static_cast<int32_t>(draw(3));
        offsets[field] = next;
        next += lengths[field];
    }
    c.recordLength = next + static_cast<int32_t>(draw(3));
    c.ddText = "[FileInfo]\nRecordLength=" + std::to_string(c.recordLength) + "\n";
    std::string formats;
    for (size_t i = 0; i < fields; ++i) {
        const std::string name = "F" + std::to_string(i + 1);
        c.ddText += "[Field" + std::to_string(i + 1) + "]\nFieldName=" + name +
                    "\nLength=" + std::to_string(lengths[i]) +
                    "\nByteOffset=" + std::to_string(offsets[i] + 1) + "\n" + formKeys[i];
        if (!numericByFormat[i]) formats += "[Format=" + name + "]\nA=a\n";
        c.fieldPositions.push_back(static_cast<int16_t>(i + 1));
    }
    c.ddText += formats;
    for (size_t field : order) c.names.push_back("F" + std::to_string(field + 1));
    const size_t lines = 1 + draw(6);
    for (size_t l = 0; l < lines; ++l) {
        std::vector<std::string> values(fields);
        std::string line;
        for (size_t i = 0; i < fields; ++i) {
            // A number's sign and decimals take room of the field.
            const bool negative = numeric[i] && signs[i] > 0 && draw(2) == 0;
            const int32_t room = lengths[i] - (signs[i] > 1 || negative) - std::max(decimals[i], 0);
            const size_t width = room > 0 ? draw(static_cast<size_t>(room) + 1) : 0;
            std::string& value = values[i];
            for (size_t b = 0; b < width; ++b) {
                const char digit = static_cast<char>(b == 0 && width > 1 ? '1' + draw(9) : '0' + draw(10));
                const char text =
                    draw(8) == 0 && c.delimiter != '\t' ? c.delimiter : static_cast<char>(' ' + draw(95));
                value += numeric[i] ? digit : text;
            }
            for (int d = 0; numeric[i] && width > 0 && d <= decimals[i] && decimals[i] > 0; ++d)
                value += d == 0 ? '.' : static_cast<char>('0' + draw(10));
            if (numeric[i] && width > 0 && negative) value.insert(0, "-");
            while (!numeric[i] && !value.empty() &&
                   (value.back() == ' ' || (!right[i] && value.back() == fill[i])))
                value.pop_back();
            while (!numeric[i] && right[i] && !value.empty() && value[0] == fill[i]) value.erase(0, 1);
            const bool quoted = value.find(c.delimiter) != std::string::npos ||
                                value.find('"') != std::string::npos || (!value.empty() && value[0] == ' ');
            std::string written;
            for (char byte : value) written += byte == '"' && quoted ? "\"\"" : std::string(1, byte);
            line += (i > 0 ? std::string(1, c.delimiter) : "") + (quoted ? "\"" + written + "\"" : written);
        }
        c.lines.push_back(line);
        std::vector<std::string> inRecordOrder;
        for (size_t field : order) inRecordOrder.push_back(values[field]);
        c.values.push_back(std::move(inRecordOrder));
    }
    return c;
}

// Converts the case's lines with the DD file at ddPath (holding c.ddText), checks and unpacks
// every record; returns what went wrong, or an empty text.
inline std::string RoundTripFault(const RoundTripCase& c, const char* ddPath) {
    DDFile ddFile(ddPath);
    CsvRecordBuilder builder(ddFile, c.recordLength, c.fieldPositions, false, c.delimiter);
    const RecordLayout layout = ReadRecordLayout(ddFile, false, c.recordLength);
    const RecordChecker checker(layout);
    const RecordUnpacker unpacker(layout, c.delimiter, false);
    std::string line(unpacker.LongestLine(), '\0');
    CsvLineSplitter splitter(c.delimiter);
    auto columns = [&](size_t length) {  // of the line unpacked, without its CR LF
        std::vector<std::string> values;
        CsvLineSplitter::Column column;
        splitter.Start(line.data(), length - 2);
        while (splitter.Next(column)) values.emplace_back(column.text, column.length);
        return values;
    };
    if (columns(unpacker.Header(&line[0])) != c.names) return "header " + line;
    for (size_t l = 0; l < c.lines.size(); ++l) {
        if (c.lines[l].empty()) continue;  // a conversion skips empty lines
        RunStatistics statistics;
        const std::string built = BuiltRecord(builder, c.lines[l], statistics);
        FixedRecord record;
        record.bytes = built.data();
        record.length = static_cast<size_t>(c.recordLength);
        std::vector<Finding> findings;
        if (!checker.Check(record, findings)) return c.lines[l] + ": " + findings.front().what;
        const size_t length = unpacker.Unpack(record.bytes, &line[0]);
        if (columns(length) != c.values[l]) return c.lines[l] + " came back as " + line.substr(0, length);
    }
    return "";
}

}  // namespace lathwell
