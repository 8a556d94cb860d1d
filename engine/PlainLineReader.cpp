#include "PlainLineReader.h"

#include "MpIO.h"

namespace lathwell {

namespace {

// MpIO's largest buffer: the file is read in few, large calls.
constexpr int32_t kIOBufferSize = 1024000;

}  // namespace

PlainLineReader::PlainLineReader(const char* fileName, bool blankUnprintable)
    : LineReader(LoneCarriageReturn::Refused, blankUnprintable), m_io(std::make_unique<MpIO>(fileName, IO_READ)) {
    m_io->SetBufferSize(kIOBufferSize);
}

PlainLineReader::~PlainLineReader() = default;

void PlainLineReader::Close() {
    m_io->Close();
}

int32_t PlainLineReader::ReadBlock(char* destination, int32_t capacity) {
    return m_io->Read(destination, capacity, false);
}

}  // namespace lathwell
