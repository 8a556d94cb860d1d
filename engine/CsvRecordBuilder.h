// CsvRecordBuilder: turns one CSV data line into one fixed-length record.
//
// Built once per run from the DD file and the field position map: for every column whose map
// entry is 0 or more, the DD field at that section index gives the field's Length, its
// ByteOffset and PopByteOffset (1-based record positions) and whether it is numeric. Then, for
// every line, each mapped column's text (split at the delimiter, "," unless told otherwise,
// with "\"" as group delimiter, by the rules of MpStringTokenizer; see CsvLineSplitter) is cut
// or filled to the field's Length and copied straight from the line into the record at the
// field's position: numeric fields are filled with "0" on the left, other fields and empty
// values with blanks. Columns are handled in ascending order, so where fields overlap the
// later column wins; bytes that no field covers are blank. Values cut to their field's Length
// are counted per field (FieldCuts), or, when asked, refused.
//
// The builder owns its layout and splitter; it reads the DD file it is given in the constructor
// only, and keeps nothing of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ConversionRun.h"
#include "CsvLineSplitter.h"
#include "MpVector.h"

namespace lathwell {

class DDFile;

class CsvRecordBuilder {
public:
    // Reads the layout of every mapped column. Refuses, before any record is built, a matched
    // field whose effective position is below 1, whose Length is negative, or whose Length,
    // ByteOffset or PopByteOffset does not fit in 16 bits, with a message that names the field.
    // The DD file's own failures (a map entry beyond its sections, for one) pass through.
    // With stopAtFirstCut, a value longer than its field fails BuildRecord instead of being cut.
    // REQUIRES: recordLength > 0.
    CsvRecordBuilder(DDFile& ddFile, int32_t recordLength, const MpVector<int16_t>& fieldPositions,
                     bool usePopulationFields, char delimiter = ',', bool stopAtFirstCut = false);

    // Builds the record for one non-empty line of length bytes into record, record-length
    // bytes without CR LF. Adds 1 to RecordsEdited when a field was cut or filled and to
    // LinesPadded when one was filled; counts nothing when the line fails, and then leaves
    // record in no defined state. A cut value is counted for its field, lineNumber being the
    // first line when it is the field's first.
    // Raises MpException: its group failure for a quote without its closing quote (wherever
    // it is in the line), then, column by column, the tokenizer's "No token ..." for a
    // missing column, "Field length extends beyond record length." for a mapped field that
    // ends past the record, and with stopAtFirstCut the refusal of a value longer than its
    // field.
    // REQUIRES: line holds no NUL byte; record has room for the record length.
    void BuildRecord(const char* line, size_t length, char* record, int64_t lineNumber,
                     RunStatistics& statistics);

    // The same for a NUL-terminated line, into a record the builder owns, which it returns:
    // valid until the next call.
    const char* BuildRecord(const char* line, RunStatistics& statistics, int64_t lineNumber = 0);

    // The fields that had values cut so far, one entry per DD section, in section order.
    std::vector<FieldCut> FieldCuts() const;

private:
    struct MappedColumn {
        int32_t column;      // CSV column index
        int32_t length;      // field Length
        int32_t offset;      // 0-based effective position in the record
        bool numeric;
        bool fitsRecord;     // offset + length <= record length
        int16_t sectionIndex;
        int64_t cuts;  // values cut to length so far
        int64_t firstCutLine;
    };
    // Bytes of the record that no field covers.
    struct Gap {
        size_t offset;
        size_t length;
    };

    // Also sets title to the field's FieldName in quotes and its section name.
    MappedColumn ReadColumnLayout(DDFile& ddFile, int32_t column, int32_t sectionIndex,
                                  bool usePopulationFields, std::string& title) const;
    void FindGaps();
    // Copies the value into the record at the field's place; returns true when it was padded
    // and sets edited when it was cut or padded.
    static bool PlaceField(const MappedColumn& field, const CsvLineSplitter::Column& value, char* record,
                           bool& edited);

    const int32_t m_recordLength;
    const bool m_stopAtFirstCut;
    std::vector<MappedColumn> m_columns;
    std::vector<Gap> m_gaps;
    // FieldName and section name of each mapped column, for the refusal of a cut value.
    std::vector<std::string> m_fieldTitles;
    std::vector<char> m_record;  // for the form that builds into a record of its own
    CsvLineSplitter m_splitter;
    std::vector<size_t> m_lineCuts;  // the mapped columns whose values the line being built cut
};

}  // namespace lathwell
