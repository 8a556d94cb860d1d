// The rules both front ends apply before a CSV conversion may start, with the messages they
// show when a rule refuses: the DD file must have at least two sections, the input's header
// line at least two columns, and at least two columns must be matched with DD fields. Also
// where the record length of a DD file comes from, and how the header line is read.
//
// The desktop program and lathwell-cli both call these, so the two never drift apart; the
// texts are shown exactly as written here.
#pragma once

#include <cstdint>
#include <vector>

#include "DDFile.h"
#include "FieldMatcher.h"
#include "LineReader.h"
#include "MpVector.h"

namespace lathwell {

extern const char* const kInvalidDDFileMessage;         // "Invalid DD file."
extern const char* const kNotValidCsvFileMessage;       // "The Input File is not a valid CSV file."
extern const char* const kBlankColumnHeaderMessage;     // "Blank Column Header found ..."
extern const char* const kTooFewMatchedColumnsMessage;  // "At least two fields ... DD File."
// The same refusal when a run is asked for: it adds "  Please set field positions."
extern const char* const kTooFewMatchedColumnsForRunMessage;

// A DD file that can lay out records has at least two sections.
bool IsUsableDDFile(const DDFile& ddFile);

// Whether the file begins with a UTF-8 byte order mark, which the INI reader takes as part of
// the first line: a DD file saved with one reads as invalid. False when it cannot be read.
bool BeginsWithByteOrderMark(const char* fileName) noexcept;

// A header line that makes a CSV file has at least two columns.
bool IsUsableCsvHeader(const std::vector<ColumnHeader>& columns);

// The number of map entries that name a field (0 or more): the matched columns.
int32_t CountMatchedColumns(const MpVector<int16_t>& fieldPositions);

// A run needs at least two matched columns.
bool HasEnoughMatchedColumns(const MpVector<int16_t>& fieldPositions);

// Both record lengths of a DD file ([FileInfo] RecordLength and PopRecordLength, 0 when
// missing) and the one a run uses.
struct DDRecordLengths {
    int32_t recordLength = 0;
    int32_t popRecordLength = 0;
    // Why the lengths could not be read when another program kept the file locked; else empty.
    MpString lockFailure;

    int32_t ForMode(bool populationMode) const { return populationMode ? popRecordLength : recordLength; }
};

// Raises the INI layer's MpException when a length cannot be read.
DDRecordLengths ReadDDRecordLengths(DDFile& ddFile);
// As the main window reads them: a failure is swallowed, a value read before it stands and
// the others stay 0 (also for a file that cannot be opened at all).
DDRecordLengths ReadDDRecordLengths(const char* fileName) noexcept;

// How a header line is split into columns.
struct HeaderReading {
    char delimiter = ',';
    // Drop a UTF-8 byte order mark at the start of the line, so the first column reads as
    // the user sees it. The desktop program keeps the bytes as they are.
    bool stripByteOrderMark = false;
};

struct CsvHeader {
    std::vector<ColumnHeader> columns;
    // The line began with a UTF-8 byte order mark (stripped or not).
    bool byteOrderMark = false;
};

// The columns of the next line of reader (none at the end of the input); the reader is left
// just after the line. Raises the reader's MpException.
CsvHeader ReadCsvHeader(LineReader& reader, const HeaderReading& reading = {});

// The columns of the first line of a plain file, read as the field selection dialog and the
// Process command read it: lines end at LF or CR LF, a lone CR is refused.
CsvHeader ReadCsvHeader(const char* fileName, const HeaderReading& reading = {});

}  // namespace lathwell
