#include "LineReader.h"

#include <cstring>
#include <limits>

#include "MpException.h"

namespace lathwell {

namespace {

// Room added to the buffer whenever it is grown or refilled. Large blocks keep the number of
// reads and moves per byte small.
constexpr size_t kBlockRoom = 256 * 1024;
constexpr size_t kLongestLine = std::numeric_limits<int32_t>::max();

const char* FindLineEndByte(const char* from, const char* to) {
    size_t count = static_cast<size_t>(to - from);
    if (count == 0) return nullptr;
    const char* lf = static_cast<const char*>(std::memchr(from, '\n', count));
    size_t beforeLf = lf != nullptr ? static_cast<size_t>(lf - from) : count;
    const char* cr = static_cast<const char*>(std::memchr(from, '\r', beforeLf));
    return cr != nullptr ? cr : lf;
}

[[noreturn]] void RaiseLineTooLong() {
    MpException::RaiseFormatted("Input line longer than %d bytes", "LineReader", static_cast<int32_t>(kLongestLine));
}

}  // namespace

LineReader::LineReader(LoneCarriageReturn loneCr, bool blankUnprintable)
    : m_loneCr(loneCr), m_blankUnprintable(blankUnprintable) {}

bool LineReader::ReadLine(TextLine& line) {
    for (;;) {
        const char* textEnd = nullptr;
        const char* next = nullptr;
        if (FindLineEnd(textEnd, next)) {
            Deliver(const_cast<char*>(textEnd), next, line);
            return true;
        }
        if (m_inputEnded) {
            if (m_begin == m_end) return false;
            // The last line has no end of line.
            Deliver(m_buffer.data() + m_end, m_buffer.data() + m_end, line);
            return true;
        }
        Refill();
    }
}

bool LineReader::FindLineEnd(const char*& textEnd, const char*& next) const {
    const char* begin = m_buffer.data() + m_begin;
    const char* end = m_buffer.data() + m_end;
    const char* found = FindLineEndByte(begin + m_scanned, end);
    if (found == nullptr) return false;
    if (*found == '\n') {
        textEnd = found;
        next = found + 1;
        return true;
    }
    // A CR: what follows decides, so it must be in the buffer unless the input has ended.
    if (found + 1 == end && !m_inputEnded) return false;
    if (found + 1 < end && found[1] == '\n') {
        textEnd = found;
        next = found + 2;
        return true;
    }
    if (m_loneCr == LoneCarriageReturn::Refused) {
        MpException error("Return character not followed by newline; unknown end of line type",
                          "MpInputStreamInterface");
        error.AddCallpath("ReadLine()", "MpInputStreamInterface");
        throw error;
    }
    textEnd = found;
    next = found + 1;
    return true;
}

void LineReader::Deliver(char* textEnd, const char* next, TextLine& line) {
    char* text = m_buffer.data() + m_begin;
    size_t length = static_cast<size_t>(textEnd - text);
    if (length > kLongestLine) RaiseLineTooLong();
    line.blanked = false;
    if (m_blankUnprintable) {
        for (size_t i = 0; i < length; ++i) {
            unsigned char byte = static_cast<unsigned char>(text[i]);
            if (byte < 32 || byte > 126) {
                text[i] = ' ';
                line.blanked = true;
            }
        }
    } else if (const void* nul = std::memchr(text, '\0', length)) {
        length = static_cast<size_t>(static_cast<const char*>(nul) - text);
    }
    text[length] = '\0';
    line.text = text;
    line.length = static_cast<int32_t>(length);

    size_t nextOffset = static_cast<size_t>(next - m_buffer.data());
    m_consumed += static_cast<int64_t>(nextOffset - m_begin);
    m_begin = nextOffset;
    m_scanned = 0;
    ++m_linesRead;
}

void LineReader::Refill() {
    size_t pending = m_end - m_begin;
    // Everything pending has been searched, except a final CR whose follower is still unknown.
    m_scanned = pending > 0 && m_buffer[m_end - 1] == '\r' ? pending - 1 : pending;
    if (pending > kLongestLine) RaiseLineTooLong();
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, pending);
        m_begin = 0;
        m_end = pending;
    }
    // One byte stays free after the data for the NUL that ends a last line.
    if (m_buffer.size() < pending + kBlockRoom) m_buffer.resize(pending + kBlockRoom);
    size_t room = m_buffer.size() - m_end - 1;
    if (room > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        room = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    }
    int32_t got = ReadBlock(m_buffer.data() + m_end, static_cast<int32_t>(room));
    if (got == 0) m_inputEnded = true;
    m_end += static_cast<size_t>(got);
}

}  // namespace lathwell
