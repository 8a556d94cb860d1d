#include "CliFiles.h"

#include "MpIODescriptor.h"
#include "MpIOInterface.h"
#include "MpPathKind.h"
#include "Mpiounbuffered.h"

namespace lathwell::cli {

bool FileExists(const std::string& name) { return MpIOInterface::Exists(name.c_str()); }

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
    try {
        MpIOUnbuffered(name.c_str(), IO_WRITE | IO_CREATE | (existed ? 0u : IO_EXCLUSIVE)).Close();
    } catch (const MpException&) {
        return false;
    }
    try {
        if (!existed) MpIOInterface::Delete(name.c_str());
    } catch (const MpException&) {
        // The file could be opened for writing; a test file left behind changes no answer.
    }
    return true;
}

bool StandardErrorIsTerminal() { return MpIODescriptor(MpIODescriptor::kStandardError).IsTerminal(); }

}  // namespace lathwell::cli
