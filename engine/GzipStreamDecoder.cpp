// GzipStreamDecoder inflating with ISA-L's igzip (the build option LATHWELL_WITH_ISAL on).
#include "GzipStreamDecoder.h"

#include <isa-l/igzip_lib.h>

#include "Mpiounbuffered.h"

namespace lathwell {

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

uint8_t*& GzipStreamDecoder::NextIn() {
    return m_state->next_in;
}

uint32_t& GzipStreamDecoder::AvailIn() {
    return m_state->avail_in;
}

uint32_t GzipStreamDecoder::AvailIn() const {
    return m_state->avail_in;
}

void GzipStreamDecoder::StartMember() {
    inflate_state& state = *m_state;
    uint8_t* next = state.next_in;
    uint32_t available = state.avail_in;
    isal_inflate_reset(&state);
    state.next_in = next;
    state.avail_in = available;
    state.crc_flag = ISAL_GZIP;
}

bool GzipStreamDecoder::Inflate(uint8_t* out, uint32_t wanted, uint32_t& produced) {
    inflate_state& state = *m_state;
    state.next_out = out + produced;
    state.avail_out = wanted - produced;
    const int result = isal_inflate(&state);
    produced = wanted - state.avail_out;
    if (result < 0) RaiseDataFailure("damaged data");
    return state.block_state == ISAL_BLOCK_FINISH;
}

}  // namespace lathwell
