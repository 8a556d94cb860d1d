// FieldValueReader: reads a value back out of a field, the inverse of FieldFormatter.
//
// Made like a FieldFormatter, from the field's FieldForm, whether the field is numeric by the
// rule of its format section, and its Length; a plain form reads the long-standing rule
// (numbers as digits filled with zeros on the left, text filled with blanks on the right).
// A field of blanks is an empty value. A Number is read by its form: the sign where the form
// puts it, then digits (and a decimal point where the form has no Decimals and is not plain);
// its value is written with "-" for a negative sign ("+" is dropped), its integer digits
// without the zeros on their left, and Decimals=N put back as a point before the last N
// digits (1250 with 2 is 12.50). Text is read less the fill on the side the form puts it
// (the left of a right-justified field, the right otherwise).
// So a value that a FieldFormatter writes whole comes back as written, when a Number has no
// zeros on the left of its integer digits and exactly Decimals decimals, and a Text does not
// begin or end with its fill on the fill's side.
#pragma once

#include <cstddef>
#include <cstdint>

#include "FieldForm.h"

namespace lathwell {

class FieldValueReader {
public:
    // REQUIRES: length >= 0.
    FieldValueReader(const FieldForm& form, bool numericByFormatSection, int32_t length);

    bool IsNumber() const { return m_form.number; }

    // The most bytes Read writes.
    size_t LongestValue() const { return m_form.length + 3; }

    // The 0-based position of the first byte that does not belong where it is in a Number of
    // the form, or Length when the field is blank, a Number of the form, or Text.
    size_t FirstFault(const char* field) const;

    // A value read: where its bytes lie, and how many there are.
    struct Value {
        const char* text;
        size_t length;
    };

    // The value of the field (its Length bytes). Where the value is some of the field's bytes as
    // they are (text, most numbers) it points into the field; otherwise it is written to
    // scratch. A field that is not of its form is read less its fill, its bytes as they are.
    // REQUIRES: scratch has room for LongestValue() bytes.
    Value Read(const char* field, char* scratch) const;

private:
    struct Scan {
        size_t fault;  // as FirstFault
        bool negative;
        size_t digitsBegin;
        size_t digitsEnd;
    };

    Scan ScanNumber(const char* field) const;
    Value ReadNumber(const char* field, const Scan& scan, char* scratch) const;
    bool IsBlank(const char* field) const;

    ResolvedFieldForm m_form;
    bool m_point;
};

}  // namespace lathwell
