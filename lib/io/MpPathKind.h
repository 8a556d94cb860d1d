// What a name denotes in the file system, as the library offers it above the platform layer
// (see MpPlatformPathKind.h).
#pragma once

enum class MpPathKind { Missing, RegularFile, Directory, Stream, Other };

class MpPathInfo {
public:
    // The kind of the file called name, following symbolic links; Missing when there is none.
    static MpPathKind Kind(const char* name);

    // Whether the user may create files in the folder; false for a missing folder.
    static bool MayWriteInFolder(const char* folder);
};
