#include "CsvReadiness.h"

#include <string>

#include "PlainLineReader.h"

namespace lathwell {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::size_t kByteOrderMarkLength = sizeof kByteOrderMark - 1;

}  // namespace

// The field selection dialog's refusal, and the one the Process command adds advice to.
#define LATHWELL_TOO_FEW_MATCHED \
    "At least two fields in the Input File must be matched with corresponding fields from the DD File."

const char* const kInvalidDDFileMessage = "Invalid DD file.";
const char* const kNotValidCsvFileMessage = "The Input File is not a valid CSV file.";
const char* const kBlankColumnHeaderMessage =
    "Blank Column Header found in input file. '<Blank>' used as field name.";
const char* const kTooFewMatchedColumnsMessage = LATHWELL_TOO_FEW_MATCHED;
const char* const kTooFewMatchedColumnsForRunMessage =
    LATHWELL_TOO_FEW_MATCHED "  Please set field positions.";

#undef LATHWELL_TOO_FEW_MATCHED

bool IsUsableDDFile(const DDFile& ddFile) { return ddFile.GetNumSections() >= 2; }

bool BeginsWithByteOrderMark(const char* fileName) noexcept {
    try {
        PlainLineReader reader(fileName, false);
        TextLine line;
        return reader.ReadLine(line) && std::string(line.text, static_cast<size_t>(line.length))
                                                .compare(0, kByteOrderMarkLength, kByteOrderMark) == 0;
    } catch (...) {
        return false;
    }
}

bool IsUsableCsvHeader(const std::vector<ColumnHeader>& columns) { return columns.size() >= 2; }

int32_t CountMatchedColumns(const MpVector<int16_t>& fieldPositions) {
    int32_t matched = 0;
    for (int16_t entry : fieldPositions) matched += entry >= 0 ? 1 : 0;
    return matched;
}

bool HasEnoughMatchedColumns(const MpVector<int16_t>& fieldPositions) {
    return CountMatchedColumns(fieldPositions) >= 2;
}

DDRecordLengths ReadDDRecordLengths(DDFile& ddFile) {
    DDRecordLengths lengths;
    lengths.recordLength = ddFile.GetRecordLength();
    lengths.popRecordLength = ddFile.GetPopRecordLength();
    return lengths;
}

DDRecordLengths ReadDDRecordLengths(const char* fileName) noexcept {
    DDRecordLengths lengths;
    try {
        DDFile ddFile(fileName);
        lengths.recordLength = ddFile.GetRecordLength();
        lengths.popRecordLength = ddFile.GetPopRecordLength();
    } catch (const DDFileLockedException& e) {
        lengths.lockFailure = e.GetErrorMessage();
    } catch (...) {
    }
    return lengths;
}

CsvHeader ReadCsvHeader(LineReader& reader, const HeaderReading& reading) {
    std::string line;
    TextLine text;
    if (reader.ReadLine(text)) line.assign(text.text, text.length);
    CsvHeader header;
    header.byteOrderMark = line.compare(0, kByteOrderMarkLength, kByteOrderMark) == 0;
    if (header.byteOrderMark && reading.stripByteOrderMark) line.erase(0, kByteOrderMarkLength);
    header.columns = SplitHeaderLine(line.c_str(), reading.delimiter);
    return header;
}

CsvHeader ReadCsvHeader(const char* fileName, const HeaderReading& reading) {
    PlainLineReader reader(fileName, false);
    CsvHeader header = ReadCsvHeader(reader, reading);
    reader.Close();
    return header;
}

}  // namespace lathwell
