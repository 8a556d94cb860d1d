// What GzipStreamDecoder does alike whichever library inflates: reading the file, finding its
// members, passing plain text through, delivering the bytes decoded before a failure, and the
// failures' messages.
#include "GzipStreamDecoder.h"

#include <algorithm>
#include <cstring>

#include "MpException.h"
#include "Mpiounbuffered.h"
#include "ReadFailure.h"

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

int64_t GzipStreamDecoder::CompressedPosition() const {
    return m_fileBytesRead - AvailIn();
}

bool GzipStreamDecoder::ReadInput() {
    uint8_t*& next = NextIn();
    uint32_t& available = AvailIn();
    std::memmove(m_input.data(), next, available);
    next = m_input.data();
    const int32_t room = static_cast<int32_t>(m_input.size() - available);
    int32_t got = 0;
    try {
        got = m_file->Read(m_input.data() + available, room, false);
    } catch (const MpException&) {
        // The system's reason is still the failed read's: the library raised without another call.
        RaiseReadFailure(("\"" + m_fileName + "\"").c_str());
    }
    available += static_cast<uint32_t>(got);
    m_fileBytesRead += got;
    return got > 0;
}

void GzipStreamDecoder::LookForMember() {
    // The two bytes that open a member may lie on both sides of a read.
    while (AvailIn() < 2 && ReadInput()) {
    }
    const uint8_t* next = NextIn();
    const bool first = AvailIn() >= 1 && next[0] == 0x1f;
    const bool second = AvailIn() >= 2 && next[1] == 0x8b;
    if (first && second) {
        StartMember();
        m_membersSeen = true;
        m_mode = Mode::InMember;
    } else if (m_membersSeen && (first || second)) {
        // A member whose opening bytes were damaged: its data would be lost without a word.
        RaiseDataFailure("damaged data");
    } else {
        // As with gzread: what follows the last member is ignored; a file without a member is
        // read as it is.
        m_plainText = !m_membersSeen && AvailIn() > 0;
        m_mode = m_membersSeen ? Mode::Ended : Mode::PassThrough;
    }
}

void GzipStreamDecoder::Fill(uint8_t* out, uint32_t wanted, uint32_t& produced) {
    while (produced < wanted && m_mode != Mode::Ended) {
        switch (m_mode) {
            case Mode::BeforeMember:
                LookForMember();
                break;
            case Mode::InMember:
                if (Inflate(out, wanted, produced)) {
                    m_mode = Mode::BeforeMember;
                } else if (produced < wanted && !ReadInput()) {
                    RaiseDataFailure("unexpected end of file");
                }
                break;
            case Mode::PassThrough: {
                if (AvailIn() == 0 && !ReadInput()) {
                    m_mode = Mode::Ended;
                    break;
                }
                const uint32_t piece = std::min(AvailIn(), wanted - produced);
                std::memcpy(out + produced, NextIn(), piece);
                NextIn() += piece;
                AvailIn() -= piece;
                produced += piece;
                break;
            }
            case Mode::Ended:
                break;
        }
    }
}

void GzipStreamDecoder::RaiseDataFailure(const char* reason) const {
    MpException::RaiseFormatted("Reading compressed file -- %s: %s", "GzipStreamDecoder", m_fileName.c_str(), reason);
}

}  // namespace lathwell
