#include "BlockConversion.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CsvRecordBuilder.h"
#include "LineReader.h"
#include "MpSignal.h"
#include "RecordWriter.h"
#include "RunPreparation.h"
#include "RunStop.h"
#include "ThreadCount.h"

namespace lathwell {

namespace {

// Bytes read per block before it is cut after its last line end: large enough that handing a
// block over costs little next to its lines, small enough that two per thread stay a few MiB.
// A block is read into room for this many bytes, grown only for a line that does not fit.
constexpr size_t kBlockBytes = 256 * 1024;
// The fewest bytes asked of the input per read (ReadBytes' least capacity); a block is cut
// once no more than this is left of its room.
constexpr size_t kLeastRead = 64 * 1024;
// A block's bytes are held in a chunk of at most this many.
constexpr size_t kLargestBlock = INT32_MAX;
// Room for a block's records from the start, so that they are seldom moved as they grow.
constexpr size_t kRecordsBytes = 2 * kBlockBytes;
constexpr size_t kBlocksPerThread = 2;

// One block of lines, and what its worker made of them.
struct Block {
    // Whole lines, the last one ended unless the input ended; not zeroed, the bytes after size
    // never read. Its worker's reader reads them in place, with room after them to spare.
    MpResizableChunk bytes;
    size_t size = 0;
    std::exception_ptr endFailure;  // the input's failure after the block's last byte
    // The worker's part.
    std::string records;
    RunStatistics statistics;
    CsvValueCounts counts;
    int64_t lines = 0;              // lines read, empty ones included
    std::exception_ptr failure;     // what ended the block early
    int64_t failureLine = 0;        // its line within the block (from 1), 0 for none
    bool cancelled = false;         // the run's stop ended the block early
    bool done = false;
};

// A worker's input: the lines of one block after another, each numbered from 1, read where the
// block holds them.
class BlockLineReader : public LineReader {
public:
    BlockLineReader(LoneCarriageReturn loneCr, bool blankUnprintable) : LineReader(loneCr, blankUnprintable) {}

    // Reads block's lines from now on; Finish hands its bytes back.
    void Start(Block& block) {
        RestartOn(block.bytes, block.size);
        m_block = &block;
    }
    void Finish() { RestartOn(m_block->bytes, 0); }

protected:
    // After the block's bytes: its end, or the input's failure there.
    int32_t ReadBlock(char* /*destination*/, int32_t /*capacity*/) override {
        if (m_block->endFailure) std::rethrow_exception(m_block->endFailure);
        return 0;
    }

private:
    Block* m_block = nullptr;
};

// A worker's output: the records of one block, gathered in the block.
class BlockRecordWriter : public RecordWriter {
public:
    BlockRecordWriter(int32_t recordLength, RecordEnd end) : RecordWriter(recordLength) { SetRecordEnd(end); }

    void Start(Block& block) {
        block.records.clear();
        block.records.reserve(kRecordsBytes);
        m_records = &block.records;
    }
    void Finish() { Flush(); }

protected:
    void WriteBlock(const char* bytes, int64_t count) override {
        m_records->append(bytes, static_cast<size_t>(count));
    }
    void CloseFile() override {}

private:
    std::string* m_records = nullptr;
};

// Cuts the input into blocks of whole lines.
class BlockCutter {
public:
    explicit BlockCutter(LineReader& input) : m_input(input) {}

