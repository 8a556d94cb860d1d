// copy-by-ini: copies one file to another as an INI file tells it, with the marlpit library.
//
//   copy-by-ini SETTINGS.ini
//
// SETTINGS.ini names the files in its [Copy] section:
//
//   [Copy]
//   From=input.txt
//   To=copy.txt
//
// An existing To file is overwritten. Prints the number of bytes copied; a failure prints the
// library's message and exits with status 1.
#include <cstdio>

#include "MpException.h"
#include "MpIO.h"
#include "MpIniFile.h"
#include "MpLibraryStartup.h"
#include "MpString.h"

namespace {

// Copies through a buffer of the library's largest size; returns the bytes copied.
long long CopyFile(const char* from, const char* to) {
    MpIO input(from, IO_READ);
    MpIO output(to, IO_WRITE | IO_CREATE | IO_TRUNCATE);
    input.SetBufferSize(MpIO::kMaximumBufferSize);
    char block[65536];
    long long copied = 0;
    for (int32_t count; (count = input.Read(block, sizeof block, false)) > 0; copied += count)
        output.Write(block, count);
    output.Close();
    return copied;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: copy-by-ini SETTINGS.ini\n");
        return 2;
    }
    try {
        MpLibraryStartup();
        MpIniFile settings(argv[1], true, false, IO_READ);
        MpIniSection* copy = settings.GetSection("Copy");
        // The section's result buffer holds one value at a time.
        const MpString from(copy->GetString("From", ""));
        const MpString to(copy->GetString("To", ""));
        std::printf("%lld bytes copied\n", CopyFile(from.GetCString(), to.GetCString()));
        MpLibraryShutdown();
        return 0;
    } catch (const MpException& e) {
        std::fprintf(stderr, "copy-by-ini: %s\n", e.GetErrorMessage());
        return 1;
    }
}
