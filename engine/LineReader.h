// LineReader: splits the bytes of an input file into text lines for the conversion run.
//
// A subclass supplies the bytes in blocks of whatever size suits it (a plain file, a gzip file
// through zlib, a fake in the tests); lines may have any length and may cross
// any number of blocks. The reader owns one buffer that grows to hold the longest line and is
// then reused, so reading allocates nothing more once it has seen its longest line. A line is
// delivered where it lies in that buffer and never copied unless it crosses a block boundary.
// Its end of line and a NUL are looked up in a StopIndex, which finds them for many lines at
// once; with blanking on, the line is scanned once, blanking as it goes.
//
// Rules for every input:
//   - a line ends at LF or at CR LF; the end of line is never part of the text. A CR not
//     followed by LF is handled by the LoneCarriageReturn policy of the subclass;
//   - a last line without an end of line is delivered like any other;
//   - with blanking on, every byte of the text outside 32..126 (TAB, NUL, 127 and 128..255
//     included) becomes a blank, and the line says so;
//   - with blanking off, a NUL byte ends the line's text: the bytes after it up to the end of
//     line are dropped.
// Lines longer than 2147221502 bytes (2^31 - 1 less one read block and the NUL after the text)
// are refused. A line that grows the buffer beyond memory raises the library's
// MpMemoryException; growing never holds two copies of the line.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "MpResizableChunk.h"
#include "MpString.h"
#include "ReadWatch.h"
#include "StopIndex.h"

namespace lathwell {

class RunStop;

// What a CR that is not followed by LF means.
enum class LoneCarriageReturn {
    Refused,  // a failure, as MpIO's ReadLine reports it (plain files)
    EndsLine  // the end of the line; the byte after the CR starts the next line (gzip files)
};

// One line as delivered. text points into the reader's buffer, is followed by a NUL byte at
// text[length], and is valid until the next ReadLine.
struct TextLine {
    const char* text = nullptr;
    int32_t length = 0;
    // True when blanking replaced at least one byte of this line.
    bool blanked = false;
};

class LineReader {
public:
    virtual ~LineReader() = default;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Reads the next line into line and returns true, or returns false at the end of the
    // input (no byte was left). Raises MpException for a read failure, a refused lone CR
    // ("Return character not followed by newline; unknown end of line type") or an overlong
    // line.
    // Inline, as the scan and delivery it calls: this runs once per line of every input.
    bool ReadLine(TextLine& line) {
        char* textEnd = nullptr;
        char* next = nullptr;
        while (!ScanLine(textEnd, next)) {
            if (m_inputEnded) return DeliverLastLine(line);
            Refill();
        }
        Deliver(textEnd, next, line);
        return true;
    }

    // For a caller that finds the records or lines of the input itself (fixed-length records,
    // which may hold any byte; the blocks of a run on several threads): up to capacity of the
    // input's next bytes as they are, first those after the lines ReadLine delivered (a CSV
    // header); 0 at its end. They count as consumed for InputPosition. Raises MpException when
    // reading fails. No ReadLine follows it on one reader.
    // REQUIRES: capacity >= 8193.
    int32_t ReadBytes(char* destination, int32_t capacity);

    // How far the input has been consumed, for progress: by default the bytes of the lines
    // delivered so far, ends of line included. Compressed inputs report compressed bytes.
    virtual int64_t InputPosition() const { return m_movedOut + static_cast<int64_t>(m_begin); }

    // InputPosition once bytes of the input have been consumed, for a caller that consumes the
    // bytes ReadBytes gave it later: bytes itself, or for a compressed input its position now.
    virtual int64_t InputPositionAfter(int64_t bytes) const { return bytes; }

    // Size of the input on InputPosition's scale, for a run handed a reader that its caller
    // opened; 0 when it is unknown. A reader of a named file (SetFile) knows its file's size.
    virtual int64_t InputSize() const { return m_fileSize; }

    // Whether the input is the file fileName, so that a run handed this reader can refuse an
    // output that would overwrite it: for a reader of a named file (SetFile), by file identity;
    // otherwise false.
    virtual bool IsFile(const char* fileName) const;

    // Whether a compressed input turned out to hold plain text, read as it is.
    virtual bool IsPlainTextUnderCompressedName() const { return false; }

    // The run's stop, for a reader with a thread of its own that waits for input (gzip); the
    // others are stopped by the run's loop between two lines.
    virtual void ShareStop(std::shared_ptr<const RunStop> /*stop*/) {}

    // From now on tells watch of every block read and of every wait for input (see ReadWatch);
    // null: no one. The watch's answer after a block is left to the caller's own stop.
    void Watch(ReadWatch* watch) { m_watch = watch; }
    bool Watched() const { return m_watch != nullptr; }

    // Lines delivered so far, empty ones included: the number of the line last read.
    int64_t LinesRead() const { return m_linesRead; }

    // Switches blanking for the lines read from now on: a CSV header line is read as it is,
    // the data lines after it as the run's settings say.
    void SetBlankUnprintable(bool blankUnprintable) { m_blankUnprintable = blankUnprintable; }
    bool BlanksUnprintable() const { return m_blankUnprintable; }

    // What a CR not followed by LF means in this input.
    LoneCarriageReturn LoneCarriageReturnRule() const { return m_loneCr; }

protected:
    LineReader(LoneCarriageReturn loneCr, bool blankUnprintable);