    // Fills block with the next lines of the input; false when nothing is left. A read that
    // fails ends the input: the block then holds the bytes read before it and its failure.
    bool Next(Block& block) {
        if (m_ended) return false;
        block.endFailure = nullptr;
        block.size = 0;
        Reserve(block, std::max(kBlockBytes, m_carry.size() + kLeastRead));
        if (!m_carry.empty()) std::memcpy(block.bytes.AsPtr(), m_carry.data(), m_carry.size());
        block.size = m_carry.size();
        m_carry.clear();
        size_t lineEnd = 0;  // one past the last LF seen, 0 for none
        for (;;) {
            if (Room(block) < kLeastRead) Reserve(block, std::min(Capacity(block) * 2, kLargestBlock));
            // A line too long for any block is handed over as it is: the reader refuses it.
            if (Room(block) < kLeastRead) break;
            char* const read = block.bytes.AsPtr() + block.size;
            int32_t got = 0;
            try {
                got = m_input.ReadBytes(read, static_cast<int32_t>(Room(block)));
            } catch (...) {
                block.endFailure = std::current_exception();
                m_ended = true;
                return true;
            }
            if (got == 0) {
                m_ended = true;
                return block.size > 0;
            }
            // Searched from the end: a block's last line end lies a line's length before it.
            const auto last = std::find(std::make_reverse_iterator(read + got), std::make_reverse_iterator(read), '\n');
            if (last.base() != read) lineEnd = static_cast<size_t>(last.base() - block.bytes.AsPtr());
            block.size += static_cast<size_t>(got);
            if (Room(block) < kLeastRead && lineEnd > 0) break;
        }
        if (lineEnd == 0) return true;
        m_carry.assign(block.bytes.AsPtr() + lineEnd, block.bytes.AsPtr() + block.size);
        block.size = lineEnd;
        return true;
    }

private:
    static size_t Capacity(const Block& block) { return static_cast<size_t>(block.bytes.GetSize()); }
    // What can be read into block, one byte after it kept for the reader's NUL.
    static size_t Room(const Block& block) { return Capacity(block) - std::min(Capacity(block), block.size + 1); }
    // Makes room for at least capacity bytes in block, keeping those it holds.
    static void Reserve(Block& block, size_t capacity) {
        if (Capacity(block) < capacity) block.bytes.Resize(static_cast<int32_t>(capacity));
    }

    LineReader& m_input;
    std::vector<char> m_carry;  // the start of a line the last block cut off
    bool m_ended = false;
};

// What converts blocks on one thread: a reader, a writer and a CSV record builder of its own.
class BlockConverter {
public:
    BlockConverter(const PreparedRun& run, std::unique_ptr<CsvRecordBuilder> builder)
        : m_reader(run.input->LoneCarriageReturnRule(), run.settings.blankUnprintable),
          m_writer(run.settings.recordLength, run.settings.recordEnd),
          m_builder(std::move(builder)) {}

    // Converts the lines of block into its records, counts and failure.
    void Convert(Block& block, RunStop& stop) {
        m_reader.Start(block);
        m_writer.Start(block);
        block.statistics = RunStatistics();
        block.failure = nullptr;
        block.failureLine = 0;
        RunState state;
        try {
            ConvertLines(m_reader, m_writer, m_builder.get(), 0, stop, block.statistics, state);
            m_writer.Finish();
        } catch (...) {
            block.failure = std::current_exception();
            block.failureLine = state.line;
            try {
                m_writer.Finish();  // the records before the failing line are written
            } catch (...) {
                block.failure = std::current_exception();
            }
        }
        block.cancelled = state.cancelled;
        if (m_builder) block.counts = m_builder->TakeCounts();
        block.lines = m_reader.LinesRead();
        m_reader.Finish();
    }

private:
    BlockLineReader m_reader;
    BlockRecordWriter m_writer;
    std::unique_ptr<CsvRecordBuilder> m_builder;
};

// The workers and the blocks handed to them, in the order they were read.
class BlockPipeline {
public:
    // threads - 1 workers: the calling thread is the last, converting blocks while it would
    // otherwise wait for one, so that no more threads than asked for compete for the cores.
    BlockPipeline(PreparedRun& run, int threads) : m_run(run), m_own(run, NewBuilder(run)) {
        m_mostBlocks = kBlocksPerThread * static_cast<size_t>(threads);
        // The copies are made before any worker starts, while nothing else uses the builder.
        std::vector<std::unique_ptr<CsvRecordBuilder>> builders;
        for (int i = 1; i < threads; ++i) builders.push_back(NewBuilder(run));
        try {
            const MpSignal::WorkersStarting workersStarting;
            for (auto& builder : builders) m_workers.emplace_back(&BlockPipeline::Work, this, std::move(builder));
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~BlockPipeline() { Stop(); }

    // A block to read into; while as many blocks as allowed are read and not written, the
    // oldest is first written (see WriteOldest).
    std::unique_ptr<Block> FreeBlock(RunStatistics& statistics, RunState& state, int64_t& linesBefore) {
        while (Pending() + 1 > m_mostBlocks) WriteOldest(statistics, state, linesBefore);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_free.empty()) return std::make_unique<Block>();
        std::unique_ptr<Block> block = std::move(m_free.back());
        m_free.pop_back();
        return block;
    }

    void Submit(std::unique_ptr<Block> block) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            block->done = false;
            m_waiting.push_back(block.get());
            m_pending.push_back(std::move(block));
        }
        m_work.notify_one();
    }

