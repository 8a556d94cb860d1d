// What lathwell-cli asks about files and its standard error before a run.
#pragma once

#include <string>

namespace lathwell::cli {

// True when the name exists (a directory counts).
bool FileExists(const std::string& name);

// True when the name is a folder.
bool IsFolder(const std::string& name);

// True when the name is a character device, a named pipe or a socket (/dev/null, a FIFO):
// something written in order, never "overwritten".
bool IsStreamDevice(const std::string& name);

// True when the folder a file of that name would go into exists but takes no new files.
bool FolderRefusesNewFiles(const std::string& name);

// Whether the process's standard error is a terminal.
bool StandardErrorIsTerminal();

}  // namespace lathwell::cli
