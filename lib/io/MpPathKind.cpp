#include "MpPathKind.h"

#include "MpPlatformPathKind.h"

MpPathKind MpPathInfo::Kind(const char* name) {
    switch (MpPlatformGetPathKind(name)) {
        case MpPlatformPathKind::Missing:
            return MpPathKind::Missing;
        case MpPlatformPathKind::RegularFile:
            return MpPathKind::RegularFile;
        case MpPlatformPathKind::Directory:
            return MpPathKind::Directory;
        case MpPlatformPathKind::Stream:
            return MpPathKind::Stream;
        case MpPlatformPathKind::Other:
            break;
    }
    return MpPathKind::Other;
}

bool MpPathInfo::MayWriteInFolder(const char* folder) { return MpPlatformMayWriteInFolder(folder); }
