#include "ReadFailure.h"

#include "MpException.h"

namespace lathwell {

void RaiseReadFailure(const char* description) {
    MpException::RaiseFormattedWithSystemError("Reading %s failed -- ", false, "LineReader", description);
}

void RaiseReadStopped(const char* description) {
    MpException::RaiseFormatted("Reading %s stopped", "LineReader", description);
}

}  // namespace lathwell
