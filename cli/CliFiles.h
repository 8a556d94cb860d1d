// What lathwell-cli asks about files and its standard error before a run.
#pragma once

#include <string>

namespace lathwell::cli {

// True when the name exists (a directory counts).
bool FileExists(const std::string& name);

// Whether the run will be able to open the file for writing. Opens it for writing without
// changing it; a missing file is created for the test and removed again, so nothing is left
// behind either way.
bool CanOpenForWriting(const std::string& name);

// Whether the process's standard error is a terminal.
bool StandardErrorIsTerminal();

}  // namespace lathwell::cli
