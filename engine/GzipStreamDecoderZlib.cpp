// GzipStreamDecoder inflating with zlib: the build without ISA-L (LATHWELL_WITH_ISAL off).
#include "GzipStreamDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "MpException.h"
#include "Mpiounbuffered.h"

namespace lathwell {

namespace {

// Compressed bytes read from the file at a time.
constexpr size_t kInputBlock = 256 * 1024;

// zlib's window size with 16 added: a gzip member, header and CRC-32 checked.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;

[[noreturn]] void RaiseDataFailure(const std::string& fileName, const char* reason) {
    MpException::RaiseFormatted("Reading compressed file -- %s: %s", "GzipStreamDecoder", fileName.c_str(), reason);
}

}  // namespace

struct GzipStreamDecoder::State {
    z_stream stream{};
    ~State() { inflateEnd(&stream); }
};

GzipStreamDecoder::GzipStreamDecoder(const char* fileName)
    : m_fileName(fileName),
      m_file(std::make_unique<MpIOUnbuffered>(fileName, IO_READ)),
      m_state(std::make_unique<State>()),
      m_input(kInputBlock) {
    z_stream& stream = m_state->stream;
    if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) {
        MpException::RaiseFormatted("Reading compressed file -- %s: %s", "GzipStreamDecoder", fileName,
                                    "out of memory");
    }
    stream.next_in = m_input.data();
    stream.avail_in = 0;
}

GzipStreamDecoder::~GzipStreamDecoder() = default;

int64_t GzipStreamDecoder::CompressedPosition() const {
    return m_fileBytesRead - m_state->stream.avail_in;
}

bool GzipStreamDecoder::ReadInput() {
    z_stream& stream = m_state->stream;
    std::memmove(m_input.data(), stream.next_in, stream.avail_in);
    stream.next_in = m_input.data();
    const int32_t room = static_cast<int32_t>(m_input.size() - stream.avail_in);
    const int32_t got = m_file->Read(m_input.data() + stream.avail_in, room, false);
    stream.avail_in += static_cast<uInt>(got);
    m_fileBytesRead += got;
    return got > 0;
}

void GzipStreamDecoder::LookForMember() {
    z_stream& stream = m_state->stream;
    // The two bytes that open a member may lie on both sides of a read.
    while (stream.avail_in < 2 && ReadInput()) {
    }
    const bool first = stream.avail_in >= 1 && stream.next_in[0] == 0x1f;
    const bool second = stream.avail_in >= 2 && stream.next_in[1] == 0x8b;
    if (first && second) {
        inflateReset(&stream);
        m_membersSeen = true;
        m_mode = Mode::InMember;
    } else if (m_membersSeen && (first || second)) {
        // A member whose opening bytes were damaged: its data would be lost without a word.
        RaiseDataFailure(m_fileName, "damaged data");
    } else {
        // As with gzread: what follows the last member is ignored; a file without a member is
        // read as it is.
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
    z_stream& stream = m_state->stream;
    while (produced < wanted && m_mode != Mode::Ended) {
        switch (m_mode) {
            case Mode::BeforeMember:
                LookForMember();
                break;
            case Mode::InMember: {
                stream.next_out = out + produced;
                stream.avail_out = wanted - produced;
                const int result = inflate(&stream, Z_NO_FLUSH);
                produced = wanted - stream.avail_out;
                if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
                    RaiseDataFailure(m_fileName, "damaged data");
                }
                if (result == Z_STREAM_END) {
                    m_mode = Mode::BeforeMember;
                } else if (stream.avail_out > 0 && !ReadInput()) {
                    RaiseDataFailure(m_fileName, "unexpected end of file");
                }
                break;
            }
            case Mode::PassThrough: {
                if (stream.avail_in == 0 && !ReadInput()) {
                    m_mode = Mode::Ended;
                    break;
                }
                const uInt piece = std::min(stream.avail_in, wanted - produced);
                std::memcpy(out + produced, stream.next_in, piece);
                stream.next_in += piece;
                stream.avail_in -= piece;
                produced += piece;
                break;
            }
            case Mode::Ended:
                break;
        }
    }
}

}  // namespace lathwell
