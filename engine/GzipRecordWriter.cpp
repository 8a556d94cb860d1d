#include "GzipRecordWriter.h"

#include <algorithm>
#include <cstring>

#include "MpException.h"

namespace lathwell {

namespace {

// gzwrite takes an unsigned int count; larger blocks are handed over in pieces.
constexpr int64_t kLargestPiece = 1 << 30;

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

}  // namespace

GzipRecordWriter::GzipRecordWriter(const char* fileName, int32_t recordLength)
    : RecordWriter(recordLength), m_fileName(fileName), m_file(gzopen(fileName, "wb")) {
    if (m_file == nullptr) {
        MpException::RaiseFormattedWithSystemError("Could not create compressed file \"%s\" -- ", false,
                                                    "GzipRecordWriter", fileName);
    }
}

GzipRecordWriter::~GzipRecordWriter() {
    CloseQuietly();
}

void GzipRecordWriter::WriteBlock(const char* bytes, int64_t count) {
    while (count > 0) {
        int64_t piece = std::min(count, kLargestPiece);
        int written = gzwrite(m_file, bytes, static_cast<unsigned>(piece));
        if (written != piece) {
            MpException::RaiseFormatted("Could not write compressed file \"%s\" -- %s", "GzipRecordWriter",
                                        m_fileName.GetCString(), ZlibReason(m_file, m_fileName.GetCString()));
        }
        bytes += piece;
        count -= piece;
    }
}

void GzipRecordWriter::CloseFile() {
    // gzclose stores the last compressed bytes and frees the handle whatever happens.
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

}  // namespace lathwell
