// ReadAheadDecoder: runs a GzipStreamDecoder on a thread of its own, a few blocks ahead of
// the reader, so that inflating the input overlaps the conversion of what was inflated before.
//
// The decoder thread fills a fixed ring of blocks and waits when they are all full, so memory
// does not grow with the input. Read hands the blocks' bytes over in order; a failure of the
// decoder is raised by Read at the point of the stream where it happened, after every byte
// decoded before it. The destructor stops and joins the thread whatever state it is in.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "GzipStreamDecoder.h"

namespace lathwell {

class ReadAheadDecoder {
public:
    explicit ReadAheadDecoder(std::unique_ptr<GzipStreamDecoder> decoder);
    ~ReadAheadDecoder();
    ReadAheadDecoder(const ReadAheadDecoder&) = delete;
    ReadAheadDecoder& operator=(const ReadAheadDecoder&) = delete;

    // Copies up to capacity uncompressed bytes into destination and returns how many; 0 at the
    // end of the stream. Raises the decoder's MpException where the stream failed.
    // REQUIRES: capacity > 0.
    int32_t Read(char* destination, int32_t capacity);

    // Compressed bytes consumed for the bytes handed over so far.
    int64_t CompressedPosition() const { return m_position; }

private:
    struct Block {
        std::vector<char> bytes;
        int32_t size = 0;
        int64_t compressedPosition = 0;
        std::exception_ptr failure;
    };

    void Decode();
    // Waits for the next block of the ring; false once the stream has ended.
    bool TakeNextBlock();

    std::unique_ptr<GzipStreamDecoder> m_decoder;
    std::vector<Block> m_ring;
    // The consumer's side.
    size_t m_taken = 0;         // blocks handed to the reader, the current one included
    int32_t m_offset = 0;       // bytes of the current block handed over
    bool m_ended = false;
    int64_t m_position = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_filled = 0;  // blocks the decoder has filled; guarded by m_mutex
    size_t m_freed = 0;   // blocks the reader has finished with; guarded by m_mutex
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace lathwell
