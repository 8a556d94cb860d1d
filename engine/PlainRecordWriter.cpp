#include "PlainRecordWriter.h"

#include <algorithm>
#include <limits>

#include "MpIO.h"

namespace lathwell {

PlainRecordWriter::PlainRecordWriter(std::unique_ptr<MpIO> file, bool ownsFile, int32_t recordLength)
    : RecordWriter(recordLength), m_io(std::move(file)), m_ownsFile(ownsFile) {}

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

void PlainRecordWriter::RemoveOwnFile() {
    if (m_ownsFile) m_io->RemoveOpenFile();
}

void PlainRecordWriter::AbandonFile() noexcept {
    m_io.reset();
}

}  // namespace lathwell
