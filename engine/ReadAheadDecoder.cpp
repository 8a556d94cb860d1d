#include "ReadAheadDecoder.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "ReadFailure.h"
#include "ReadWatch.h"
#include "RunStop.h"

namespace lathwell {

namespace {

constexpr size_t kRingBlocks = 4;
constexpr int32_t kBlockSize = 256 * 1024;
// How often a reader waiting for a block looks for a stop.
constexpr std::chrono::milliseconds kStopPoll(ReadWatch::kWaitTickMs);

struct Block {
    std::vector<char> bytes;
    int32_t size = 0;
    int64_t compressedPosition = 0;
    bool plainText = false;
    std::exception_ptr failure;
};

}  // namespace

struct ReadAheadDecoder::Shared {
    std::unique_ptr<GzipStreamDecoder> decoder;
    std::vector<Block> ring = std::vector<Block>(kRingBlocks);
    std::mutex mutex;
    std::condition_variable changed;
    size_t filled = 0;  // blocks the decoder has filled; guarded by mutex
    size_t freed = 0;   // blocks the reader has finished with; guarded by mutex
    bool stopping = false;  // guarded by mutex
    std::shared_ptr<const RunStop> stop = std::make_shared<RunStop>();  // guarded by mutex
    bool finished = false;  // the thread has returned; guarded by mutex

    void Decode();
};

void ReadAheadDecoder::Shared::Decode() {
    for (size_t index = 0;; ++index) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return stopping || index - freed < kRingBlocks; });
            if (stopping || stop->Requested()) return;
        }
        Block& block = ring[index % kRingBlocks];
        block.failure = nullptr;
        try {
            block.size = decoder->Read(block.bytes.data(), kBlockSize);
            block.compressedPosition = decoder->CompressedPosition();
            block.plainText = decoder->IsPlainText();
        } catch (...) {
            block.size = 0;
            block.failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            filled = index + 1;
        }
        changed.notify_all();
        // The stream ends with an empty block, or with its failure.
        if (block.size == 0) return;
    }
}

ReadAheadDecoder::ReadAheadDecoder(std::unique_ptr<GzipStreamDecoder> decoder, const char* name)
    : m_shared(std::make_shared<Shared>()), m_name(name) {
    m_shared->decoder = std::move(decoder);
    for (Block& block : m_shared->ring) block.bytes.resize(kBlockSize);
    const MpSignal::WorkersStarting workersStarting;
    std::thread([shared = m_shared] {
        shared->Decode();
        // The file is closed before the thread counts as finished, so a reader that saw it
        // finish leaves nothing of the input behind (not even at the program's exit).
        shared->decoder.reset();
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->finished = true;
        shared->changed.notify_all();
    }).detach();
}

ReadAheadDecoder::~ReadAheadDecoder() {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->stopping = true;
    m_shared->changed.notify_all();
    // A thread between two reads sees the stop at once; one that waits for its input ends when
    // the input does, keeping what it uses alive until then.
    m_shared->changed.wait_for(lock, kStopPoll, [&] { return m_shared->finished; });
    // A failure the reader raised may still be in flight on this thread: its last holder lets
    // it go here, not the decoder's thread.
    if (m_shared->finished) {
        for (Block& block : m_shared->ring) block.failure = nullptr;
    }
}

void ReadAheadDecoder::ShareStop(std::shared_ptr<const RunStop> stop) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->stop = std::move(stop);
}

bool ReadAheadDecoder::TakeNextBlock(const std::function<bool()>& keepWaiting) {
    Shared& shared = *m_shared;
    std::unique_lock<std::mutex> lock(shared.mutex);
    // The current block goes back to the decoder.
    shared.freed = m_taken;
    shared.changed.notify_all();
    while (!shared.changed.wait_for(lock, kStopPoll, [&] { return shared.filled > m_taken; })) {
        bool stopped = shared.stop->Requested();
        if (!stopped && keepWaiting) {
            // Asked without the lock: the decoder's thread may fill a block meanwhile.
            lock.unlock();
            stopped = !keepWaiting();
            lock.lock();
        }
        if (stopped) RaiseReadStopped(("\"" + m_name + "\"").c_str());
    }
    const Block& block = shared.ring[m_taken % kRingBlocks];
    ++m_taken;
    m_offset = 0;
    if (block.failure) {
        m_ended = true;
        std::rethrow_exception(block.failure);
    }
    if (block.size == 0) m_ended = true;
    return !m_ended;
}

int32_t ReadAheadDecoder::Read(char* destination, int32_t capacity, const std::function<bool()>& keepWaiting) {
    if (m_ended) return 0;
    const std::vector<Block>& ring = m_shared->ring;
    if (m_taken == 0 || m_offset == ring[(m_taken - 1) % kRingBlocks].size) {
        if (!TakeNextBlock(keepWaiting)) return 0;
    }
    const Block& block = ring[(m_taken - 1) % kRingBlocks];
    int32_t piece = std::min(capacity, block.size - m_offset);
    std::memcpy(destination, block.bytes.data() + m_offset, static_cast<size_t>(piece));
    m_offset += piece;
    m_position = block.compressedPosition;
    m_plainText = block.plainText;
    return piece;
}

}  // namespace lathwell
