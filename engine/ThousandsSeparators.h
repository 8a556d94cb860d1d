// Thousands separators for the numbers shown in the run's results.
#pragma once

#include <cstdint>

#include "MpString.h"

namespace lathwell {

// Inserts a "," before every group of three digits counted from the right end of a decimal
// number, in place, and returns buffer: 1000 becomes 1,000, -1000 becomes -1,000, 999 stays.
// A text that contains a lower-case "e" anywhere is left unchanged. A separator is put only
// between two bytes that are both at least "0", so none follows a leading minus sign.
// REQUIRES: buffer is NUL-terminated and has room for the separators (an 11-character number
// gains at most three).
char* AddThousandsSeparators(char* buffer);

// The value printed in decimal and passed through AddThousandsSeparators.
MpString FormatWithThousandsSeparators(int32_t value);

}  // namespace lathwell
