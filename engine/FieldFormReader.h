// ReadFieldForm: the FieldForm of one DD field section, from its optional keys Type, Sign,
// Decimals, Justify and Fill (see FieldForm.h). Key names and their word values ignore case.
// A key whose value is not understood is left out of the form and named in the problems.
#pragma once

#include "FieldForm.h"

class MpIniSection;

namespace lathwell {

ReadFieldFormResult ReadFieldForm(MpIniSection& section);

// The keys ReadFieldForm reads, for the DD check's list of known keys.
extern const char* const kFieldFormKeys[5];

}  // namespace lathwell
