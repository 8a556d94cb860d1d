#include "CliFiles.h"

#include <unistd.h>

#include "MpPathKind.h"
#include "MpPlatformFile.h"

namespace lathwell::cli {

bool FileExists(const std::string& name) { return MpPlatformPathExists(name.c_str()); }

bool IsFolder(const std::string& name) { return MpPathInfo::Kind(name.c_str()) == MpPathKind::Directory; }

bool IsStreamDevice(const std::string& name) { return MpPathInfo::Kind(name.c_str()) == MpPathKind::Stream; }

bool FolderRefusesNewFiles(const std::string& name) {
    const std::string::size_type slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash == 0 ? 1 : slash);
    return IsFolder(folder) && !MpPathInfo::MayWriteInFolder(folder.c_str());
}

bool CanOpenForWriting(const std::string& name) {
    const bool existed = FileExists(name);
    // A probe that creates the file creates it exclusively: it must never remove a file that
    // another run created meanwhile.
    int descriptor =
        MpPlatformFileOpen(name.c_str(), kMpOpenWrite | kMpOpenCreate | (existed ? 0u : kMpOpenExclusive));
    if (descriptor < 0) return false;
    MpPlatformFileClose(descriptor);
    if (!existed) MpPlatformRemoveFile(name.c_str());
    return true;
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace lathwell::cli
