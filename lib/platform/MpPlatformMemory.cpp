// The GNU C library's memmem and memrchr.
#include "MpPlatformMemory.h"

#include <string.h>

const void* MpPlatformFindBytes(const void* pHaystack, std::size_t ulHaystack, const void* pNeedle,
                                std::size_t ulNeedle) {
    return memmem(pHaystack, ulHaystack, pNeedle, ulNeedle);
}

const void* MpPlatformFindLastByte(const void* pBytes, int iByte, std::size_t ulCount) {
    return memrchr(pBytes, iByte, ulCount);
}
