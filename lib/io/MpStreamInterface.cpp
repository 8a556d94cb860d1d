#include "MpStreamInterface.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "MpException.h"
#include "MpString.h"

namespace {

// The first LF, CR or zero byte among the ulCount bytes at pData, or null: one pass finds both
// where the line ends and where its text stops.
const char* FindLineByte(const char* pData, uint32_t ulCount) {
    uint32_t i = 0;
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= ulCount; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pData + i));
        __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeed), _mm_cmpeq_epi8(bytes, carriageReturn)),
                                    _mm_cmpeq_epi8(bytes, zero));
        int iMask = _mm_movemask_epi8(hits);
        if (iMask != 0) return pData + i + __builtin_ctz(static_cast<unsigned>(iMask));
    }
#endif
    for (; i < ulCount; ++i) {
        if (pData[i] == '\n' || pData[i] == '\r' || pData[i] == '\0') return pData + i;
    }
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// MpInputStreamInterface
// ---------------------------------------------------------------------------------------------

MpInputStreamInterface::~MpInputStreamInterface() {}

int32_t MpInputStreamInterface::GetBufferedInput(const char*& pData) {
    pData = nullptr;
    return -1;
}

void MpInputStreamInterface::SkipBufferedInput(int32_t) {}

bool MpInputStreamInterface::ReadByte(char& c) {
    const char* pData = nullptr;
    int32_t lAvailable = GetBufferedInput(pData);
    if (lAvailable < 0) return Read(&c, 1, false) == 1;
    if (lAvailable == 0) return false;
    c = *pData;
    SkipBufferedInput(1);
    return true;
}

uint32_t MpInputStreamInterface::ReadLine(char* pBuffer, uint32_t ulSize) {
    try {
        uint32_t ulTextLength;
        return ReadLinePiece(pBuffer, ulSize, ulTextLength);
    } catch (MpException& e) {
        e.AddCallpath("ReadLine()", "MpInputStreamInterface");
        throw;
    }
}

// The result is that of storing one byte at a time until ulSize - 1 bytes are stored, the
// stream ends, or the byte stored was LF or CR; buffered streams are scanned a stretch at a
// time instead.
uint32_t MpInputStreamInterface::ReadLinePiece(char* pBuffer, uint32_t ulSize, uint32_t& ulTextLength) {
    ulTextLength = 0;
    if (ulSize == 0) return 0;
    const uint32_t ulLimit = ulSize - 1;
    uint32_t ulStored = 0;
    bool bZeroStored = false;
    char cLineEnd = '\0';  // the LF or CR stored last, if one ended the loop
    while (ulStored < ulLimit && cLineEnd == '\0') {
        const char* pData = nullptr;
        int32_t lAvailable = GetBufferedInput(pData);
        if (lAvailable < 0) {
            char c;
            if (Read(&c, 1, false) == 0) break;
            if (c == '\0' && !bZeroStored) {
                bZeroStored = true;
                ulTextLength = ulStored;
            }
            pBuffer[ulStored++] = c;
            if (c == '\n' || c == '\r') cLineEnd = c;
            continue;
        }
        if (lAvailable == 0) break;
        uint32_t ulScan = std::min(static_cast<uint32_t>(lAvailable), ulLimit - ulStored);
        const char* pStop = FindLineByte(pData, ulScan);
        uint32_t ulTake = pStop != nullptr ? static_cast<uint32_t>(pStop - pData) + 1 : ulScan;
        std::memcpy(pBuffer + ulStored, pData, ulTake);
        SkipBufferedInput(static_cast<int32_t>(ulTake));
        ulStored += ulTake;
        if (pStop == nullptr) continue;
        if (*pStop != '\0') {
            cLineEnd = *pStop;
        } else if (!bZeroStored) {
            bZeroStored = true;
            ulTextLength = ulStored - 1;
        }
    }
    uint32_t ulCount = ulStored;
    if (cLineEnd == '\r') {
        char cNext;
        if (!ReadByte(cNext) || cNext != '\n') {
            MpException::Raise("Return character not followed by newline; unknown end of line type",
                               "MpInputStreamInterface");
        }
        ++ulCount;
    }
    // The line end becomes the terminating zero; without one the zero goes after the bytes.
    uint32_t ulEnd = cLineEnd != '\0' ? ulStored - 1 : ulStored;
    pBuffer[ulEnd] = '\0';
    if (!bZeroStored) ulTextLength = ulEnd;
    return ulCount;
}

// A piece that reads 1023 bytes either filled the chunk with text (its byte 1022 is the last
// text byte, so the line goes on), or ended a 1022-byte line at LF (the LF at 1022 became the
// zero), or ended a 1021-byte line at CR LF (1022 is never written): the zero placed at 1022
// before the read tells them apart. Each piece adds its text up to its first zero byte.
uint32_t MpInputStreamInterface::ReadLine(MpString& sLine) {
    try {
        sLine.Clear();
        uint32_t ulTotal = 0;
        uint32_t ulPiece;
        char chunk[1024];
        do {
            chunk[1022] = '\0';
            uint32_t ulTextLength;
            try {
                ulPiece = ReadLinePiece(chunk, sizeof chunk, ulTextLength);
            } catch (MpException& e) {
                e.AddCallpath("ReadLine()", "MpInputStreamInterface");
                throw;
            }
            ulTotal += ulPiece;
            sLine.AppendBytes(chunk, ulTextLength);
        } while (ulPiece == 1023 && chunk[1022] != '\0');
        return ulTotal;
    } catch (MpException& e) {
        e.AddCallpath("ReadLine()", "MPInputStreamInterface");
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// MpOutputStreamInterface
// ---------------------------------------------------------------------------------------------

MpOutputStreamInterface::~MpOutputStreamInterface() {}

void MpOutputStreamInterface::WriteLine(const char* pText) {
    try {
        Write(pText, static_cast<int32_t>(std::strlen(pText)));
        Write("\r\n", 2);
    } catch (MpException& e) {
        e.AddCallpath("WriteLine()", "MpOutputStreamInterface");
        throw;
    }
}
