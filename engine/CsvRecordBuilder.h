// CsvRecordBuilder: turns one CSV data line into one fixed-length record.
//
// Built once per run from the DD file and the field position map: for every column whose map
// entry is 0 or more, the DD field at that section index gives the field's Length, its
// ByteOffset and PopByteOffset (1-based record positions) and whether it is numeric. Then, for
// every line, each mapped column's text (split at the delimiter, "," unless told otherwise,
// with "\"" as group delimiter and a doubled quote read as one; see CsvLineSplitter) is cut
// or filled to the field's Length and copied straight from the line into the record at the
// field's position: numeric fields are filled with "0" on the left, other fields and empty
// values with blanks. A field whose section declares its form (FieldForm.h) is written by a
// FieldFormatter instead; a value that does not fit that form is placed by the rule above.
// Columns are handled in ascending order, so where fields overlap the later column wins; bytes
// that no field covers are blank. Values cut to their field's Length, values not of their
// field's form and lines with text after a closing quote are counted, or, when asked, refused.
//
// The builder owns its layout and splitter; it reads the DD file it is given in the constructor
// only, and keeps nothing of it. A copy builds the same records and counts on its own, for
// another thread (copies share the formatters, which never change); what it counted is added
// to the original with TakeCounts and AddCounts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ConversionRun.h"
#include "CsvLineSplitter.h"
#include "FieldFormatter.h"
#include "MpVector.h"

namespace lathwell {

class DDFile;

// What becomes of values that cannot be placed as written.
struct CsvValueRules {
    bool refuseCuts = false;            // a value longer than its field fails the line
    bool refuseMisplacedValues = false;  // so do text after a closing quote and a value not of its form
    bool cutOnCharacters = false;        // a cut inside a UTF-8 character falls before it
};

// What a builder counted of the values it could not place as written.
struct CsvValueCounts {
    struct Column {
        int64_t cuts = 0;  // values cut to length
        int64_t firstCutLine = 0;
        int64_t characterCuts = 0;  // of the cuts, those inside a UTF-8 character
        int64_t mismatches = 0;     // values not of the declared form
        int64_t firstMismatchLine = 0;
        std::string firstMismatch;  // the first value not of its form
    };
    std::vector<Column> columns;  // one per mapped column
    LineCount textAfterQuote;
};

class CsvRecordBuilder {
public:
    // Reads the layout of every mapped column. Refuses, before any record is built, a matched
    // field whose effective position is below 1, whose Length is negative, or whose Length,
    // ByteOffset or PopByteOffset does not fit in 16 bits, with a message that names the field.
    // The DD file's own failures (a map entry beyond its sections, for one) pass through.
    // The rules say which values BuildRecord refuses instead of counting them.
    // REQUIRES: recordLength > 0.
    CsvRecordBuilder(DDFile& ddFile, int32_t recordLength, const MpVector<int16_t>& fieldPositions,
                     bool usePopulationFields, char delimiter = ',', CsvValueRules rules = CsvValueRules());

    // Builds the record for one non-empty line of length bytes into record, record-length
    // bytes without CR LF. Adds 1 to RecordsEdited when a field was cut or filled and to
    // LinesPadded when one was filled; counts nothing when the line fails, and then leaves
    // record in no defined state. A cut value is counted for its field, lineNumber being the
    // first line when it is the field's first.
    // Raises MpException: its group failure for a quote without its closing quote (wherever
    // it is in the line), then, column by column, the tokenizer's "No token ..." for a
    // missing column, "Field length extends beyond record length." for a mapped field that
    // ends past the record, and as the rules ask the refusal of a value longer than its field,
    // of a value not of its field's form, then of text after a closing quote.
    // REQUIRES: line holds no NUL byte; record has room for the record length and
    // RecordWriter::kScratchAfterRecord bytes more, which it may leave in no defined state.
    void BuildRecord(const char* line, size_t length, char* record, int64_t lineNumber,
                     RunStatistics& statistics);

    int32_t RecordLength() const { return m_recordLength; }

    // Whether every mapped field ends within the record. When one does not, every non-empty
    // line fails ("Field length extends beyond record length."): no record can be built.
    bool EveryFieldFitsRecord() const;

