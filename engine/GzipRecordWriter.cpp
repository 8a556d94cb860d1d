#include "GzipRecordWriter.h"

#include <algorithm>
#include <cstring>

#include "MpException.h"
#include "MpIODescriptor.h"
#include "ThreadCount.h"

namespace lathwell {

namespace {

// gzwrite takes an unsigned int count; larger blocks are handed over in pieces.
constexpr int64_t kLargestPiece = 1 << 30;
// The transparent handle's buffer: compressed blocks of about this size go straight to the file.
constexpr unsigned kTransparentBuffer = 128 * 1024;

// zlib's text for the handle's last error, without the "<fd:N>: " it puts in front in place of
// a file name (the handle was made from a descriptor).
const char* ZlibReason(gzFile file) {
    int error = Z_OK;
    const char* reason = gzerror(file, &error);
    const char* end = std::strstr(reason, ">: ");
    if (std::strncmp(reason, "<fd:", 4) == 0 && end != nullptr) reason = end + 3;
    return reason;
}

// The named file, created or emptied, for a writer given a name.
std::unique_ptr<MpIO> CreateFile(const char* fileName) {
    try {
        return std::make_unique<MpIO>(fileName, IO_WRITE | IO_CREATE | IO_TRUNCATE);
    } catch (const MpException&) {
        MpException::RaiseFormattedWithSystemError("Could not create compressed file \"%s\" -- ", false,
                                                    "GzipRecordWriter", fileName);
    }
}

}  // namespace

GzipRecordWriter::GzipRecordWriter(std::unique_ptr<MpIO> file, bool ownsFile, int32_t recordLength, int threads,
                                   int level)
    : RecordWriter(recordLength), m_output(std::move(file)), m_ownsFile(ownsFile), m_fileName(m_output->GetFileName()) {
    const int workers = ThreadCount(threads);
    const bool compressor = workers > 1 || level < kFirstZlibLevel;
    const char zlibMode[] = {'w', 'b', static_cast<char>('0' + level), '\0'};
    const int descriptor = m_output->DuplicateDescriptor();
    m_file = gzdopen(descriptor, compressor ? "wbT" : zlibMode);
    if (m_file == nullptr) {
        MpIODescriptor(descriptor).Close();
        MpException::RaiseFormatted("Could not create compressed file \"%s\" -- out of memory", "GzipRecordWriter",
                                    m_fileName.GetCString());
    }
    if (compressor) {
        gzbuffer(m_file, kTransparentBuffer);
        try {
            CompressedOutput& output = *this;
            m_compressor = std::make_unique<ParallelGzipCompressor>(workers, output, level);
        } catch (...) {
            CloseHandle();
            throw;
        }
    }
}

GzipRecordWriter::GzipRecordWriter(const char* fileName, int32_t recordLength, int threads, int level)
    : GzipRecordWriter(CreateFile(fileName), false, recordLength, threads, level) {}

GzipRecordWriter::~GzipRecordWriter() {
    CloseQuietly();
}

void GzipRecordWriter::ShareStop(std::shared_ptr<const RunStop> stop) {
    if (m_compressor) m_compressor->ShareStop(std::move(stop));
}

void GzipRecordWriter::WriteBlock(const char* bytes, int64_t count) {
    if (m_compressor) {
        m_compressor->Add(bytes, static_cast<size_t>(count));
    } else {
        Write(bytes, static_cast<size_t>(count));
    }
}

void GzipRecordWriter::Write(const char* bytes, size_t count) {
    while (count > 0) {
        size_t piece = std::min(count, static_cast<size_t>(kLargestPiece));
        int written = gzwrite(m_file, bytes, static_cast<unsigned>(piece));
        if (written < 0 || static_cast<size_t>(written) != piece) {
            RaiseWriteFailure(ZlibReason(m_file));
        }
        bytes += piece;
        count -= piece;
    }
}

void GzipRecordWriter::RaiseCompressionFailure(const char* reason) {
    RaiseWriteFailure(reason);
}

void GzipRecordWriter::RaiseWriteFailure(const char* reason) {
    MpException::RaiseFormatted("Could not write compressed file \"%s\" -- %s", "GzipRecordWriter",
                                m_fileName.GetCString(), reason);
}

void GzipRecordWriter::CloseFile() {
    if (m_compressor) {
        try {
            m_compressor->Finish();
        } catch (...) {
            m_compressor.reset();
            CloseHandle();
            throw;
        }
        m_compressor.reset();
    }
    // gzclose stores the last bytes and frees the handle whatever happens.
    int result = gzclose(m_file);
    m_file = nullptr;
    if (result == Z_ERRNO) {
        MpException::RaiseFormattedWithSystemError("Could not finish compressed file \"%s\" -- ", false,
                                                    "GzipRecordWriter", m_fileName.GetCString());
    }
    if (result != Z_OK) {
        MpException::RaiseFormatted("Could not finish compressed file \"%s\" -- %s", "GzipRecordWriter",
                                    m_fileName.GetCString(), zError(result));
    }
    // Closed last: the file's lock holds until everything is stored.
    m_output->Close();
}

void GzipRecordWriter::RemoveOwnFile() {
    if (m_ownsFile) m_output->RemoveOpenFile();
}

void GzipRecordWriter::AbandonFile() noexcept {
    // The member is left unfinished: no trailer makes what was written look whole.
    m_compressor.reset();
    CloseHandle();
    m_output.reset();
}

void GzipRecordWriter::CloseHandle() {
    // After a failure that has been reported, the handle is only released.
    gzclose(m_file);
    m_file = nullptr;
}

}  // namespace lathwell