    // Writes every block handed over, or those up to the one the run's stop cut short.
    void WriteAll(RunStatistics& statistics, RunState& state, int64_t& linesBefore) {
        while (Pending() > 0 && !state.cancelled) WriteOldest(statistics, state, linesBefore);
    }

private:
    size_t Pending() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_pending.size();
    }

    // Waits for the oldest block, then writes its records and adds up its counts after those of
    // the linesBefore lines before it; raises its failure, numbered in the whole input. A block
    // its worker left at the run's stop ends the run there.
    void WriteOldest(RunStatistics& statistics, RunState& state, int64_t& linesBefore) {
        std::unique_ptr<Block> block;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            WaitForOldest(lock);
            block = std::move(m_pending.front());
            m_pending.pop_front();
        }
        AddStatistics(statistics, block->statistics);
        if (m_run.builder) m_run.builder->AddCounts(block->counts, linesBefore);
        state.cancelled = block->cancelled;
        if (block->failure) state.line = block->failureLine > 0 ? linesBefore + block->failureLine : 0;
        m_run.output->WriteRecords(block->records.data(), block->records.size());
        if (block->failure) std::rethrow_exception(block->failure);
        state.line = 0;
        linesBefore += block->lines;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_free.push_back(std::move(block));
    }

    static std::unique_ptr<CsvRecordBuilder> NewBuilder(const PreparedRun& run) {
        return run.builder ? std::make_unique<CsvRecordBuilder>(*run.builder) : nullptr;
    }

    // Until the oldest block is done: converts the blocks no worker has taken yet, oldest
    // first, but leaves as many as there are idle workers to them (a worker woken for a block
    // may take a while to start); otherwise waits for a worker. REQUIRES: lock holds m_mutex,
    // a block is pending.
    void WaitForOldest(std::unique_lock<std::mutex>& lock) {
        while (!m_pending.front()->done) {
            if (m_waiting.size() <= m_idleWorkers) {
                m_done.wait(lock);
                continue;
            }
            Block* const block = m_waiting.front();
            m_waiting.pop_front();
            lock.unlock();
            m_own.Convert(*block, *m_run.stop);
            lock.lock();
            block->done = true;
        }
    }

    void Work(std::unique_ptr<CsvRecordBuilder> builder) {
        BlockConverter converter(m_run, std::move(builder));
        for (;;) {
            Block* block = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                ++m_idleWorkers;
                m_work.wait(lock, [&] { return m_stopping || !m_waiting.empty(); });
                --m_idleWorkers;
                if (m_stopping) return;
                block = m_waiting.front();
                m_waiting.pop_front();
            }
            converter.Convert(*block, *m_run.stop);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                block->done = true;
            }
            m_done.notify_all();
        }
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_work.notify_all();
        for (std::thread& worker : m_workers) worker.join();
        m_workers.clear();
    }

    PreparedRun& m_run;
    BlockConverter m_own;  // the calling thread's
    size_t m_mostBlocks = 0;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_work;  // a block is waiting, or the workers stop
    std::condition_variable m_done;  // a block is done
    std::deque<Block*> m_waiting;    // handed over, no worker has it yet
    size_t m_idleWorkers = 0;        // workers waiting for a block, or woken and not yet started
    std::deque<std::unique_ptr<Block>> m_pending;  // handed over, not written, in input order
    std::vector<std::unique_ptr<Block>> m_free;
    bool m_stopping = false;
};

}  // namespace

int ConversionThreads(const PreparedRun& run) {
    if (run.settings.lineLimit > 0 || run.outputWithheld) return 1;
    return ThreadCount(run.settings.threads);
}

void ConvertBlocks(PreparedRun& run, int threads, RunStatistics& statistics, RunState& state) {
    LineReader& input = *run.input;
    RunStop& stop = *run.stop;
    int64_t linesBefore = input.LinesRead();  // a reader handed over counts its caller's lines
    BlockCutter cutter(input);
    BlockPipeline pipeline(run, threads);
    for (;;) {
        std::unique_ptr<Block> block = pipeline.FreeBlock(statistics, state, linesBefore);
        if (state.cancelled) return;
        if (!cutter.Next(*block)) break;
        // A stop heard while this block was read ends the run at its first line, which its
        // worker still converts, as one thread converts the line it was reading.
        const bool stopped = stop.Requested();
        pipeline.Submit(std::move(block));
        if (stopped) break;
    }
    pipeline.WriteAll(statistics, state, linesBefore);
}

}  // namespace lathwell
