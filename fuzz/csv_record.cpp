// Fuzz target: building fixed-length records from CSV data lines.
//
// A fixed DD file and field position map cover the interesting layouts: a numeric field, a
// text field, an ignored column, fields whose population offset differs, overlapping fields
// (the later column wins) and a mapped column far to the right (short lines lack it). Every
// line of the input is handed to two builders, one placing fields at ByteOffset and one at
// PopByteOffset, and each record is compared with a reference built from a split of the same
// line written here, character by character.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ConversionRun.h"
#include "CsvRecordBuilder.h"
#include "DDFile.h"
#include "FuzzSupport.h"
#include "MpException.h"
#include "MpVector.h"
#include "RecordWriter.h"

using namespace lathwell;

namespace {

constexpr int32_t kRecordLength = 24;

// Section indexes: 0 FileInfo, 1 Age, 2 Format=Sex, 3 Sex, 4 County, 5 Format=County, 6 Name,
// 7 Format=Name, 8 Code.
const char kDDFile[] =
    "[FileInfo]\n"
    "RecordLength=24\n"
    "PopRecordLength=24\n"
    "[Field1]\n"
    "FieldName=Age\n"
    "Length=3\n"
    "ByteOffset=1\n"
    "[Format=Sex]\n"
    "M=Male\n"
    "F=Female\n"
    "[Field2]\n"
    "FieldName=Sex\n"
    "Length=1\n"
    "ByteOffset=4\n"
    "PopByteOffset=24\n"
    "[Field3]\n"
    "FieldName=County\n"
    "Length=6\n"
    "ByteOffset=5\n"
    "PopByteOffset=4\n"
    "[Format=County]\n"
    "001=One\n"
    "-2,5=Other\n"
    "[Field4]\n"
    "FieldName=Name\n"
    "Length=10\n"
    "ByteOffset=11\n"
    "[Format=Name]\n"
    "x=Any\n"
    "[Field5]\n"
    "FieldName=Code\n"
    "Length=5\n"
    "ByteOffset=18\n"
    "PopByteOffset=20\n";

struct Field {
    int32_t column;
    int32_t length;
    int32_t byteOffset;
    int32_t popByteOffset;
    bool numeric;
};

// The layout the DD file above describes, column by column in ascending order.
const Field kFields[] = {
    {0, 3, 1, 0, true},     // Age: no format section
    {2, 1, 4, 24, false},   // Sex: letter codes
    {3, 6, 5, 4, true},     // County: codes of digits, "-" and ","
    {4, 10, 11, 0, false},  // Name
    {7, 5, 18, 20, true},   // Code: overlaps Name
};
const int16_t kFieldPositions[] = {1, -1, 3, 4, 6, -1, -5, 8, -1};

struct Expected {
    std::string record;
    bool edited = false;
    bool padded = false;
};

// Splits a data line as spreadsheets write them: a column may be quoted after leading blanks,
// a doubled quote inside quotes is one quote, and what follows the closing quote up to the
// comma is dropped. Returns false when a quote is left open.
bool ReferenceSplit(const std::string& line, std::vector<std::string>& columns) {
    size_t at = 0;
    for (;;) {
        while (at < line.size() && line[at] == ' ') ++at;
        std::string value;
        const bool quoted = at < line.size() && line[at] == '"';
        if (quoted) {
            // Ends with at on the closing quote.
            for (++at;; ++at) {
                if (at >= line.size()) return false;
                if (line[at] != '"') {
                    value += line[at];
                } else if (at + 1 < line.size() && line[at + 1] == '"') {
                    value += line[++at];
                } else {
                    break;
                }
            }
        }
        const size_t comma = line.find(',', quoted ? at + 1 : at);
        if (!quoted) value = line.substr(at, comma == std::string::npos ? comma : comma - at);
        columns.push_back(value);
        if (comma == std::string::npos) return true;
        at = comma + 1;
    }
}

// Returns false when the line must be refused (a quote without its end, too few columns).
bool ReferenceRecord(const std::string& line, bool usePopulationFields, Expected& expected) {
    std::vector<std::string> columns;
    if (!ReferenceSplit(line, columns)) return false;
    expected.record.assign(kRecordLength, ' ');
    for (const Field& field : kFields) {
        if (static_cast<size_t>(field.column) >= columns.size()) {
            return false;
        }
        std::string value = columns[static_cast<size_t>(field.column)];
        const size_t length = static_cast<size_t>(field.length);
        if (value.size() > length) {
            value.resize(length);
            expected.edited = true;
        } else if (value.size() < length) {
            expected.edited = expected.padded = true;
            if (value.empty()) {
                value.assign(length, ' ');
            } else if (field.numeric) {
                value.insert(0, length - value.size(), '0');
            } else {
                value.append(length - value.size(), ' ');
            }
        }
        const int32_t position = usePopulationFields && field.popByteOffset != 0 ? field.popByteOffset
                                                                                 : field.byteOffset;
        expected.record.replace(static_cast<size_t>(position - 1), length, value);
    }
    return true;
}

void CheckLine(CsvRecordBuilder& builder, const std::string& line, bool usePopulationFields) {
    Expected expected;
    const bool builds = ReferenceRecord(line, usePopulationFields, expected);
    RunStatistics statistics;
    try {
        std::vector<char> built(kRecordLength + RecordWriter::kScratchAfterRecord);
        builder.BuildRecord(line.data(), line.size(), built.data(), 0, statistics);
        const char* record = built.data();
        FUZZ_CHECK(builds);
        FUZZ_CHECK(std::memcmp(record, expected.record.data(), kRecordLength) == 0);
        FUZZ_CHECK(statistics.RecordsEdited == (expected.edited ? 1 : 0));
        FUZZ_CHECK(statistics.LinesPadded == (expected.padded ? 1 : 0));
    } catch (const MpException&) {
        FUZZ_CHECK(!builds);
        FUZZ_CHECK(statistics.RecordsEdited == 0 && statistics.LinesPadded == 0);
    }
    FUZZ_CHECK(statistics.LinesTruncated == 0 && statistics.LinesAsciiFixed == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile ddFile(".dd", kDDFile);
    MpVector<int16_t> fieldPositions;
    fieldPositions.assign(std::begin(kFieldPositions), std::end(kFieldPositions));

    // Both builders live for the whole input, as the run keeps one for the whole file.
    DDFile ordinaryLayout(ddFile.Name());
    DDFile populationLayout(ddFile.Name());
    CsvRecordBuilder ordinary(ordinaryLayout, kRecordLength, fieldPositions, false);
    CsvRecordBuilder population(populationLayout, kRecordLength, fieldPositions, true);

    // The run hands the builder non-empty lines without their end of line, cut at a NUL.
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t begin = 0;
    while (begin < input.size()) {
        size_t end = input.find_first_of("\r\n", begin);
        if (end == std::string::npos) {
            end = input.size();
        }
        const std::string line = input.substr(begin, end - begin).c_str();
        if (!line.empty()) {
            CheckLine(ordinary, line, false);
            CheckLine(population, line, true);
        }
        begin = end + 1;
    }
    return 0;
}
