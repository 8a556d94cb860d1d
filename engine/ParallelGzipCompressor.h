// ParallelGzipCompressor: compresses one stream of bytes into one standard gzip member on
// several threads.
//
// The bytes are cut into blocks of 128 KiB. Worker threads deflate the blocks at the level
// asked for, 1 to 3 with ISA-L's igzip, 4 to 9 with zlib, each block primed with the 32 KiB
// before it as its dictionary and ended on a byte boundary (a sync flush; the last block ends
// the stream), so that the blocks joined in order form one deflate stream. The member's CRC-32
// is combined from the blocks' CRCs.
//
// The compressed bytes reach the CompressedOutput in order and always on the caller's thread,
// inside Add or Finish, so a failure of the output leaves Add or Finish as the caller's own
// exception. At most two blocks per thread are in flight: Add waits for the oldest one when
// they are all taken, so memory does not grow with the input.
//
// Once the run's stop is set (ShareStop) the workers leave the blocks they have not begun, and
// the Add or Finish that would write one raises "Compressing the output stopped": a stopped run wastes
// no time on a member it abandons.
//
// After a failure (of the output or of zlib) every later Add and Finish raises the same
// exception again. The destructor stops and joins every worker, whatever state the compressor
// is in; a member not finished by Finish is left incomplete.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "GzipLevel.h"

namespace lathwell {

class RunStop;

// Where the compressed member goes. Called on the thread that calls Add and Finish.
class CompressedOutput {
public:
    virtual ~CompressedOutput() = default;
    // Stores count bytes; raises when it cannot.
    virtual void Write(const char* bytes, size_t count) = 0;
    // Raises the failure of the deflate library whose text is reason.
    [[noreturn]] virtual void RaiseCompressionFailure(const char* reason) = 0;
};

class ParallelGzipCompressor {
public:
    // The output must outlive the compressor.
    // REQUIRES: threads >= 1; level from kFastestGzipLevel to kSmallestGzipLevel.
    ParallelGzipCompressor(int threads, CompressedOutput& output, int level = kDefaultGzipLevel);
    ~ParallelGzipCompressor();
    ParallelGzipCompressor(const ParallelGzipCompressor&) = delete;
    ParallelGzipCompressor& operator=(const ParallelGzipCompressor&) = delete;

    // The run's stop: seen by the workers from now on.
    void ShareStop(std::shared_ptr<const RunStop> stop);

    // Adds count bytes to the stream.
    // REQUIRES: Finish has not been called.
    void Add(const char* bytes, size_t count);

    // Compresses what is left and writes the rest of the member, its trailer included.
    // REQUIRES: called once.
    void Finish();

private:
    struct Block;

    // Runs action, or raises the failure that stopped the compressor before.
    template <typename Action>
    void Guarded(Action action);
    void Submit(bool last);
    // Writes the finished blocks at the front of the queue; with wait, waits for at least one.
    void WriteFinishedBlocks(bool wait);
    void Emit(Block& block);
    void Work(int level);
    // REQUIRES: m_mutex is held.
    Block* FirstWaitingBlock() const;
    void Stop() noexcept;

    CompressedOutput& m_output;
    const size_t m_mostInFlight;
    std::unique_ptr<Block> m_filling;
    std::vector<std::unique_ptr<Block>> m_spare;
    bool m_headerWritten = false;
    uint32_t m_crc;
    uint32_t m_length = 0;  // modulo 2^32, as the trailer stores it
    std::exception_ptr m_failure;

    std::mutex m_mutex;
    std::condition_variable m_workWaiting;
    std::condition_variable m_blockFinished;
    std::deque<std::unique_ptr<Block>> m_inFlight;  // in stream order; guarded by m_mutex
    bool m_stopping = false;                        // guarded by m_mutex
    std::shared_ptr<const RunStop> m_runStop;       // guarded by m_mutex
    std::vector<std::thread> m_workers;
};

}  // namespace lathwell
