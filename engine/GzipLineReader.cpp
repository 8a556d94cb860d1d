#include "GzipLineReader.h"

#include "GzipStreamDecoder.h"
#include "ReadAheadDecoder.h"

#include <utility>

namespace lathwell {

GzipLineReader::GzipLineReader(const char* fileName, bool blankUnprintable)
    : LineReader(LoneCarriageReturn::EndsLine, blankUnprintable),
      m_decoder(std::make_unique<ReadAheadDecoder>(std::make_unique<GzipStreamDecoder>(fileName), fileName)) {
    SetFile(fileName);
}

GzipLineReader::~GzipLineReader() = default;

int64_t GzipLineReader::InputPosition() const {
    return m_decoder->CompressedPosition();
}

void GzipLineReader::ShareStop(std::shared_ptr<const RunStop> stop) {
    m_decoder->ShareStop(std::move(stop));
}

bool GzipLineReader::IsPlainTextUnderCompressedName() const {
    return m_decoder->IsPlainText();
}

int32_t GzipLineReader::ReadBlock(char* destination, int32_t capacity) {
    if (!Watched()) return m_decoder->Read(destination, capacity);
    return m_decoder->Read(destination, capacity, [this] { return KeepWaiting(); });
}

}  // namespace lathwell
