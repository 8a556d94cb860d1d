#include "PlainRecordWriter.h"

#include <algorithm>
#include <limits>

#include "MpIO.h"

namespace lathwell {

namespace {

// Opened for writing only (a pipe's reader that goes away then ends the run with a broken
// pipe), created when missing, and never emptied here: the caller empties a file once it holds
// the lock on it.
constexpr uint32_t kOutputOpenFlags = IO_WRITE | IO_CREATE;

}  // namespace

PlainRecordWriter::PlainRecordWriter(const char* fileName, int32_t recordLength)
    : RecordWriter(recordLength), m_io(std::make_unique<MpIO>(fileName, kOutputOpenFlags)) {}

PlainRecordWriter::~PlainRecordWriter() {
    CloseQuietly();
}

void PlainRecordWriter::WriteBlock(const char* bytes, int64_t count) {
    while (count > 0) {
        int32_t piece = static_cast<int32_t>(std::min<int64_t>(count, std::numeric_limits<int32_t>::max()));
        // The writer's blocks are large already: copying them into MpIO's buffer would only
        // cost time.
        m_io->WriteThrough(bytes, piece);
        bytes += piece;
        count -= piece;
    }
}

void PlainRecordWriter::CloseFile() {
    // A failed Close keeps the descriptor open; destroying the MpIO closes it regardless.
    std::unique_ptr<MpIO> io = std::move(m_io);
    io->Close();
}

}  // namespace lathwell
