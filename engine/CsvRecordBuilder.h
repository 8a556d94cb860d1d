// CsvRecordBuilder: turns one CSV data line into one fixed-length record.
//
// Built once per run from the DD file and the field position map: for every column whose map
// entry is 0 or more, the DD field at that section index gives the field's Length, its
// ByteOffset and PopByteOffset (1-based record positions) and whether it is numeric. Then, for
// every line, each mapped column's text (split at "," with "\"" as group delimiter, through
// MpStringTokenizer) is cut or filled to the field's Length and copied into the record at the
// field's position: numeric fields are filled with "0" on the left, other fields and empty
// values with blanks. Columns are handled in ascending order, so where fields overlap the later
// column wins; bytes that no field covers stay blank.
//
// The builder owns its record template and tokenizer; the DD file is read in the constructor
// and released before it returns.
#pragma once

#include <cstdint>
#include <vector>

#include "ConversionRun.h"
#include "MpString.h"
#include "MpStringTokenizer.h"
#include "MpVector.h"

namespace lathwell {

class DDFile;

class CsvRecordBuilder {
public:
    // Reads the layout of every mapped column. Refuses, before any record is built, a matched
    // field whose effective position is below 1, whose Length is negative, or whose Length,
    // ByteOffset or PopByteOffset does not fit in 16 bits, with a message that names the field.
    // The DD file's own failures (a map entry beyond its sections, for one) pass through.
    // REQUIRES: recordLength > 0.
    CsvRecordBuilder(const char* ddFileName, int32_t recordLength,
                     const MpVector<int16_t>& fieldPositions, bool usePopulationFields);

    // Builds the record for one non-empty line and returns it: record-length bytes, valid
    // until the next call. Adds 1 to RecordsEdited when a field was cut or filled and to
    // LinesPadded when one was filled; counts nothing when the line fails. Raises
    // MpException: "Field length extends beyond record length." for a mapped field that ends
    // past the record, the tokenizer's "No token ..." for a line with too few columns, and its
    // group failure for a quote without its closing quote.
    // REQUIRES: line is NUL-terminated.
    const char* BuildRecord(const char* line, RunStatistics& statistics);

private:
    struct MappedColumn {
        int32_t column;      // CSV column index
        int32_t length;      // field Length
        int32_t offset;      // 0-based effective position in the record
        bool numeric;
        bool fitsRecord;     // offset + length <= record length
    };

    MappedColumn ReadColumnLayout(DDFile& ddFile, int32_t column, int32_t sectionIndex,
                                  bool usePopulationFields) const;
    // Copies the token into the template at the field's place; returns true when it was padded
    // and sets edited when it was cut or padded.
    bool PlaceField(const MappedColumn& field, const MpString& token, bool& edited);

    const int32_t m_recordLength;
    std::vector<MappedColumn> m_columns;
    std::vector<char> m_template;
    MpStringTokenizer m_tokenizer;
};

}  // namespace lathwell
