#include "PlainLineReader.h"

#include <string>

#include "MpException.h"
#include "Mpiounbuffered.h"
#include "ReadFailure.h"

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
    try {
        return m_io->Read(destination, capacity, false);
    } catch (const MpException&) {
        // The system's reason is still the failed read's: the library raised without another call.
        RaiseReadFailure(("\"" + std::string(m_io->GetFileName()) + "\"").c_str());
    }
}

}  // namespace lathwell
