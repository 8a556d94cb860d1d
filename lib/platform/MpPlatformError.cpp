// Linux implementation of the last-error interface: errno and strerror_r.
#include "MpPlatformError.h"

#include <cerrno>
#include <cstring>

namespace {

// strerror_r comes in two flavours; these overloads pick the right handling for the one that
// the C library declares (GNU: returns a text pointer; XSI: returns 0 and fills the buffer).
[[maybe_unused]] const char* ErrorTextResult(char* pResult, char*) { return pResult; }
[[maybe_unused]] const char* ErrorTextResult(int iResult, char* pBuffer) { return iResult == 0 ? pBuffer : nullptr; }

}  // namespace

int MpPlatformLastError() { return errno; }

void MpPlatformSetLastError(int iCode) { errno = iCode; }

int MpPlatformNotOpenForWritingError() { return EBADF; }
int MpPlatformCannotSeekError() { return ESPIPE; }

bool MpPlatformErrorText(int iCode, char* pBuffer, std::size_t ulBufferSize) {
    if (pBuffer == nullptr || ulBufferSize == 0) return false;
    pBuffer[0] = '\0';
    int iSaved = errno;
    char scratch[kMpPlatformErrorTextSize];
    const char* pText = ErrorTextResult(strerror_r(iCode, scratch, sizeof scratch), scratch);
    errno = iSaved;
    if (pText == nullptr || pText[0] == '\0') return false;
    std::size_t ulLength = std::strlen(pText);
    if (ulLength + 1 > ulBufferSize) return false;
    std::memcpy(pBuffer, pText, ulLength + 1);
    return true;
}
