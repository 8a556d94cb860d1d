#include "GzipRecordWriter.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "MpException.h"

namespace lathwell {

namespace {

// gzwrite takes an unsigned int count; larger blocks are handed over in pieces.
constexpr int64_t kLargestPiece = 1 << 30;
// The transparent handle's buffer: compressed blocks of about this size go straight to the file.
constexpr unsigned kTransparentBuffer = 128 * 1024;

// zlib's text for the handle's last error, without the file name it puts in front.
const char* ZlibReason(gzFile file, const char* fileName) {
    int error = Z_OK;
    const char* reason = gzerror(file, &error);
    size_t nameLength = std::strlen(fileName);
    if (std::strncmp(reason, fileName, nameLength) == 0 && std::strncmp(reason + nameLength, ": ", 2) == 0) {
        reason += nameLength + 2;
    }
    return reason;
}

int AvailableCores() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace

GzipRecordWriter::GzipRecordWriter(const char* fileName, int32_t recordLength, int threads, int level)
    : RecordWriter(recordLength), m_fileName(fileName) {
    const int workers = threads > 0 ? threads : AvailableCores();
    const bool compressor = workers > 1 || level < kFirstZlibLevel;
    const char zlibMode[] = {'w', 'b', static_cast<char>('0' + level), '\0'};
    m_file = gzopen(fileName, compressor ? "wbT" : zlibMode);
    if (m_file == nullptr) {
        MpException::RaiseFormattedWithSystemError("Could not create compressed file \"%s\" -- ", false,
                                                    "GzipRecordWriter", fileName);
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

GzipRecordWriter::~GzipRecordWriter() {
    CloseQuietly();
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
            RaiseWriteFailure(ZlibReason(m_file, m_fileName.GetCString()));
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
}

void GzipRecordWriter::CloseHandle() {
    // After a failure that has been reported, the handle is only released.
    gzclose(m_file);
    m_file = nullptr;
}

}  // namespace lathwell
