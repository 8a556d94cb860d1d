#include "RecordWriter.h"

#include <algorithm>
#include <cstring>

#include "MpException.h"

namespace lathwell {

namespace {

// The file system's page: WriteRecords writes whole ones.
constexpr size_t kPage = 4096;

}  // namespace

RecordWriter::RecordWriter(int32_t recordLength)
    : m_recordLength(recordLength),
      m_recordSize(static_cast<size_t>(recordLength)),
      m_buffer(new char[kBlockSize + static_cast<size_t>(recordLength) + 2 + kScratchAfterRecord]) {}

void RecordWriter::FlushWholeBlocks() {
    size_t whole = m_used / kBlockSize * kBlockSize;
    size_t rest = m_used - whole;
    // As in Flush, the blocks count as handed over even when writing them fails.
    m_used = 0;
    WriteBlock(m_buffer.get(), static_cast<int64_t>(whole));
    std::memmove(m_buffer.get(), m_buffer.get() + whole, rest);
    m_used = rest;
}

void RecordWriter::WriteRecords(const char* bytes, size_t count) {
    static_assert(kBlockSize % kPage == 0, "a block is whole pages");
    if (count >= kBlockSize) {
        // Every write so far covered whole pages: the buffer is topped up to the next page
        // boundary and handed over, then the whole pages of bytes go to the file from where they
        // are, without a copy, and only the part of a page after them is kept.
        if (m_used >= kBlockSize) FlushWholeBlocks();
        const size_t fill = std::min(count, (kPage - m_used % kPage) % kPage);
        std::memcpy(m_buffer.get() + m_used, bytes, fill);
        m_used += fill;
        bytes += fill;
        count -= fill;
        Flush();
        const size_t pages = count / kPage * kPage;
        if (pages > 0) WriteBlock(bytes, static_cast<int64_t>(pages));
        bytes += pages;
        count -= pages;
    }
    while (count > 0) {
        if (m_used >= kBlockSize) FlushWholeBlocks();
        const size_t part = std::min(count, kBlockSize - m_used);
        std::memcpy(m_buffer.get() + m_used, bytes, part);
        m_used += part;
        bytes += part;
        count -= part;
    }
}

void RecordWriter::Flush() {
    // The block counts as handed over even when writing it fails, so a writer closed after a
    // failure does not write it twice.
    size_t used = m_used;
    m_used = 0;
    if (used > 0) WriteBlock(m_buffer.get(), static_cast<int64_t>(used));
}

void RecordWriter::Close() {
    if (m_closed) return;
    try {
        Flush();
    } catch (...) {
        CloseQuietly();
        throw;
    }
    m_closed = true;
    CloseFile();
}

void RecordWriter::Abandon() {
    if (m_closed) return;
    m_closed = true;
    m_used = 0;
    try {
        RemoveOwnFile();
    } catch (...) {
        AbandonFile();
        throw;
    }
    AbandonFile();
}

void RecordWriter::AbandonFile() noexcept {
    try {
        CloseFile();
    } catch (...) {
        // Nothing of the output is kept; a failure to close it changes nothing.
    }
}

void RecordWriter::CloseQuietly() noexcept {
    if (m_closed) return;
    m_closed = true;
    try {
        Flush();
    } catch (...) {
        // The failure that ended the run has been reported already.
    }
    try {
        CloseFile();
    } catch (...) {
    }
}

}  // namespace lathwell
