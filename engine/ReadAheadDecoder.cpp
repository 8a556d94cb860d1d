#include "ReadAheadDecoder.h"

#include <algorithm>
#include <cstring>

namespace lathwell {

namespace {

constexpr size_t kRingBlocks = 4;
constexpr int32_t kBlockSize = 256 * 1024;

}  // namespace

ReadAheadDecoder::ReadAheadDecoder(std::unique_ptr<GzipStreamDecoder> decoder)
    : m_decoder(std::move(decoder)), m_ring(kRingBlocks) {
    for (Block& block : m_ring) block.bytes.resize(kBlockSize);
    m_thread = std::thread(&ReadAheadDecoder::Decode, this);
}

ReadAheadDecoder::~ReadAheadDecoder() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ReadAheadDecoder::Decode() {
    for (size_t index = 0;; ++index) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopping || index - m_freed < kRingBlocks; });
            if (m_stopping) return;
        }
        Block& block = m_ring[index % kRingBlocks];
        block.failure = nullptr;
        try {
            block.size = m_decoder->Read(block.bytes.data(), kBlockSize);
            block.compressedPosition = m_decoder->CompressedPosition();
        } catch (...) {
            block.size = 0;
            block.failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_filled = index + 1;
        }
        m_changed.notify_all();
        // The stream ends with an empty block, or with its failure.
        if (block.size == 0) return;
    }
}

bool ReadAheadDecoder::TakeNextBlock() {
    std::unique_lock<std::mutex> lock(m_mutex);
    // The current block goes back to the decoder.
    m_freed = m_taken;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_filled > m_taken; });
    const Block& block = m_ring[m_taken % kRingBlocks];
    ++m_taken;
    m_offset = 0;
    if (block.failure) {
        m_ended = true;
        std::rethrow_exception(block.failure);
    }
    if (block.size == 0) m_ended = true;
    return !m_ended;
}

int32_t ReadAheadDecoder::Read(char* destination, int32_t capacity) {
    if (m_ended) return 0;
    if (m_taken == 0 || m_offset == m_ring[(m_taken - 1) % kRingBlocks].size) {
        if (!TakeNextBlock()) return 0;
    }
    const Block& block = m_ring[(m_taken - 1) % kRingBlocks];
    int32_t piece = std::min(capacity, block.size - m_offset);
    std::memcpy(destination, block.bytes.data() + m_offset, static_cast<size_t>(piece));
    m_offset += piece;
    m_position = block.compressedPosition;
    return piece;
}

}  // namespace lathwell
