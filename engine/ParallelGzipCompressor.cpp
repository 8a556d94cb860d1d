#include "ParallelGzipCompressor.h"

#if LATHWELL_WITH_ISAL
#include <isa-l/igzip_lib.h>
#endif
#include <zlib.h>

#include <algorithm>
#include <new>

#include "MpException.h"
#include "MpSignal.h"
#include "RunStop.h"

namespace lathwell {

namespace {

constexpr size_t kBlockSize = 128 * 1024;
// deflate looks back at most this far, so this much of the stream before a block primes it.
constexpr size_t kDictionarySize = 32 * 1024;
constexpr size_t kBlocksInFlightPerThread = 2;

// The member header zlib writes for gzopen(..., "wb"): no name, no time, default level, Unix.
constexpr unsigned char kGzipHeader[] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};

void AppendLittleEndian(unsigned char* to, uint32_t value) {
    for (int i = 0; i < 4; ++i) to[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

struct ParallelGzipCompressor::Block {
    enum class State { Filling, Waiting, Compressing, Finished };

    // The dictionary (the stream's last bytes before the block) followed by the block's own.
    std::vector<char> bytes;
    size_t dictionaryLength = 0;
    bool last = false;
    State state = State::Filling;
    // Set by the worker that compresses the block.
    std::vector<unsigned char> compressed;
    size_t compressedLength = 0;
    uint32_t crc = 0;
    int zlibResult = Z_OK;
    bool skipped = false;  // left uncompressed because the run stopped

    size_t OwnLength() const { return bytes.size() - dictionaryLength; }
};

namespace {

// One worker's raw deflate stream, reused for every block it takes; an interface, so that
// zlib and ISA-L deflate the blocks behind one call.
class BlockDeflater {
public:
    virtual ~BlockDeflater() = default;
    // Deflates the ownLength bytes that follow the dictionaryLength bytes of the dictionary
    // at bytes into compressed (grown as needed), compressedLength bytes of it; ends them with
    // a sync flush, or, when last, ends the stream. Returns Z_OK or zlib's code of the failure.
    virtual int Deflate(const unsigned char* bytes, size_t dictionaryLength, size_t ownLength, bool last,
                        std::vector<unsigned char>& compressed, size_t& compressedLength) = 0;

protected:
    // Makes compressed at least size bytes long, or without size twice as long; false when
    // memory is out.
    static bool Grow(std::vector<unsigned char>& compressed, size_t size = 0) {
        try {
            if (size == 0) size = compressed.size() * 2;
            if (compressed.size() < size) compressed.resize(size);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
};

class ZlibBlockDeflater : public BlockDeflater {
public:
    explicit ZlibBlockDeflater(int level) {
        // Raw deflate: the compressor writes the gzip header and trailer itself.
        m_initResult = deflateInit2(&m_stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    }
    ~ZlibBlockDeflater() override {
        if (m_initResult == Z_OK) deflateEnd(&m_stream);
    }
    ZlibBlockDeflater(const ZlibBlockDeflater&) = delete;
    ZlibBlockDeflater& operator=(const ZlibBlockDeflater&) = delete;

    int Deflate(const unsigned char* bytes, size_t dictionaryLength, size_t ownLength, bool last,
                std::vector<unsigned char>& compressed, size_t& compressedLength) override {
        if (m_initResult != Z_OK) return m_initResult;
        int result = deflateReset(&m_stream);
        if (result == Z_OK && dictionaryLength > 0) {
            result = deflateSetDictionary(&m_stream, bytes, static_cast<uInt>(dictionaryLength));
        }
        if (result != Z_OK) return result;
        // The bound leaves room for the sync flush's marker; the loop grows it if ever needed.
        if (!Grow(compressed, deflateBound(&m_stream, ownLength) + 16)) return Z_MEM_ERROR;
        m_stream.next_in = const_cast<unsigned char*>(bytes + dictionaryLength);
        m_stream.avail_in = static_cast<uInt>(ownLength);
        m_stream.next_out = compressed.data();
        m_stream.avail_out = static_cast<uInt>(compressed.size());
        const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
        for (;;) {
            result = deflate(&m_stream, flush);
            if (result == Z_STREAM_ERROR) return result;
            bool done = last ? result == Z_STREAM_END : m_stream.avail_out > 0;
            if (done) break;
            size_t used = compressed.size() - m_stream.avail_out;
            if (!Grow(compressed)) return Z_MEM_ERROR;
            m_stream.next_out = compressed.data() + used;
            m_stream.avail_out = static_cast<uInt>(compressed.size() - used);
        }
        compressedLength = compressed.size() - m_stream.avail_out;
        return Z_OK;
    }

private:
    z_stream m_stream{};
    int m_initResult;
};

#if LATHWELL_WITH_ISAL
// ISA-L's streaming deflate at its levels 1 to 3, which are this compressor's.
class IsalBlockDeflater : public BlockDeflater {
public:
    explicit IsalBlockDeflater(int level) : m_levelBuffer(LevelBufferSize(level)) {
        isal_deflate_init(&m_stream);
        m_stream.level = static_cast<uint32_t>(level);
        m_stream.level_buf = m_levelBuffer.data();
        m_stream.level_buf_size = static_cast<uint32_t>(m_levelBuffer.size());
        m_stream.gzip_flag = IGZIP_DEFLATE;  // raw, as with zlib
    }

    int Deflate(const unsigned char* bytes, size_t dictionaryLength, size_t ownLength, bool last,
                std::vector<unsigned char>& compressed, size_t& compressedLength) override {
        isal_deflate_reset(&m_stream);
        if (dictionaryLength > 0 &&
            isal_deflate_set_dict(&m_stream, const_cast<unsigned char*>(bytes), static_cast<uint32_t>(dictionaryLength)) !=
                COMP_OK) {
            return Z_STREAM_ERROR;
        }
        // Stored blocks bound what ISA-L writes for bytes it cannot compress.
        if (!Grow(compressed, ownLength + ownLength / 64 + 1024)) return Z_MEM_ERROR;
        m_stream.end_of_stream = last ? 1 : 0;
        m_stream.flush = last ? NO_FLUSH : SYNC_FLUSH;
        m_stream.next_in = const_cast<unsigned char*>(bytes + dictionaryLength);
        m_stream.avail_in = static_cast<uint32_t>(ownLength);
        m_stream.next_out = compressed.data();
        m_stream.avail_out = static_cast<uint32_t>(compressed.size());
        for (;;) {
            if (isal_deflate(&m_stream) != COMP_OK) return Z_STREAM_ERROR;
            bool done = last ? m_stream.internal_state.state == ZSTATE_END
                             : m_stream.avail_in == 0 && m_stream.avail_out > 0;
            if (done) break;
            size_t used = compressed.size() - m_stream.avail_out;
            if (!Grow(compressed)) return Z_MEM_ERROR;
            m_stream.next_out = compressed.data() + used;
            m_stream.avail_out = static_cast<uint32_t>(compressed.size() - used);
        }
        compressedLength = compressed.size() - m_stream.avail_out;
        return Z_OK;
    }

private:
    static size_t LevelBufferSize(int level) {
        switch (level) {
        case 1:
            return ISAL_DEF_LVL1_DEFAULT;
        case 2:
            return ISAL_DEF_LVL2_DEFAULT;
        default:
            return ISAL_DEF_LVL3_DEFAULT;
        }
    }

    isal_zstream m_stream{};
    std::vector<unsigned char> m_levelBuffer;
};
#endif

std::unique_ptr<BlockDeflater> MakeBlockDeflater(int level) {
#if LATHWELL_WITH_ISAL
    if (level < kFirstZlibLevel) return std::make_unique<IsalBlockDeflater>(level);
#endif
    return std::make_unique<ZlibBlockDeflater>(level);
}

}  // namespace

ParallelGzipCompressor::ParallelGzipCompressor(int threads, CompressedOutput& output, int level)
    : m_output(output),
      m_mostInFlight(kBlocksInFlightPerThread * static_cast<size_t>(threads)),
      m_filling(std::make_unique<Block>()),
      m_crc(static_cast<uint32_t>(crc32(0, nullptr, 0))) {
    m_filling->bytes.reserve(kDictionarySize + kBlockSize);
    try {
        const MpSignal::WorkersStarting workersStarting;
        for (int i = 0; i < threads; ++i) m_workers.emplace_back(&ParallelGzipCompressor::Work, this, level);
    } catch (...) {
        Stop();
        throw;
    }
}

ParallelGzipCompressor::~ParallelGzipCompressor() {
    Stop();
}

void ParallelGzipCompressor::ShareStop(std::shared_ptr<const RunStop> stop) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_runStop = std::move(stop);
}

void ParallelGzipCompressor::Stop() noexcept {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_workWaiting.notify_all();
    for (std::thread& worker : m_workers) {
        if (worker.joinable()) worker.join();
    }
}

template <typename Action>
void ParallelGzipCompressor::Guarded(Action action) {
    if (m_failure) std::rethrow_exception(m_failure);
    try {
        action();
    } catch (...) {
        m_failure = std::current_exception();
        throw;
    }
}

void ParallelGzipCompressor::Add(const char* bytes, size_t count) {
    Guarded([&] {
        while (count > 0) {
            std::vector<char>& filling = m_filling->bytes;
            size_t piece = std::min(count, kBlockSize - m_filling->OwnLength());
            filling.insert(filling.end(), bytes, bytes + piece);
            bytes += piece;
            count -= piece;
            if (m_filling->OwnLength() == kBlockSize) Submit(false);
        }
    });
}

void ParallelGzipCompressor::Finish() {
    Guarded([&] {
        Submit(true);
        while (!m_inFlight.empty()) WriteFinishedBlocks(true);
        unsigned char trailer[8];
        AppendLittleEndian(trailer, m_crc);
        AppendLittleEndian(trailer + 4, m_length);
        m_output.Write(reinterpret_cast<const char*>(trailer), sizeof trailer);
    });
}

void ParallelGzipCompressor::Submit(bool last) {
    // The next block starts with the end of this one as its dictionary.
    std::unique_ptr<Block> next;
    if (!m_spare.empty()) {
        next = std::move(m_spare.back());
        m_spare.pop_back();
    } else {
        next = std::make_unique<Block>();
        next->bytes.reserve(kDictionarySize + kBlockSize);
    }
    const std::vector<char>& bytes = m_filling->bytes;
    size_t dictionaryLength = std::min(bytes.size(), kDictionarySize);
    next->bytes.assign(bytes.end() - static_cast<std::ptrdiff_t>(dictionaryLength), bytes.end());
    next->dictionaryLength = dictionaryLength;
    next->last = false;
    next->state = Block::State::Filling;
    next->skipped = false;

    WriteFinishedBlocks(m_inFlight.size() >= m_mostInFlight);
    m_filling->last = last;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_filling->state = Block::State::Waiting;
        m_inFlight.push_back(std::move(m_filling));
    }
    m_workWaiting.notify_one();
    m_filling = std::move(next);
}

void ParallelGzipCompressor::WriteFinishedBlocks(bool wait) {
    for (;;) {
        std::unique_ptr<Block> block;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            auto frontFinished = [this] {
                return !m_inFlight.empty() && m_inFlight.front()->state == Block::State::Finished;
            };
            if (wait) m_blockFinished.wait(lock, frontFinished);
            if (!frontFinished()) return;
            block = std::move(m_inFlight.front());
            m_inFlight.pop_front();
        }
        wait = false;
        Emit(*block);
        m_spare.push_back(std::move(block));
    }
}

void ParallelGzipCompressor::Emit(Block& block) {
    if (block.skipped) throw MpException("Compressing the output stopped");
    if (block.zlibResult != Z_OK) m_output.RaiseCompressionFailure(zError(block.zlibResult));
    if (!m_headerWritten) {
        m_output.Write(reinterpret_cast<const char*>(kGzipHeader), sizeof kGzipHeader);
        m_headerWritten = true;
    }
    m_output.Write(reinterpret_cast<const char*>(block.compressed.data()), block.compressedLength);
    size_t length = block.OwnLength();
    m_crc = static_cast<uint32_t>(crc32_combine(m_crc, block.crc, static_cast<z_off_t>(length)));
    m_length += static_cast<uint32_t>(length);
}

ParallelGzipCompressor::Block* ParallelGzipCompressor::FirstWaitingBlock() const {
    for (const std::unique_ptr<Block>& block : m_inFlight) {
        if (block->state == Block::State::Waiting) return block.get();
    }
    return nullptr;
}

void ParallelGzipCompressor::Work(int level) {
    std::unique_ptr<BlockDeflater> deflater;
    try {
        deflater = MakeBlockDeflater(level);
    } catch (const std::bad_alloc&) {
        // Every block this worker takes then fails with zlib's text for it.
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        Block* block = nullptr;
        m_workWaiting.wait(lock, [&] {
            block = FirstWaitingBlock();
            return m_stopping || block != nullptr;
        });
        if (m_stopping) return;
        block->state = Block::State::Compressing;
        const bool skip = m_runStop && m_runStop->Requested();
        lock.unlock();
        int result = Z_OK;
        if (!skip) {
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(block->bytes.data());
            block->crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), bytes + block->dictionaryLength,
                                                     static_cast<uInt>(block->OwnLength())));
            result = deflater == nullptr ? Z_MEM_ERROR
                                         : deflater->Deflate(bytes, block->dictionaryLength, block->OwnLength(),
                                                             block->last, block->compressed, block->compressedLength);
        }
        lock.lock();
        block->skipped = skip;
        block->zlibResult = result;
        block->state = Block::State::Finished;
        m_blockFinished.notify_all();
    }
}

}  // namespace lathwell
