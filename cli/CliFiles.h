// What lathwell-cli asks about files before a run, and the temporary files through which it
// reads standard input and writes standard output (the conversion run works on named files,
// and a CSV header must be read once for matching and again by the run).
#pragma once

#include <istream>
#include <ostream>
#include <string>

// True when the name exists (a directory counts).
bool FileExists(const std::string& name);

// Whether the run will be able to open the file for writing. Opens it for writing without
// changing it; a missing file is created for the test and removed again, so nothing is left
// behind either way.
bool CanOpenForWriting(const std::string& name);

// Whether the process's standard error is a terminal.
bool StandardErrorIsTerminal();

// A new, empty file in the temporary directory, removed when the object goes out of scope.
// Raises CliRefusal when none can be made.
class TemporaryFile {
public:
    TemporaryFile();
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

// Copies everything the stream holds into the file. Returns false when reading or writing
// failed.
bool CopyStreamToFile(std::istream& source, const std::string& name);

// Copies the whole file to the stream and flushes it. Returns false when reading or writing
// failed.
bool CopyFileToStream(const std::string& name, std::ostream& target);