    // Copies up to capacity bytes of the input into destination and returns how many; 0 means
    // the input has ended. Raises MpException when reading fails.
    // REQUIRES: capacity >= 8193.
    virtual int32_t ReadBlock(char* destination, int32_t capacity) = 0;

    // For a reader of the file called fileName, once it is open: notes its name and its size
    // on disk for IsFile and InputSize.
    void SetFile(const char* fileName);

    // For a subclass whose read waits for input: tells the watch that it still waits (the
    // position is that of the bytes read so far) and returns its answer; true without a watch.
    bool KeepWaiting();

    // Forgets every byte and line read and exchanges the reader's buffer with bytes: the next
    // ReadLine reads the first size bytes of the new buffer where they lie (it may blank them,
    // and write a NUL after a line), numbered from line 1, then asks ReadBlock for more. A
    // second call with the same chunk hands it back. For a subclass that holds the input's
    // bytes already (a block of lines of a run on several threads).
    // REQUIRES: size == 0 or size < bytes.GetSize().
    void RestartOn(MpResizableChunk& bytes, size_t size);

private:
    // Bytes asked of the subclass per read: large enough that reads cost little next to the
    // work on their bytes, small enough that a block is still in the cache when it is scanned.
    static constexpr size_t kReadBlock = 256 * 1024;
    // The buffer's size is a 32-bit quantity; the longest line leaves room for one more read
    // and the NUL after the text.
    static constexpr size_t kLargestBuffer = static_cast<size_t>(INT32_MAX);
    static constexpr size_t kLongestLine = kLargestBuffer - kReadBlock - 1;
    static constexpr size_t kNoNul = static_cast<size_t>(-1);

    // How far the input has been read, on InputPosition's scale: every byte taken from the
    // subclass, delivered or not (what the watch is told).
    int64_t ReadPosition() const { return InputPositionAfter(m_movedOut + static_cast<int64_t>(m_end)); }
    // Moves the unread bytes to the front of the buffer, grows it when they fill it, and reads
    // one more block after them; notes when the input has ended.
    void Refill();
    // Scans the line that starts at m_begin from where the last scan stopped, blanking or
    // noting a NUL on the way. Returns false when the buffer holds no complete line yet;
    // otherwise sets textEnd (first byte after the text) and next (first byte of the
    // following line).
    bool ScanLine(char*& textEnd, char*& next);
    // Hands over the line from m_begin to textEnd and moves on to next.
    void Deliver(char* textEnd, const char* next, TextLine& line);
    // At the end of the input: delivers what is left as the last line, or returns false.
    bool DeliverLastLine(TextLine& line);
    // Blanks every unprintable byte of [from, to) up to the first LF or CR and returns where
    // that is, or to; sets blanked when a byte was blanked.
    static char* BlankToLineEnd(char* from, char* to, bool& blanked);
    [[noreturn]] static void RaiseLineTooLong();
    [[noreturn]] static void RaiseLoneCarriageReturn();

    const LoneCarriageReturn m_loneCr;
    bool m_blankUnprintable;
    MpResizableChunk m_buffer;  // grown in place (realloc), never copied to a second block
    size_t m_begin = 0;         // first unread byte
    size_t m_end = 0;           // one past the last valid byte
    size_t m_scanned = 0;       // bytes from m_begin already scanned
    size_t m_nul;               // offset from m_begin of the line's first NUL, or kNoNul
    StopIndex m_stops;          // where the ends of line and NULs after m_begin lie
    bool m_lineBlanked = false;
    bool m_inputEnded = false;
    int64_t m_movedOut = 0;     // bytes of delivered lines moved out of the buffer's front
    int64_t m_linesRead = 0;
    ReadWatch* m_watch = nullptr;
    MpString m_fileName;  // empty unless SetFile named the file read
    int64_t m_fileSize = 0;
};

inline bool LineReader::ScanLine(char*& textEnd, char*& next) {
    char* const buffer = m_buffer.AsPtr();
    char* const begin = buffer + m_begin;
    char* const end = buffer + m_end;
    char* here = begin + m_scanned;
    for (;;) {
        if (m_blankUnprintable) {
            here = BlankToLineEnd(here, end, m_lineBlanked);
        } else {
            here = buffer + m_stops.Find(buffer, static_cast<size_t>(here - buffer), m_end);
            if (here < end && *here == '\0') {
                if (m_nul == kNoNul) m_nul = static_cast<size_t>(here - begin);
                ++here;
                continue;
            }
        }
        if (here == end) break;
        textEnd = here;
        next = here + 1;
        if (*here == '\n') return true;
        // A CR: what follows decides, so it must be in the buffer unless the input has ended.
        if (next == end && !m_inputEnded) break;
        if (next < end && *next == '\n') {
            ++next;
        } else if (m_loneCr == LoneCarriageReturn::Refused) {
            RaiseLoneCarriageReturn();
        }
        return true;
    }
    m_scanned = static_cast<size_t>(here - begin);
    return false;
}

inline void LineReader::Deliver(char* textEnd, const char* next, TextLine& line) {
    char* text = m_buffer.AsPtr() + m_begin;
    size_t length = std::min(static_cast<size_t>(textEnd - text), m_nul);
    if (length > kLongestLine) RaiseLineTooLong();
    text[length] = '\0';
    line.text = text;
    line.length = static_cast<int32_t>(length);
    line.blanked = m_lineBlanked;

    m_begin = static_cast<size_t>(next - m_buffer.AsPtr());
    m_scanned = 0;
    m_nul = kNoNul;
    m_lineBlanked = false;
    ++m_linesRead;
}

}  // namespace lathwell
