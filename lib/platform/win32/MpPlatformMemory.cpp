// The byte searches for a C library without memmem and memrchr: each candidate start found by
// memchr, then compared whole.
#include "MpPlatformMemory.h"

#include <cstring>

const void* MpPlatformFindBytes(const void* pHaystack, std::size_t ulHaystack, const void* pNeedle,
                                std::size_t ulNeedle) {
    if (ulNeedle == 0) return pHaystack;
    if (ulNeedle > ulHaystack) return nullptr;
    const unsigned char* pText = static_cast<const unsigned char*>(pHaystack);
    const unsigned char* pSought = static_cast<const unsigned char*>(pNeedle);
    const unsigned char* pLastStart = pText + (ulHaystack - ulNeedle);
    while (pText <= pLastStart) {
        const void* pHit = std::memchr(pText, pSought[0], static_cast<std::size_t>(pLastStart - pText) + 1);
        if (pHit == nullptr) return nullptr;
        const unsigned char* pAt = static_cast<const unsigned char*>(pHit);
        if (std::memcmp(pAt + 1, pSought + 1, ulNeedle - 1) == 0) return pAt;
        pText = pAt + 1;
    }
    return nullptr;
}

const void* MpPlatformFindLastByte(const void* pBytes, int iByte, std::size_t ulCount) {
    const unsigned char* pBegin = static_cast<const unsigned char*>(pBytes);
    for (const unsigned char* pAt = pBegin + ulCount; pAt != pBegin;) {
        if (*--pAt == static_cast<unsigned char>(iByte)) return pAt;
    }
    return nullptr;
}
