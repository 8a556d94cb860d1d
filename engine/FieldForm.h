// FieldForm: how a DD field says its values are written, beyond Length and position.
//
// Five optional keys of a field section describe the form a field's consumer expects:
//   Type=Text|Number          overrides the numeric rule of the format section;
//   Sign=Leading|Trailing|Separate
//                             a Number may carry a sign: Leading puts "-" in the field's first
//                             byte (before the fill) and nothing for a positive value, Trailing
//                             puts "-" or "+" in its last byte, Separate puts "-" or "+" in its
//                             first byte;
//   Decimals=N                a Number has N implied decimals: 12.5 with 2 is written 1250;
//   Justify=Left|Right        where the value goes in the field;
//   Fill=<one byte>           what fills the rest ("0" for a right-justified Number by default,
//                             a blank otherwise; a blank is written Fill=" ").
// A field without any of them keeps the program's long-standing rule (numeric fields zero-filled
// on the left, others blank-filled on the right, values copied as written): its FieldForm is
// plain. A key whose value cannot be understood is left out of the form and named in its
// problems, which the DD check reports.
//
// Read by ReadFieldForm (DDFile.h) and applied by FieldFormatter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lathwell {

enum class FieldType {
    ByFormatSection,  // no Type key: numeric unless the format section lists a code with other bytes
    Text,
    Number
};

enum class SignPlacement {
    None,      // no sign allowed: a value with one does not fit the form
    Leading,   // "-" in the first byte, nothing for positive values
    Trailing,  // "-" or "+" in the last byte
    Separate   // "-" or "+" in the first byte
};

enum class Justification {
    ByType,  // Number right, Text left
    Left,
    Right
};

struct FieldForm {
    FieldType type = FieldType::ByFormatSection;
    SignPlacement sign = SignPlacement::None;
    int32_t decimals = -1;  // -1: no Decimals key; a Number is written with its decimal point, if any
    Justification justification = Justification::ByType;
    char fill = '\0';  // '\0': no Fill key

    // True when no key of the form was given: the field keeps the long-standing rule.
    bool IsPlain() const {
        return type == FieldType::ByFormatSection && sign == SignPlacement::None && decimals < 0 &&
               justification == Justification::ByType && fill == '\0';
    }
};

// What a form comes to for one field: its kind, justification and fill settled from the keys
// given, the format section's rule and the field's length. Writing and reading back a field
// both start from it, so the two always agree.
struct ResolvedFieldForm {
    ResolvedFieldForm(const FieldForm& form, bool numericByFormatSection, int32_t length)
        : number(form.type == FieldType::Number ||
                 (form.type == FieldType::ByFormatSection && numericByFormatSection)),
          sign(form.sign),
          decimals(form.decimals),
          right(form.justification == Justification::Right ||
                (form.justification == Justification::ByType && number)),
          fill(form.fill != '\0' ? form.fill : (number && right ? '0' : ' ')),
          length(static_cast<size_t>(length)) {}

    bool number;
    SignPlacement sign;
    int32_t decimals;
    bool right;
    char fill;
    size_t length;
};

// A FieldForm with the problems found while reading it, each a whole sentence naming the key.
struct ReadFieldFormResult {
    FieldForm form;
    std::vector<std::string> problems;
};

}  // namespace lathwell
