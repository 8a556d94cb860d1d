// What GzipStreamDecoder does alike whichever library inflates: delivering the bytes decoded
// before a failure, and the failure's message.
#include "GzipStreamDecoder.h"

#include "MpException.h"

namespace lathwell {

int32_t GzipStreamDecoder::Read(char* destination, int32_t capacity) {
    if (m_failure) std::rethrow_exception(m_failure);
    uint32_t produced = 0;
    try {
        Fill(reinterpret_cast<uint8_t*>(destination), static_cast<uint32_t>(capacity), produced);
    } catch (...) {
        // The bytes decoded before the failure are delivered first; the failure comes next.
        if (produced == 0) throw;
        m_failure = std::current_exception();
    }
    return static_cast<int32_t>(produced);
}

void GzipStreamDecoder::RaiseDataFailure(const char* reason) const {
    MpException::RaiseFormatted("Reading compressed file -- %s: %s", "GzipStreamDecoder", m_fileName.c_str(), reason);
}

}  // namespace lathwell
