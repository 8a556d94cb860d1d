#include "GzipLineReader.h"

#include "GzipStreamDecoder.h"
#include "ReadAheadDecoder.h"

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

int32_t GzipLineReader::ReadBlock(char* destination, int32_t capacity) {
    return m_decoder->Read(destination, capacity);
}

}  // namespace lathwell
