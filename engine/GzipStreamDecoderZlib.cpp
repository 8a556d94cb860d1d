// GzipStreamDecoder inflating with zlib: the build without ISA-L (LATHWELL_WITH_ISAL off).
#include "GzipStreamDecoder.h"

#include <zlib.h>

#include "MpException.h"
#include "Mpiounbuffered.h"

namespace lathwell {

namespace {

// zlib's window size with 16 added: a gzip member, header and CRC-32 checked.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;

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

uint8_t*& GzipStreamDecoder::NextIn() {
    return m_state->stream.next_in;
}

uint32_t& GzipStreamDecoder::AvailIn() {
    return m_state->stream.avail_in;
}

uint32_t GzipStreamDecoder::AvailIn() const {
    return m_state->stream.avail_in;
}

void GzipStreamDecoder::StartMember() {
    inflateReset(&m_state->stream);
}

bool GzipStreamDecoder::Inflate(uint8_t* out, uint32_t wanted, uint32_t& produced) {
    z_stream& stream = m_state->stream;
    stream.next_out = out + produced;
    stream.avail_out = wanted - produced;
    const int result = inflate(&stream, Z_NO_FLUSH);
    produced = wanted - stream.avail_out;
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) RaiseDataFailure("damaged data");
    return result == Z_STREAM_END;
}

}  // namespace lathwell
