#include "PlainLineReader.h"

#include "Mpiounbuffered.h"

namespace lathwell {

PlainLineReader::PlainLineReader(const char* fileName, bool blankUnprintable)
    : LineReader(LoneCarriageReturn::Refused, blankUnprintable),
      m_io(std::make_unique<MpIOUnbuffered>(fileName, IO_READ)) {
    SetFile(fileName);
}

PlainLineReader::~PlainLineReader() = default;

void PlainLineReader::Close() {
    m_io->Close();
}

int32_t PlainLineReader::ReadBlock(char* destination, int32_t capacity) {
    return m_io->Read(destination, capacity, false);
}

}  // namespace lathwell
