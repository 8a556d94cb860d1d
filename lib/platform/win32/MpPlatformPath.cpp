// Windows implementation of full path names: the system's own GetFullPathNameA, which knows
// drive letters, each drive's current directory and UNC shares, and writes "\" throughout.
#include "MpPlatformPath.h"

#include <windows.h>

bool MpPlatformGetFullPathName(const char* pPath, char* pBuffer, uint32_t ulBufferSize) {
    if (pPath == nullptr || *pPath == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const DWORD dwLength = GetFullPathNameA(pPath, ulBufferSize, pBuffer, nullptr);
    if (dwLength == 0) return false;
    if (dwLength >= ulBufferSize) {  // the size the whole name would need
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return true;
}
