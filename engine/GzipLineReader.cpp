#include "GzipLineReader.h"

#include <algorithm>

#include "MpException.h"

namespace lathwell {

namespace {

// zlib hands out the uncompressed bytes in blocks of this size.
constexpr int32_t kGzipBlock = 8193;
// zlib's own input buffer; larger than its default so the file is read in fewer calls.
constexpr unsigned kZlibInputBuffer = 128 * 1024;

// The reason goes with the message: the system's when the file could not be opened or read,
// zlib's when the compressed data is damaged or cut off.
[[noreturn]] void RaiseReadFailure(gzFile file) {
    int error = Z_ERRNO;
    const char* zlibText = file != nullptr ? gzerror(file, &error) : "";
    if (error == Z_ERRNO) MpException::RaiseWithSystemError("Reading compressed file -- ", false, "GzipLineReader");
    MpException::RaiseFormatted("Reading compressed file -- %s", "GzipLineReader", zlibText);
}

}  // namespace

GzipLineReader::GzipLineReader(const char* fileName, bool blankUnprintable)
    : LineReader(LoneCarriageReturn::EndsLine, blankUnprintable), m_file(gzopen(fileName, "rb")) {
    if (m_file == nullptr) RaiseReadFailure(m_file);
    gzbuffer(m_file, kZlibInputBuffer);
}

GzipLineReader::~GzipLineReader() {
    Close();
}

void GzipLineReader::Close() {
    if (m_file == nullptr) return;
    // Nothing read can be lost any more, so a failure to close is of no consequence.
    gzclose(m_file);
    m_file = nullptr;
}

int32_t GzipLineReader::ReadBlock(char* destination, int32_t capacity) {
    int got = gzread(m_file, destination, static_cast<unsigned>(std::min(capacity, kGzipBlock)));
    if (got < 0) RaiseReadFailure(m_file);
    if (got == 0) {
        // zlib ends a stream that stops short of its end marker quietly; a cut-off file must
        // not pass for a complete one.
        int error = Z_OK;
        gzerror(m_file, &error);
        if (error != Z_OK) RaiseReadFailure(m_file);
    }
    m_compressedPosition = gzoffset(m_file);
    return got;
}

}  // namespace lathwell
