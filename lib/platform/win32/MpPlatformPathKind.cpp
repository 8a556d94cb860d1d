// Windows implementation of path kinds: the attributes of a name, and for devices and pipes
// (which have none) the type of the open handle.
#include "MpPlatformPathKind.h"

#include <windows.h>

MpPlatformPathKind MpPlatformGetPathKind(const char* pPath) {
    const DWORD dwAttributes = GetFileAttributesA(pPath);
    if (dwAttributes != INVALID_FILE_ATTRIBUTES) {
        if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) return MpPlatformPathKind::Directory;
        if (dwAttributes & FILE_ATTRIBUTE_DEVICE) return MpPlatformPathKind::Stream;
        return MpPlatformPathKind::RegularFile;
    }
    // "NUL", "CON" and "\\.\pipe\..." name no file: open them without access to ask their type.
    HANDLE hFile = CreateFileA(pPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return MpPlatformPathKind::Missing;
    const DWORD dwType = GetFileType(hFile);
    CloseHandle(hFile);
    if (dwType == FILE_TYPE_CHAR || dwType == FILE_TYPE_PIPE) return MpPlatformPathKind::Stream;
    return dwType == FILE_TYPE_DISK ? MpPlatformPathKind::RegularFile : MpPlatformPathKind::Other;
}

bool MpPlatformMayWriteInFolder(const char* pFolder) {
    // Windows grants by access lists that no attribute shows: the one sure answer is to create
    // a file there, which GetTempFileNameA does under a name of its own, and remove it again.
    char name[MAX_PATH];
    if (GetTempFileNameA(pFolder, "lw", 0, name) == 0) return false;
    return DeleteFileA(name) != 0;
}
