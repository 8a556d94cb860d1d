#include "GzipStreamDecoder.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstring>

#include "MpException.h"
#include "Mpiounbuffered.h"
#include "ReadFailure.h"

namespace lathwell {

namespace {

// Compressed bytes read from the file at a time.
constexpr size_t kInputBlock = 256 * 1024;

[[noreturn]] void RaiseDataFailure(const std::string& fileName, const char* reason) {
    MpException::RaiseFormatted("Reading compressed file -- %s: %s", "GzipStreamDecoder", fileName.c_str(), reason);
}

}  // namespace

struct GzipStreamDecoder::State : inflate_state {};

GzipStreamDecoder::GzipStreamDecoder(const char* fileName)
    : m_fileName(fileName),
      m_file(std::make_unique<MpIOUnbuffered>(fileName, IO_READ)),
      m_state(std::make_unique<State>()),
      m_input(kInputBlock) {
    isal_inflate_init(m_state.get());
    m_state->next_in = m_input.data();
    m_state->avail_in = 0;
}

GzipStreamDecoder::~GzipStreamDecoder() = default;

int64_t GzipStreamDecoder::CompressedPosition() const {
    return m_fileBytesRead - m_state->avail_in;
}

bool GzipStreamDecoder::ReadInput() {
    inflate_state& state = *m_state;
    std::memmove(m_input.data(), state.next_in, state.avail_in);
    state.next_in = m_input.data();
    const int32_t room = static_cast<int32_t>(m_input.size() - state.avail_in);
    int32_t got = 0;
    try {
        got = m_file->Read(m_input.data() + state.avail_in, room, false);
    } catch (const MpException&) {
        // The system's reason is still the failed read's: the library raised without another call.
        RaiseReadFailure(("\"" + m_fileName + "\"").c_str());
    }
    state.avail_in += static_cast<uint32_t>(got);
    m_fileBytesRead += got;
    return got > 0;
}

void GzipStreamDecoder::LookForMember() {
    inflate_state& state = *m_state;
    // The two bytes that open a member may lie on both sides of a read.
    while (state.avail_in < 2 && ReadInput()) {
    }
    const bool first = state.avail_in >= 1 && state.next_in[0] == 0x1f;
    const bool second = state.avail_in >= 2 && state.next_in[1] == 0x8b;
    if (first && second) {
        uint8_t* next = state.next_in;
        uint32_t available = state.avail_in;
        isal_inflate_reset(&state);
        state.next_in = next;
        state.avail_in = available;
        state.crc_flag = ISAL_GZIP;
        m_membersSeen = true;
        m_mode = Mode::InMember;
    } else if (m_membersSeen && (first || second)) {
        // A member whose opening bytes were damaged: its data would be lost without a word.
        RaiseDataFailure(m_fileName, "damaged data");
    } else {
        // As with gzread: what follows the last member is ignored; a file without a member is
        // read as it is.
        m_plainText = !m_membersSeen && state.avail_in > 0;
        m_mode = m_membersSeen ? Mode::Ended : Mode::PassThrough;
    }
}

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

void GzipStreamDecoder::Fill(uint8_t* out, uint32_t wanted, uint32_t& produced) {
    inflate_state& state = *m_state;
    while (produced < wanted && m_mode != Mode::Ended) {
        switch (m_mode) {
            case Mode::BeforeMember:
                LookForMember();
                break;
            case Mode::InMember: {
                state.next_out = out + produced;
                state.avail_out = wanted - produced;
                if (isal_inflate(&state) < 0) RaiseDataFailure(m_fileName, "damaged data");
                produced = wanted - state.avail_out;
                if (state.block_state == ISAL_BLOCK_FINISH) {
                    m_mode = Mode::BeforeMember;
                } else if (state.avail_out > 0 && !ReadInput()) {
                    RaiseDataFailure(m_fileName, "unexpected end of file");
                }
                break;
            }
            case Mode::PassThrough: {
                if (state.avail_in == 0 && !ReadInput()) {
                    m_mode = Mode::Ended;
                    break;
                }
                uint32_t piece = std::min(state.avail_in, wanted - produced);
                std::memcpy(out + produced, state.next_in, piece);
                state.next_in += piece;
                state.avail_in -= piece;
                produced += piece;
                break;
            }
            case Mode::Ended:
                break;
        }
    }
}

}  // namespace lathwell
