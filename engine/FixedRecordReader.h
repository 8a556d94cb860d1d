// FixedRecordReader: finds the records of a fixed-length file, whatever bytes they hold, for
// checking them or reading them back.
//
// With a record end (CR LF or LF), a record is every byte up to the next LF; a CR just before
// the LF belongs to the end. So a record cut short, or one with a byte too many, stays one
// record and the records after it are found where they are. The end that was found is reported
// when it is not the one expected: LF alone where CR LF was expected, CR LF where LF was, or
// none at all after the last record. A record that has no LF within its first bytes (the
// record length and 64 KiB more) is delivered as those bytes, marked overlong, and the rest up
// to its LF is passed over, so memory stays flat on any input.
// Without a record end (None), a record is the next record-length bytes; the last one may be
// shorter.
//
// The reader owns its source and one buffer; a record points into that buffer and is valid
// until the next call of Next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "LineReader.h"
#include "RecordEnd.h"

namespace lathwell {

// How a record ended, when not as expected.
enum class RecordEndFault {
    None,       // as expected (or no record end is expected)
    LfNotCrLf,  // LF alone, where CR LF was expected
    CrLfNotLf,  // CR LF, where LF alone was expected
    Missing,    // the input ended without one
};

struct FixedRecord {
    const char* bytes = nullptr;  // the record without its end
    size_t length = 0;
    RecordEndFault endFault = RecordEndFault::None;
    bool overlong = false;  // no LF within the first length bytes; the rest was passed over
    int64_t number = 0;     // 1-based
};

class FixedRecordReader {
public:
    // REQUIRES: source is a reader no line was read from; recordLength > 0.
    FixedRecordReader(std::unique_ptr<LineReader> source, int32_t recordLength, RecordEnd end);

    // Sets record to the next record and returns true, or returns false at the end of the
    // input. Raises the source's MpException when reading fails.
    bool Next(FixedRecord& record);

    // The input's watch (see LineReader::Watch).
    void Watch(ReadWatch* watch) { m_source->Watch(watch); }

    // Whether a compressed input turned out to hold plain text, read as it is.
    bool IsPlainTextUnderCompressedName() const { return m_source->IsPlainTextUnderCompressedName(); }

private:
    static constexpr size_t kReadBlock = 256 * 1024;
    static constexpr size_t kSlack = 64 * 1024;

    // Moves the unread bytes to the front and reads one more block after them; false when the
    // input has ended.
    bool Refill();
    bool NextBlock(FixedRecord& record);
    bool NextLine(FixedRecord& record);
    // Drops the bytes up to and including the next LF, reading on as far as needed.
    void PassOverLine();

    std::unique_ptr<LineReader> m_source;
    const size_t m_recordLength;
    const RecordEnd m_recordEnd;
    const size_t m_longestRecord;
    const size_t m_capacity;
    std::unique_ptr<char[]> m_buffer;  // not zeroed: its pages are touched only as the input fills them
    size_t m_begin = 0;                // first byte of the next record
    size_t m_end = 0;                  // one past the last byte read
    bool m_ended = false;
    bool m_passOver = false;  // the record delivered last was overlong: skip to its LF first
    int64_t m_records = 0;
};

}  // namespace lathwell
