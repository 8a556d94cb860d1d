// FieldFormatter: writes one value into a field that declares its form (see FieldForm.h).
//
// Made once per field and run from the field's FieldForm, whether the field is numeric by the
// rule of its format section, and its Length. A Number value is an optional sign, digits and an
// optional decimal point with digits (blanks after it are ignored); it is written without its
// sign, with Decimals applied (the point removed and zeros appended, or decimal zeros beyond N
// dropped), the sign placed as the form says, and justified and filled. A Text value is written
// as it is, justified and filled. An empty value is blank in any field.
// A Number value that is not a number, has a sign its form does not allow, or has more
// (non-zero) decimals than declared does not fit the form: nothing is written and the caller
// decides what to do with it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "FieldForm.h"

namespace lathwell {

enum class FormFit {
    Exact,    // the written value fills the field
    Padded,   // filled to the field's Length
    Cut,      // longer than the field: cut on the right to its Length
    Mismatch  // does not fit the form; nothing was written
};

class FieldFormatter {
public:
    // REQUIRES: length >= 0.
    FieldFormatter(const FieldForm& form, bool numericByFormatSection, int32_t length);

    bool IsNumber() const { return m_form.number; }

    // Writes value (width bytes) into place, the field's Length bytes, unless it does not fit.
    // REQUIRES: place has room for the field's Length.
    FormFit Write(const char* value, size_t width, char* place) const;

private:
    struct Number {
        bool negative = false;
        const char* integer = nullptr;  // digits before the point
        size_t integerLength = 0;
        const char* fraction = nullptr;  // digits after the point
        size_t fractionLength = 0;
        bool point = false;
    };

    // Reads value as a Number; false when it is none, or does not fit the sign or decimals.
    bool ReadNumber(const char* value, size_t width, Number& number) const;
    FormFit WriteNumber(const Number& number, char* place) const;
    FormFit WriteText(const char* value, size_t width, char* place) const;
    // Writes the parts (sign before, body, sign after) of total length total, justified and
    // filled, into place; the body is given by a function writing it at an address.
    template <typename WriteBody>
    FormFit Arrange(char leadingSign, size_t bodyLength, WriteBody writeBody, char trailingSign,
                    char* place) const;

    ResolvedFieldForm m_form;
};

}  // namespace lathwell
