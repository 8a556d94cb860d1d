#include "ReadFailure.h"

#include "MpException.h"

namespace lathwell {

void RaiseReadFailure(const char* description) {
    MpException::RaiseFormattedWithSystemError("Reading %s failed -- ", false, "LineReader", description);
}

}  // namespace lathwell
