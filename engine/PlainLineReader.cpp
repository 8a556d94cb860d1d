#include "PlainLineReader.h"

#include <string>

#include "MpException.h"
#include "Mpiounbuffered.h"
#include "ReadFailure.h"

namespace lathwell {

PlainLineReader::PlainLineReader(const char* fileName, bool blankUnprintable)
    : LineReader(LoneCarriageReturn::Refused, blankUnprintable),
      m_io(std::make_unique<MpIOUnbuffered>(fileName, IO_READ)),
      m_mayWait(m_io->MayWaitForInput()) {
    SetFile(fileName);
}

PlainLineReader::~PlainLineReader() = default;

void PlainLineReader::Close() {
    m_io->Close();
}

int32_t PlainLineReader::ReadBlock(char* destination, int32_t capacity) {
    const auto description = [this] { return "\"" + std::string(m_io->GetFileName()) + "\""; };
    // Watched, a read never waits longer than a tick for input: the watch hears of the wait and
    // may end it. What the input holds is then taken as it comes.
    const bool waitInTicks = Watched() && m_mayWait;
    if (waitInTicks) {
        while (!m_io->WaitForInput(ReadWatch::kWaitTickMs)) {
            if (!KeepWaiting()) RaiseReadStopped(description().c_str());
        }
    }
    try {
        return waitInTicks ? m_io->ReadSome(destination, capacity) : m_io->Read(destination, capacity, false);
    } catch (const MpException&) {
        // The system's reason is still the failed read's: the library raised without another call.
        RaiseReadFailure(description().c_str());
    }
}

}  // namespace lathwell
