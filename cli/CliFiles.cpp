#include "CliFiles.h"

#include <unistd.h>

#include <fstream>

#include "CliErrors.h"
#include "MpPlatformFile.h"

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

TemporaryFile::TemporaryFile() {
    std::string directory;
    if (!MpPlatformTempDirectory(directory) ||
        !MpPlatformCreateTempFile(directory.c_str(), "lathwell-", name_)) {
        throw CliRefusal("Could not create a temporary file in " +
                         (directory.empty() ? std::string("the temporary directory") : directory));
    }
}

TemporaryFile::~TemporaryFile() { MpPlatformRemoveFile(name_.c_str()); }

bool CopyStreamToFile(std::istream& source, const std::string& name) {
    std::ofstream target(name, std::ios::binary | std::ios::trunc);
    if (source.peek() != std::char_traits<char>::eof()) target << source.rdbuf();
    target.close();
    return !source.bad() && !target.fail();
}

bool CopyFileToStream(const std::string& name, std::ostream& target) {
    std::ifstream source(name, std::ios::binary);
    if (!source) return false;
    if (source.peek() != std::char_traits<char>::eof()) target << source.rdbuf();
    target.flush();
    return !source.bad() && !target.fail();
}
