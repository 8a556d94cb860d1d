#include "ConversionFiles.h"

#include <cstring>
#include <utility>

#include "DescriptorLineReader.h"
#include "DescriptorRecordWriter.h"
#include "GzipLineReader.h"
#include "GzipRecordWriter.h"
#include "MpFileName.h"
#include "MpIO.h"
#include "MpIODescriptor.h"
#include "MpPathKind.h"
#include "PlainLineReader.h"
#include "PlainRecordWriter.h"
#include "RunRefusal.h"
#include "TextCase.h"

namespace lathwell {

namespace {

// Opens the output without emptying it (creating it, exclusively with createNew), takes an
// exclusive lock on the whole file, and only then empties it: a file another run is writing is
// refused before a byte of it is lost.
std::unique_ptr<MpIO> OpenAndLockOutput(const char* fileName, bool createNew) {
    const unsigned flags = IO_READ | IO_WRITE | IO_CREATE | (createNew ? IO_EXCLUSIVE : 0u);
    std::unique_ptr<MpIO> file;
    try {
        file = std::make_unique<MpIO>(fileName, flags);
    } catch (MpException&) {
        if (createNew && MpIOInterface::Exists(fileName)) {
            throw RunRefusal(RunCheck::OutputExists, RunFile::Output,
                             MpString().printf("Output File \"%s\" already exists", fileName).GetCString());
        }
        throw;
    }
    if (!file->TryLock(IO_LOCK_WRITE, 0, 0)) {
        throw RunRefusal(RunCheck::OutputInUse, RunFile::Output,
                         MpString().printf("Output File \"%s\" is in use by another program", fileName).GetCString());
    }
    // A file that is empty already (just created) is left as it is: on some file systems
    // (ext4) emptying a file, even an empty one, makes closing it write all its data out at
    // once, on the run's time.
    if (file->GetFileSize64() > 0) file->Truncate64(0);
    // A second stop signal ends the process before the run can remove its output: the file
    // goes then too.
    file->RemoveOnForcedEnd();
    return file;
}

// The output's file, opened once for the writer: a regular file (or a name not yet taken)
// created or emptied under its lock, which the writer then holds; a device or a pipe as it is.
struct OutputOpening {
    std::unique_ptr<MpIO> file;
    bool madeByRun = false;  // created or emptied here
};

OutputOpening OpenOutputFile(const char* fileName, bool createNew) {
    const MpPathKind kind = MpPathInfo::Kind(fileName);
    if (kind != MpPathKind::Missing && kind != MpPathKind::RegularFile) {
        return {std::make_unique<MpIO>(fileName, IO_WRITE), false};
    }
    return {OpenAndLockOutput(fileName, createNew), true};
}

}  // namespace

bool IsStandardStreamName(const char* name) {
    return std::strcmp(name, "-") == 0;
}

bool IsCompressedName(const char* name) {
    MpFileName fileName(name);
    return EqualIgnoringCase(fileName.GetExtension(), ".gz");
}

std::unique_ptr<LineReader> OpenFileLineReader(const char* fileName, bool blankUnprintable) {
    if (IsCompressedName(fileName)) return std::make_unique<GzipLineReader>(fileName, blankUnprintable);
    return std::make_unique<PlainLineReader>(fileName, blankUnprintable);
}

std::unique_ptr<LineReader> OpenLineReader(const char* name, bool blankUnprintable) {
    if (IsStandardStreamName(name)) {
        return std::make_unique<DescriptorLineReader>(MpIODescriptor::kStandardInput, "standard input", blankUnprintable);
    }
    return OpenFileLineReader(name, blankUnprintable);
}

std::unique_ptr<RecordWriter> OpenFileRecordWriter(const char* fileName, int32_t recordLength, bool createNew,
                                                   int threads, int level) {
    OutputOpening output = OpenOutputFile(fileName, createNew);
    if (IsCompressedName(fileName)) {
        return std::make_unique<GzipRecordWriter>(std::move(output.file), output.madeByRun, recordLength, threads,
                                                  level);
    }
    return std::make_unique<PlainRecordWriter>(std::move(output.file), output.madeByRun, recordLength);
}

std::unique_ptr<RecordWriter> OpenStandardOutput(int32_t recordLength) {
    return std::make_unique<DescriptorRecordWriter>(MpIODescriptor::kStandardOutput, "standard output", recordLength);
}

}  // namespace lathwell
