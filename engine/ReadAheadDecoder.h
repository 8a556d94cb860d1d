// ReadAheadDecoder: runs a GzipStreamDecoder on a thread of its own, a few blocks ahead of
// the reader, so that inflating the input overlaps the conversion of what was inflated before.
//
// The decoder thread fills a fixed ring of blocks and waits when they are all full, so memory
// does not grow with the input. Read hands the blocks' bytes over in order; a failure of the
// decoder is raised by Read at the point of the stream where it happened, after every byte
// decoded before it.
//
// Nobody waits for the input's producer beyond a stop or a failure: while Read waits for a block
// it notices the run's stop (raising "Reading <name> stopped"), the decoder's thread reads no
// further block once the stop is set, and the
// destructor lets a decoder thread that is still waiting for input (a FIFO or pipe held open)
// end on its own, owning what it uses, instead of waiting for it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "GzipStreamDecoder.h"

namespace lathwell {

class RunStop;

class ReadAheadDecoder {
public:
    // name: the input, for the message of a stop.
    ReadAheadDecoder(std::unique_ptr<GzipStreamDecoder> decoder, const char* name);
    ~ReadAheadDecoder();
    ReadAheadDecoder(const ReadAheadDecoder&) = delete;
    ReadAheadDecoder& operator=(const ReadAheadDecoder&) = delete;

    // Copies up to capacity uncompressed bytes into destination and returns how many; 0 at the
    // end of the stream. Raises the decoder's MpException where the stream failed. While it
    // waits for a block, keepWaiting (when given) is asked every ReadWatch tick; its false ends
    // the wait as a stop does.
    // REQUIRES: capacity > 0.
    int32_t Read(char* destination, int32_t capacity, const std::function<bool()>& keepWaiting = {});

    // The run's stop, seen from now on instead of the process's stop signals alone.
    void ShareStop(std::shared_ptr<const RunStop> stop);

    // Compressed bytes consumed for the bytes handed over so far.
    int64_t CompressedPosition() const { return m_position; }

    // Whether the bytes handed over so far were not compressed (see GzipStreamDecoder).
    bool IsPlainText() const { return m_plainText; }

private:
    struct Shared;

    // Waits for the next block of the ring; false once the stream has ended.
    bool TakeNextBlock(const std::function<bool()>& keepWaiting);

    // What the decoder thread uses: it keeps it alive for as long as it runs.
    std::shared_ptr<Shared> m_shared;
    const std::string m_name;
    // The consumer's side.
    size_t m_taken = 0;    // blocks handed to the reader, the current one included
    int32_t m_offset = 0;  // bytes of the current block handed over
    bool m_ended = false;
    int64_t m_position = 0;
    bool m_plainText = false;
};

}  // namespace lathwell
