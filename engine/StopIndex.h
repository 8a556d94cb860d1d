// StopIndex: where the LF, CR and NUL bytes of a line buffer lie, found ahead of the lines.
//
// The line reader asks for the first such stop at or after a place in its buffer. Instead of
// searching line by line, the index scans a whole span of the buffer at once (16 KiB, vector
// instructions, AVX2 where the processor has it, SSE2 otherwise) and writes the offsets of
// every stop in it; a line then costs one look at the next entry. A scan branches per 64
// bytes rather than per line, so short lines cost little more than long ones.
//
// The index holds offsets, not pointers: the owner calls Reset whenever the buffer's bytes move
// or are replaced. Bytes that were stops when indexed and have since been changed (blanked) are
// passed over, so changing a stop into another byte needs no Reset; adding one does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lathwell {

class StopIndex {
public:
    StopIndex();

    // Forgets every entry: the next Find indexes afresh from where it starts.
    void Reset() {
        m_next = 0;
        m_count = 0;
        m_indexedTo = 0;
    }

    // The offset of the first LF, CR or NUL in buffer[from, end), or end when there is none.
    // REQUIRES: the bytes of buffer[from, end) are unchanged since the last Reset, apart from
    // stops changed into other bytes; from never goes back between two Resets.
    size_t Find(const char* buffer, size_t from, size_t end) {
        for (;;) {
            while (m_next < m_count) {
                size_t stop = m_stops[m_next];
                // Entries behind from belong to lines already delivered.
                if (stop >= from && IsStop(static_cast<unsigned char>(buffer[stop]))) return stop;
                ++m_next;
            }
            if (!IndexSpan(buffer, from, end)) return end;
        }
    }

    static bool IsStop(unsigned char byte) { return byte == '\n' || byte == '\r' || byte == '\0'; }

    // Writes the offset of every stop of buffer[from, to) to stops in order and returns how
    // many, with the instructions this processor has; Scanners offers every variant
    // it can run, for tests that compare them.
    // REQUIRES: stops holds to - from + kSlack entries.
    static size_t Scan(const char* buffer, size_t from, size_t to, uint32_t* stops);
    using Scanner = size_t (*)(const char* buffer, size_t from, size_t to, uint32_t* stops);
    static std::vector<Scanner> Scanners();
    static constexpr size_t kSlack = 4;

private:
    // Indexes the next span at or after from; false when there is nothing left before end.
    bool IndexSpan(const char* buffer, size_t from, size_t end);

    std::unique_ptr<uint32_t[]> m_stops;  // not zeroed: every entry is written before it is read
    size_t m_next = 0;       // first entry not passed yet
    size_t m_count = 0;      // entries of the indexed span
    size_t m_indexedTo = 0;  // the entries cover the buffer up to here
};

}  // namespace lathwell
