// What a name denotes in the file system, and whether a folder takes new files: the questions a
// program asks before it picks a file as its input or output. Nothing here allocates or throws.
#pragma once

enum class MpPlatformPathKind {
    Missing,  // nothing by that name (or it cannot be looked at)
    RegularFile,
    Directory,
    Stream,  // a character device, a named pipe or a socket: read and written in order
    Other
};

// The kind of pPath, following symbolic links.
MpPlatformPathKind MpPlatformGetPathKind(const char* pPath);

// Whether the user may create and remove entries in the folder pFolder.
bool MpPlatformMayWriteInFolder(const char* pFolder);
