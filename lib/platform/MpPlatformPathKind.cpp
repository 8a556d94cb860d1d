#include "MpPlatformPathKind.h"

#include <sys/stat.h>
#include <unistd.h>

MpPlatformPathKind MpPlatformGetPathKind(const char* pPath) {
    struct stat status {};
    if (stat(pPath, &status) != 0) return MpPlatformPathKind::Missing;
    if (S_ISREG(status.st_mode)) return MpPlatformPathKind::RegularFile;
    if (S_ISDIR(status.st_mode)) return MpPlatformPathKind::Directory;
    if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
        return MpPlatformPathKind::Stream;
    }
    return MpPlatformPathKind::Other;
}

bool MpPlatformMayWriteInFolder(const char* pFolder) { return access(pFolder, W_OK | X_OK) == 0; }