    // The fields that had values cut so far, one entry per DD section, in section order.
    std::vector<FieldCut> FieldCuts() const;
    // The fields that had values not of their declared form so far, in section order.
    std::vector<FormMismatch> FormMismatches() const;
    // The lines with text after a closing quote so far.
    LineCount TextAfterQuote() const { return m_counts.textAfterQuote; }

    // Hands over everything counted so far and counts again from nothing.
    CsvValueCounts TakeCounts();
    // Adds the counts that a copy of this builder took, its line numbers counted from
    // lineOffset + 1: as if this builder had built those lines after its own.
    void AddCounts(const CsvValueCounts& counts, int64_t lineOffset);

private:
    struct MappedColumn {
        int32_t column;      // CSV column index
        int32_t length;      // field Length
        int32_t offset;      // 0-based effective position in the record
        bool numeric;
        bool fitsRecord;     // offset + length <= record length
        bool plain;          // fits the record and declares no form: its value is copied as it is
        bool overlapsEarlier;  // shares bytes with a field of an earlier column
        bool whole;            // plain, and placed whole (see PlaceWhole) where it can be
        int16_t sectionIndex;
        const FieldFormatter* formatter;  // null for a field without a declared form
    };
    // A value of the line being built that was cut or did not fit its form.
    struct LineEvent {
        size_t column;  // index into m_columns
        bool splitCharacter;
        bool mismatch;
    };

    // Also sets title to the field's FieldName in quotes and its section name; makes the
    // field's formatter when its section declares a form.
    MappedColumn ReadColumnLayout(DDFile& ddFile, int32_t column, int32_t sectionIndex,
                                  bool usePopulationFields, std::string& title);
    // Marks the fields that share bytes with the field of an earlier column, and those that
    // can be placed whole.
    void FindOverlaps();
    // Copies the value into the field's place in the record, cut or filled to the field's
    // Length; returns true when it was filled. Blanks the place first when blank is set, else
    // leaves the bytes after a text value as they are.
    static bool PlaceField(const MappedColumn& field, const CsvLineSplitter::Column& value, char* record,
                           bool blank);
    // Places the value of a plain field of up to RecordWriter::kScratchAfterRecord bytes with
    // no branch on the value's width, by moves of 16 or 32 bytes that blank the bytes after the
    // field up to their end; returns false, having placed nothing, when the bytes around the
    // value cannot be read.
    static bool PlaceWhole(const MappedColumn& field, const CsvLineSplitter::Column& value, char* record);
    // Places a value of a field with a declared form; a value not of that form is placed by
    // PlaceField's rule and reported as a mismatch.
    static FormFit PlaceFormatted(const MappedColumn& field, const CsvLineSplitter::Column& value, char* record,
                                  bool& mismatch);
    // Places a value of a field that is not plain, kept out of the loop over the columns;
    // returns false when the field lies outside the record or the rules refuse the value.
    bool PlaceOtherField(size_t index, const CsvLineSplitter::Column& value, char* record, bool& edited,
                         bool& padded);
    // Notes a value placed cut to its field (and blanks a character it cut in two, when asked).
    void NoteCut(size_t index, const CsvLineSplitter::Column& value, char* record);
    // Keeps the value refused for RaiseRefusal; returns false.
    bool Refuse(const CsvLineSplitter::Column& value, bool mismatch);
    // Counts the values the line cut or found not of their form, once the line is split.
    void CountLineEvents(int64_t lineNumber);
    [[noreturn]] void RaiseRefusal(size_t column) const;

    const int32_t m_recordLength;
    const CsvValueRules m_rules;
    std::vector<MappedColumn> m_columns;
    // FieldName and section name of each mapped column, for the refusal of a cut value.
    std::vector<std::string> m_fieldTitles;
    CsvLineSplitter m_splitter;
    std::vector<std::shared_ptr<const FieldFormatter>> m_formatters;
    std::vector<LineEvent> m_lineEvents;  // of the line being built
    CsvValueCounts m_counts;
    std::string m_refusedValue;  // the value the rules refused on the line being built
    bool m_refusedMismatch = false;
};

}  // namespace lathwell
