#include "CliFiles.h"

#include "MpIODescriptor.h"
#include "MpIOInterface.h"
#include "Mpiounbuffered.h"

namespace lathwell::cli {

bool FileExists(const std::string& name) { return MpIOInterface::Exists(name.c_str()); }

bool CanOpenForWriting(const std::string& name) {
    const bool existed = FileExists(name);
    try {
        MpIOUnbuffered(name.c_str(), IO_WRITE | IO_CREATE).Close();
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
