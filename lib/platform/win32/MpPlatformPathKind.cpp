// Windows implementation of path kinds: the attributes of a name, and for devices and pipes
// (which have none) the type of the open handle.
#include "MpPlatformPathKind.h"

#include <windows.h>

MpPlatformPathKind MpPlatformGetPathKind(const char* pPath) {
    // Devices ("NUL", "CON") may show file attributes too: an open handle's type tells them.
    HANDLE hFile = CreateFileA(pPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const DWORD dwType = hFile != INVALID_HANDLE_VALUE ? GetFileType(hFile) : FILE_TYPE_DISK;
    if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    if (dwType == FILE_TYPE_CHAR || dwType == FILE_TYPE_PIPE) return MpPlatformPathKind::Stream;
    if (dwType != FILE_TYPE_DISK) return MpPlatformPathKind::Other;
    const DWORD dwAttributes = GetFileAttributesA(pPath);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) return MpPlatformPathKind::Missing;
    return (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? MpPlatformPathKind::Directory : MpPlatformPathKind::RegularFile;
}

bool MpPlatformMayWriteInFolder(const char* pFolder) {
    // Windows grants by access lists that no attribute shows: the one sure answer is to create
    // a file there, which GetTempFileNameA does under a name of its own, and remove it again.
    char name[MAX_PATH];
    if (GetTempFileNameA(pFolder, "lw", 0, name) == 0) return false;
    return DeleteFileA(name) != 0;
}
