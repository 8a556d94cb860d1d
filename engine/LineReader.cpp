#include "LineReader.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "MpException.h"
#include "MpIOInterface.h"
#include "SameFile.h"

namespace lathwell {

bool LineReader::IsFile(const char* fileName) const {
    return !m_fileName.IsEmpty() && IsSameFile(m_fileName.GetCString(), fileName);
}

void LineReader::SetFile(const char* fileName) {
    m_fileName = fileName;
    m_fileSize = MpIOInterface::GetFileSizeByName(fileName);
}

namespace {

bool IsUnprintable(unsigned char byte) { return byte < 32 || byte > 126; }

}  // namespace

// Sixteen bytes at a time where the processor allows, so a line full of unprintable bytes
// costs no more than a clean one.
char* LineReader::BlankToLineEnd(char* from, char* to, bool& blanked) {
#ifdef __SSE2__
    const __m128i blank = _mm_set1_epi8(' ');
    while (to - from >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                                    _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
        // As signed bytes, 128..255 are negative and so below 32 as well.
        __m128i unprintable =
            _mm_or_si128(_mm_cmplt_epi8(bytes, blank), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(127)));
        unsigned endMask = static_cast<unsigned>(_mm_movemask_epi8(ends));
        if (endMask == 0) {
            if (_mm_movemask_epi8(unprintable) != 0) {
                _mm_storeu_si128(
                    reinterpret_cast<__m128i*>(from),
                    _mm_or_si128(_mm_andnot_si128(unprintable, bytes), _mm_and_si128(unprintable, blank)));
                blanked = true;
            }
            from += 16;
            continue;
        }
        to = from + __builtin_ctz(endMask);
        break;
    }
#endif
    for (; from < to; ++from) {
        if (*from == '\n' || *from == '\r') return from;
        if (IsUnprintable(static_cast<unsigned char>(*from))) {
            *from = ' ';
            blanked = true;
        }
    }
    return from;
}

void LineReader::RaiseLineTooLong() {
    MpException::RaiseFormatted("Input line longer than %d bytes", "LineReader", static_cast<int32_t>(kLongestLine));
}

void LineReader::RaiseLoneCarriageReturn() {
    MpException error("Return character not followed by newline; unknown end of line type", "MpInputStreamInterface");
    error.AddCallpath("ReadLine()", "MpInputStreamInterface");
    throw error;
}

LineReader::LineReader(LoneCarriageReturn loneCr, bool blankUnprintable)
    : m_loneCr(loneCr), m_blankUnprintable(blankUnprintable), m_nul(kNoNul) {}

int32_t LineReader::ReadBytes(char* destination, int32_t capacity) {
    if (m_begin < m_end) {
        const size_t count = std::min(m_end - m_begin, static_cast<size_t>(capacity));
        std::memcpy(destination, m_buffer.AsPtr() + m_begin, count);
        m_begin += count;
        return static_cast<int32_t>(count);
    }
    const int32_t got = ReadBlock(destination, capacity);
    m_movedOut += got;
    if (got > 0 && m_watch != nullptr) m_watch->GoOn(ReadPosition());
    return got;
}

bool LineReader::KeepWaiting() {
    return m_watch == nullptr || m_watch->GoOn(ReadPosition());
}

void LineReader::RestartOn(MpResizableChunk& bytes, size_t size) {
    m_buffer.Swap(bytes);
    m_stops.Reset();
    m_begin = m_scanned = 0;
    m_end = size;
    m_nul = kNoNul;
    m_lineBlanked = false;
    m_inputEnded = false;
    m_movedOut = 0;
    m_linesRead = 0;
}

bool LineReader::DeliverLastLine(TextLine& line) {
    if (m_begin == m_end) return false;
    // The last line has no end of line.
    char* end = m_buffer.AsPtr() + m_end;
    Deliver(end, end, line);
    return true;
}

void LineReader::Refill() {
    size_t pending = m_end - m_begin;
    if (pending > kLongestLine) RaiseLineTooLong();
    // The buffer's bytes move or grow: the index starts again where the scan stopped.
    m_stops.Reset();
    if (m_begin > 0) {
        // Only the start of a line that the block cut off is moved.
        std::memmove(m_buffer.AsPtr(), m_buffer.AsPtr() + m_begin, pending);
        m_movedOut += static_cast<int64_t>(m_begin);
        m_begin = 0;
        m_end = pending;
    }
    // One byte stays free after the data for the NUL that ends a last line.
    size_t size = static_cast<size_t>(m_buffer.GetSize());
    size_t needed = pending + kReadBlock + 1;
    if (size < needed) {
        // Grown by half at least, so a long line costs few reallocations; the bytes added are
        // not touched before a read fills them, so memory follows the line, not the buffer.
        size_t grown = std::min(kLargestBuffer, std::max(needed, size + size / 2));
        m_buffer.Resize(static_cast<int32_t>(grown));
    }
    int32_t got = ReadBlock(m_buffer.AsPtr() + m_end, static_cast<int32_t>(kReadBlock));
    if (got == 0) m_inputEnded = true;
    m_end += static_cast<size_t>(got);
    if (got > 0 && m_watch != nullptr) m_watch->GoOn(ReadPosition());
}

}  // namespace lathwell
