// Windows implementation of the last-error interface: GetLastError and FormatMessageA.
#include "MpPlatformError.h"

#include <cstring>

#include <windows.h>

int MpPlatformLastError() { return static_cast<int>(GetLastError()); }

void MpPlatformSetLastError(int iCode) { SetLastError(static_cast<DWORD>(iCode)); }

// What WriteFile says for a handle without write access, and SetFilePointerEx for a pipe.
int MpPlatformNotOpenForWritingError() { return ERROR_ACCESS_DENIED; }
int MpPlatformCannotSeekError() { return ERROR_SEEK_ON_DEVICE; }

bool MpPlatformErrorText(int iCode, char* pBuffer, std::size_t ulBufferSize) {
    if (pBuffer == nullptr || ulBufferSize == 0) return false;
    pBuffer[0] = '\0';
    const DWORD dwSaved = GetLastError();
    char scratch[kMpPlatformErrorTextSize];
    DWORD dwLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    static_cast<DWORD>(iCode), 0, scratch, sizeof scratch, nullptr);
    SetLastError(dwSaved);
    // The system's texts end in a line break, which a message that goes on must not carry.
    while (dwLength > 0 && (scratch[dwLength - 1] == '\n' || scratch[dwLength - 1] == '\r')) --dwLength;
    if (dwLength == 0 || dwLength + 1 > ulBufferSize) return false;
    std::memcpy(pBuffer, scratch, dwLength);
    pBuffer[dwLength] = '\0';
    return true;
}
