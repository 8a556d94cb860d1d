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
#include "TextCase.h"

namespace lathwell {

namespace {

// A writer that also owns the locked opening of its file, and closes its own opening of the
// file while the lock is still held (the lock goes with the member, after this destructor).
template <class Writer>
class LockedFileWriter : public Writer {
public:
    template <class... WriterArguments>
    explicit LockedFileWriter(std::unique_ptr<MpIO> lockedFile, WriterArguments&&... arguments)
        : Writer(std::forward<WriterArguments>(arguments)...), m_lockedFile(std::move(lockedFile)) {}
    ~LockedFileWriter() override { this->CloseQuietly(); }

private:
    std::unique_ptr<MpIO> m_lockedFile;
};

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
            MpException::RaiseFormatted("Output File \"%s\" already exists", "ConversionFiles", fileName);
        }
        throw;
    }
    if (!file->TryLock(IO_LOCK_WRITE, 0, 0)) {
        MpException::RaiseFormatted("Output File \"%s\" is in use by another program", "ConversionFiles",
                                    fileName);
    }
    // A file that is empty already (just created) is left as it is: on some file systems
    // (ext4) emptying a file, even an empty one, makes closing it write all its data out at
    // once, on the run's time.
    if (file->GetFileSize64() > 0) file->Truncate64(0);
    return file;
}

template <class Writer, class... WriterOptions>
std::unique_ptr<RecordWriter> MakeFileWriter(const char* fileName, int32_t recordLength, bool createNew,
                                             WriterOptions... options) {
    const MpPathKind kind = MpPathInfo::Kind(fileName);
    if (kind != MpPathKind::Missing && kind != MpPathKind::RegularFile) {
        return std::make_unique<Writer>(fileName, recordLength, options...);
    }
    std::unique_ptr<MpIO> lockedFile = OpenAndLockOutput(fileName, createNew);
    return std::make_unique<LockedFileWriter<Writer>>(std::move(lockedFile), fileName, recordLength, options...);
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
    if (IsCompressedName(fileName)) {
        return MakeFileWriter<GzipRecordWriter>(fileName, recordLength, createNew, threads, level);
    }
    return MakeFileWriter<PlainRecordWriter>(fileName, recordLength, createNew);
}

std::unique_ptr<RecordWriter> OpenStandardOutput(int32_t recordLength) {
    return std::make_unique<DescriptorRecordWriter>(MpIODescriptor::kStandardOutput, "standard output", recordLength);
}

}  // namespace lathwell
