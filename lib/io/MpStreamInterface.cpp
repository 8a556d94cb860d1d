#include "MpStreamInterface.h"

#include <algorithm>
#include <cstring>

#include "MpException.h"
#include "MpString.h"

namespace {

// The first LF or CR among the ulCount bytes at pData, or null.
const char* FindLineEnd(const char* pData, uint32_t ulCount) {
    const char* pLineFeed = static_cast<const char*>(std::memchr(pData, '\n', ulCount));
    uint32_t ulBeforeLineFeed = pLineFeed != nullptr ? static_cast<uint32_t>(pLineFeed - pData) : ulCount;
    const char* pReturn = static_cast<const char*>(std::memchr(pData, '\r', ulBeforeLineFeed));
    return pReturn != nullptr ? pReturn : pLineFeed;
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

// The result is that of storing one byte at a time until ulSize - 1 bytes are stored, the
// stream ends, or the byte stored was LF or CR; buffered streams are scanned a stretch at a
// time instead.
uint32_t MpInputStreamInterface::ReadLine(char* pBuffer, uint32_t ulSize) {
    try {
        if (ulSize == 0) return 0;
        const uint32_t ulLimit = ulSize - 1;
        uint32_t ulStored = 0;
        char cLineEnd = '\0';  // the LF or CR stored last, if one ended the loop
        while (ulStored < ulLimit && cLineEnd == '\0') {
            const char* pData = nullptr;
            int32_t lAvailable = GetBufferedInput(pData);
            if (lAvailable < 0) {
                char c;
                if (Read(&c, 1, false) == 0) break;
                pBuffer[ulStored++] = c;
                if (c == '\n' || c == '\r') cLineEnd = c;
                continue;
            }
            if (lAvailable == 0) break;
            uint32_t ulScan = std::min(static_cast<uint32_t>(lAvailable), ulLimit - ulStored);
            const char* pLineEnd = FindLineEnd(pData, ulScan);
            uint32_t ulTake = pLineEnd != nullptr ? static_cast<uint32_t>(pLineEnd - pData) + 1 : ulScan;
            std::memcpy(pBuffer + ulStored, pData, ulTake);
            SkipBufferedInput(static_cast<int32_t>(ulTake));
            ulStored += ulTake;
            if (pLineEnd != nullptr) cLineEnd = *pLineEnd;
        }
        if (cLineEnd == '\r') {
            char cNext;
            if (!ReadByte(cNext) || cNext != '\n') {
                MpException::Raise("Return character not followed by newline; unknown end of line type",
                                   "MpInputStreamInterface");
            }
            pBuffer[ulStored - 1] = '\0';
            return ulStored + 1;
        }
        if (cLineEnd == '\n') {
            pBuffer[ulStored - 1] = '\0';
            return ulStored;
        }
        pBuffer[ulStored] = '\0';
        return ulStored;
    } catch (MpException& e) {
        e.AddCallpath("ReadLine()", "MpInputStreamInterface");
        throw;
    }
}

// A piece that reads 1023 bytes either filled the chunk with text (its byte 1022 is the last
// text byte, so the line goes on), or ended a 1022-byte line at LF (the LF at 1022 became the
// zero), or ended a 1021-byte line at CR LF (1022 is never written): the zero placed at 1022
// before the read tells them apart.
uint32_t MpInputStreamInterface::ReadLine(MpString& sLine) {
    try {
        sLine.Clear();
        uint32_t ulTotal = 0;
        uint32_t ulPiece;
        char chunk[1024];
        do {
            chunk[1022] = '\0';
            ulPiece = ReadLine(chunk, sizeof chunk);
            ulTotal += ulPiece;
            sLine.Append(chunk);
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
