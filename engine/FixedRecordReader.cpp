#include "FixedRecordReader.h"

#include <algorithm>
#include <cstring>

namespace lathwell {

FixedRecordReader::FixedRecordReader(std::unique_ptr<LineReader> source, int32_t recordLength, RecordEnd end)
    : m_source(std::move(source)),
      m_recordLength(static_cast<size_t>(recordLength)),
      m_recordEnd(end),
      m_longestRecord(static_cast<size_t>(recordLength) + kSlack),
      m_capacity(m_longestRecord + 2 + kReadBlock),
      m_buffer(new char[m_capacity]) {}

bool FixedRecordReader::Refill() {
    if (m_ended) return false;
    const size_t unread = m_end - m_begin;
    std::memmove(m_buffer.get(), m_buffer.get() + m_begin, unread);
    m_begin = 0;
    m_end = unread;
    const size_t room = std::min(kReadBlock, m_capacity - m_end);
    const int32_t count = m_source->ReadBytes(m_buffer.get() + m_end, static_cast<int32_t>(room));
    m_end += static_cast<size_t>(count);
    m_ended = count == 0;
    return !m_ended;
}

bool FixedRecordReader::Next(FixedRecord& record) {
    if (m_passOver) PassOverLine();
    const bool found = m_recordEnd == RecordEnd::None ? NextBlock(record) : NextLine(record);
    if (found) record.number = ++m_records;
    return found;
}

bool FixedRecordReader::NextBlock(FixedRecord& record) {
    while (m_end - m_begin < m_recordLength && Refill()) {
    }
    const size_t length = std::min(m_end - m_begin, m_recordLength);
    if (length == 0) return false;
    record.bytes = m_buffer.get() + m_begin;
    record.length = length;
    record.endFault = RecordEndFault::None;
    record.overlong = false;
    m_begin += length;
    return true;
}

bool FixedRecordReader::NextLine(FixedRecord& record) {
    // The LF of a record that is not overlong lies within its first m_longestRecord + 1 bytes.
    const size_t window = m_longestRecord + 1;
    size_t scanned = 0;
    const char* lf = nullptr;
    for (;;) {
        const size_t available = std::min(m_end - m_begin, window);
        lf = static_cast<const char*>(
            std::memchr(m_buffer.get() + m_begin + scanned, '\n', available - scanned));
        scanned = available;
        if (lf != nullptr || scanned == window || !Refill()) break;
    }
    char* const begin = m_buffer.get() + m_begin;
    record.overlong = false;
    record.endFault = RecordEndFault::None;
    size_t length;
    if (lf != nullptr) {
        length = static_cast<size_t>(lf - begin);
        m_begin += length + 1;
    } else if (scanned == window) {
        length = m_longestRecord;
        record.overlong = true;
        m_passOver = true;
        m_begin += length;
    } else {
        length = scanned;
        if (length == 0) return false;
        record.endFault = RecordEndFault::Missing;
        m_begin += length;
    }
    const bool endsInCr = length > 0 && begin[length - 1] == '\r';
    if (lf != nullptr) {
        if (m_recordEnd == RecordEnd::CrLf && !endsInCr) record.endFault = RecordEndFault::LfNotCrLf;
        if (m_recordEnd == RecordEnd::Lf && endsInCr) record.endFault = RecordEndFault::CrLfNotLf;
    }
    // A CR before the LF, or at the very end of the input, is part of the end.
    if (endsInCr && !record.overlong) --length;
    record.bytes = begin;
    record.length = length;
    return true;
}

void FixedRecordReader::PassOverLine() {
    m_passOver = false;
    for (;;) {
        const char* from = m_buffer.get() + m_begin;
        const char* lf = static_cast<const char*>(std::memchr(from, '\n', m_end - m_begin));
        if (lf != nullptr) {
            m_begin += static_cast<size_t>(lf - from) + 1;
            return;
        }
        m_begin = m_end;
        if (!Refill()) return;
    }
}

}  // namespace lathwell
