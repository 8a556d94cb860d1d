#include "CliFiles.h"

#include <unistd.h>

#include "MpPlatformFile.h"

namespace lathwell::cli {

bool FileExists(const std::string& name) { return MpPlatformPathExists(name.c_str()); }

bool CanOpenForWriting(const std::string& name) {
    const bool existed = FileExists(name);
    int descriptor = MpPlatformFileOpen(name.c_str(), kMpOpenWrite | kMpOpenCreate);
    if (descriptor < 0) return false;
    MpPlatformFileClose(descriptor);
    if (!existed) MpPlatformRemoveFile(name.c_str());
    return true;
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace lathwell::cli
