// Byte searches that the C library offers on some systems only (memmem, memrchr), with their
// fast bodies where it does.
#pragma once

#include <cstddef>

// The first occurrence of the ulNeedle bytes of pNeedle in the ulHaystack bytes of pHaystack,
// or nullptr. An empty needle is found at the start.
const void* MpPlatformFindBytes(const void* pHaystack, std::size_t ulHaystack, const void* pNeedle,
                                std::size_t ulNeedle);

// The last byte equal to (unsigned char) iByte in the ulCount bytes of pBytes, or nullptr.
const void* MpPlatformFindLastByte(const void* pBytes, int iByte, std::size_t ulCount);
