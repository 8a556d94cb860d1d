// RecordChecker: tells what is wrong with one fixed-length record, measured against its
// layout.
//
// The findings, one kind each:
//   - Length: the record is not the record length long (or has no LF within the bytes the
//     reader looks at). Such a record is not read further: its fields are not where the layout
//     says.
//   - RecordEnd: the record did not end as expected (see RecordEndFault).
//   - Unprintable: the record holds a byte outside 32..126 (the first one is named).
//   - Numeric: a numeric field that is not blank holds a byte that a CSV conversion does not
//     write there: a digit, filled with zeros on the left, for a field without a declared form;
//     the sign, digits and fill where the declared form puts them otherwise (see
//     FieldValueReader). An empty value is blanks.
// Each finding names its field (empty for the record as a whole) and says what is wrong in one
// line. A layout without fields (a file checked by its record length alone) has only the
// first three kinds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FieldValueReader.h"
#include "FixedRecordReader.h"
#include "RecordLayout.h"

namespace lathwell {

enum class FindingKind { Length, RecordEnd, Unprintable, Numeric };
constexpr size_t kFindingKinds = 4;

struct Finding {
    FindingKind kind;
    int64_t record;     // 1-based
    std::string field;  // the field's shown name; empty for the record as a whole
    std::string what;
};

class RecordChecker {
public:
    explicit RecordChecker(RecordLayout layout);

    // Appends the findings of the record to findings, in the order of the kinds above, and
    // returns whether there were none.
    bool Check(const FixedRecord& record, std::vector<Finding>& findings) const;

    // Only the Length and RecordEnd findings: whether the record is where and what the layout
    // expects, so that its fields can be read.
    bool CheckShape(const FixedRecord& record, std::vector<Finding>& findings) const;

private:
    // The numeric rule of a field without a declared form, by byte: whether a byte may appear
    // in a numeric value that is not blank.
    bool IsNumericByte(unsigned char byte) const { return static_cast<unsigned>(byte - '0') < 10u; }
    // Whether the numeric fields without a declared form hold digits or blanks only.
    bool PlainNumbersAreClean(const char* record) const;
    // Whether the numeric fields with a declared form hold values of their form or blanks.
    bool DeclaredFormsAreClean(const char* record) const;
    void FindFieldFaults(const FixedRecord& record, std::vector<Finding>& findings) const;
    // The shown name of the first field that covers the 0-based position, or empty.
    std::string FieldAt(size_t position) const;

    RecordLayout m_layout;
    std::vector<FieldValueReader> m_readers;  // one per field of the layout
    // One per byte of the record: all ones where a numeric field without a declared form lies,
    // which holds digits unless it is blank.
    std::vector<unsigned char> m_digitsOnly;
};

// A text as a finding quotes it: bytes outside 32..126 as \xNN.
std::string ShownBytes(const char* bytes, size_t length);

}  // namespace lathwell
