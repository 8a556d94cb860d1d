// The first line of a CSV input file, the column header line, as the field selection dialog
// and the Process command read it: lines end at LF or CR LF, and a lone CR is refused.
#pragma once

#include "MpString.h"

namespace lathwell::app {

// The header line of the file without its end of line; empty for an empty file. Raises the
// MpException of a failed open or read.
MpString ReadHeaderLine(const char* fileName);

}  // namespace lathwell::app
