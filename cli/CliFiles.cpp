#include "CliFiles.h"

#include "MpIODescriptor.h"
#include "MpIOInterface.h"
#include "MpPathKind.h"

namespace lathwell::cli {

bool FileExists(const std::string& name) { return MpIOInterface::Exists(name.c_str()); }

bool IsFolder(const std::string& name) { return MpPathInfo::Kind(name.c_str()) == MpPathKind::Directory; }

bool IsStreamDevice(const std::string& name) { return MpPathInfo::Kind(name.c_str()) == MpPathKind::Stream; }

bool FolderRefusesNewFiles(const std::string& name) {
    const std::string::size_type slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash == 0 ? 1 : slash);
    return IsFolder(folder) && !MpPathInfo::MayWriteInFolder(folder.c_str());
}

bool StandardErrorIsTerminal() { return MpIODescriptor(MpIODescriptor::kStandardError).IsTerminal(); }

}  // namespace lathwell::cli
