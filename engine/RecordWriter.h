// RecordWriter: writes fixed-length records, each followed by its record end (CR LF unless
// told otherwise, see SetRecordEnd), to an output file.
//
// Records are gathered in one buffer owned by the writer and handed to the subclass (plain
// file through MpIO, gzip file through zlib, a fake in the tests) in large blocks. Every
// record is exactly the record length long, whatever text it is given.
//
// Close stores what is still buffered and closes the file, and raises when that fails; a
// writer destroyed without Close (after a failure elsewhere) stores and closes what it can and
// swallows failures, so the output keeps the records written before the failure. Abandon
// instead removes a file the writer's caller made for this output, before anything else, and
// closes it without storing or finishing anything: a stopped run leaves nothing behind that
// looks whole.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "RecordEnd.h"

namespace lathwell {

class RunStop;

class RecordWriter {
public:
    virtual ~RecordWriter() = default;
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    int32_t GetRecordLength() const { return m_recordLength; }

    // Writes one record: the first min(length, record length) bytes of text, blanks up to the
    // record length, then the record end.
    // REQUIRES: length >= 0.
    // Inline and in 16-byte moves of fixed size, which compile to single vector instructions:
    // this runs once per line, and two library calls of a few dozen bytes each cost more than
    // the copy itself.
    void WriteRecord(const char* text, int32_t length) {
        char* const record = NextRecord();
        // In locals: the byte stores below may alias any member, which the compiler would
        // otherwise reload after each of them.
        const size_t size = m_recordSize;
        const size_t copied = std::min(static_cast<size_t>(length), size);
        if (copied >= kMove) {
            size_t at = 0;
            for (; at + kMove < copied; at += kMove) std::memcpy(record + at, text + at, kMove);
            // The last move ends with the text and may overlap the one before.
            std::memcpy(record + copied - kMove, text + copied - kMove, kMove);
        } else {
            std::memcpy(record, text, copied);
        }
        // Blanks in whole moves; the last may run past the record into the slack, where the
        // CR LF and the next record overwrite it.
        for (size_t at = copied; at < size; at += kMove) std::memset(record + at, ' ', kMove);
        EndRecord(record, size);
    }

    // The place of the next record in the writer's block, for a caller that builds records
    // there rather than copy them in: record-length bytes to fill, and kScratchAfterRecord more
    // that the caller may write anything on (the record end and the next record overwrite
    // them). Raises MpException when storing the full block fails. Until CommitRecord the
    // record is not written: the next NextRecord or WriteRecord takes the same place.
    char* NextRecord() {
        if (m_used >= kBlockSize) FlushWholeBlocks();
        return m_buffer.get() + m_used;
    }
    // Ends the record that NextRecord placed with the record end; it then counts as written.
    void CommitRecord() { EndRecord(m_buffer.get() + m_used, m_recordSize); }
    static constexpr size_t kScratchAfterRecord = 32;

    // For lines of text rather than records (a CSV file): the first count bytes at
    // NextRecord's place count as written, as they are, with no record end added; the record
    // length is then the room for the longest line, its end included.
    // REQUIRES: count <= record length + 2.
    void CommitBytes(size_t count) { m_used += count; }

    // Writes count bytes that are whole records with their ends already (built by another
    // writer of the same record length and end), after the records written so far.
    void WriteRecords(const char* bytes, size_t count);

    // What follows each record from now on; CR LF until told otherwise.
    void SetRecordEnd(RecordEnd end) {
        m_endLength = RecordEndLength(end);
        m_endBytes[0] = RecordEndBytes(end)[0];
        m_endBytes[1] = RecordEndBytes(end)[1];
    }

    // Stores every buffered record and closes the file; raises MpException when that fails.
    void Close();

    // Removes the output file when the caller created or emptied it for this writer and it is
    // still the regular file under its name (never a device, a pipe, a symbolic link or a file
    // put in its place), while the writer still holds it (and its lock); then closes it without
    // storing what is buffered or finishing it. Nothing is written afterwards, and Close does
    // nothing. Raises MpException when removing the file fails; the file is closed all the same.
    void Abandon();

    // Whether the output is the file fileName, so that a run handed this writer can refuse to
    // write into its input or DD file. By default false: the run checks its own files by name.
    virtual bool IsFile(const char* /*fileName*/) const { return false; }

    // The run's stop, for a writer with threads of its own (gzip); the others are stopped by
    // the run's loop between two records.
    virtual void ShareStop(std::shared_ptr<const RunStop> /*stop*/) {}

protected:
    // REQUIRES: recordLength > 0.
    explicit RecordWriter(int32_t recordLength);

    // Subclass destructors call this: stores and closes what it can, swallowing failures.
    void CloseQuietly() noexcept;

    // Writes count bytes to the file; raises MpException when the file does not take them all.
    virtual void WriteBlock(const char* bytes, int64_t count) = 0;
    // Closes the file, releasing its handle even when it raises MpException because closing
    // failed. Called once.
    virtual void CloseFile() = 0;
    // Abandon's two steps: removing the file the caller made for the writer (by default there
    // is none), then releasing it without storing or finishing anything (by default CloseFile,
    // failures swallowed). Each is called at most once, and never after CloseFile.
    virtual void RemoveOwnFile() {}
    virtual void AbandonFile() noexcept;

    // Hands every buffered record to WriteBlock now.
    void Flush();

private:
    // Records are handed to the file in blocks of this size, a whole number of pages, so that
    // every write but the last covers whole pages of the file; a record may cross the end of a
    // block and is then carried over to the next. Not a power of two: Linux 6 (ext4 with large
    // folios) took two to five times the system time for multi-gigabyte outputs written in
    // blocks of 256 KiB or 1 MiB at offsets aligned to their size, and none of it for 252 KiB.
    static constexpr size_t kBlockSize = 252 * 1024;
    // WriteRecord moves this many bytes at a time; the buffer has as many to spare after the
    // last record.
    static constexpr size_t kMove = 16;
    static_assert(kMove <= kScratchAfterRecord, "moves stay within the scratch room");

    // Adds the record end after the size bytes of the record at record, the next place in the
    // block. Both bytes are always stored (the buffer has room after every record) and only
    // the end's own count is kept, so that no record end costs a branch.
    void EndRecord(char* record, size_t size) {
        record[size] = m_endBytes[0];
        record[size + 1] = m_endBytes[1];
        m_used += size + m_endLength;
    }
    // Hands over every whole block and moves what follows them to the front.
    void FlushWholeBlocks();

    const int32_t m_recordLength;
    const size_t m_recordSize;  // the record length as a size
    std::unique_ptr<char[]> m_buffer;  // not zeroed: its pages are touched only as records fill them
    size_t m_used = 0;
    bool m_closed = false;
    char m_endBytes[2] = {'\r', '\n'};
    size_t m_endLength = 2;
};

}  // namespace lathwell
