#include "MpAlloc.h"

#include <cstdio>
#include <limits>

#include "MpException.h"

namespace {

// The process-wide allocation reserve, or null.
char* g_pReserve = nullptr;

// Test seam: requests of at least this many bytes fail (see MpAllocationFailureScope).
int64_t g_llFailFromSize = std::numeric_limits<int64_t>::max();

[[noreturn]] void RaiseMemory(const char* pFormat, int32_t lSize) {
    MpReleaseAllocationReserve();
    char message[128];
    std::snprintf(message, sizeof message, pFormat, lSize);
    throw MpMemoryException(message);
}

char* TryAllocate(int32_t lSize) noexcept {
    if (MpAllocationMustFail(lSize)) return nullptr;
    return new (std::nothrow) char[static_cast<std::size_t>(lSize)];
}

}  // namespace

char* MpAllocate(int32_t lSize) {
    if (lSize < 0) RaiseMemory("Bad memory allocation request - tried to allocate %d bytes.", lSize);
    char* pBlock = TryAllocate(lSize);
    bool bFailed = pBlock == nullptr;
    if (!bFailed) {
        if (lSize != 0) pBlock[0] = '\0';
        if (g_pReserve == nullptr) {
            g_pReserve = TryAllocate(kMpAllocationReserveSize);
            bFailed = g_pReserve == nullptr;
        }
    }
    if (bFailed) {
        // The block is not handed out when only the reserve could not be had: nothing leaks.
        delete[] pBlock;
        RaiseMemory("Out of memory - tried to allocate %d bytes.", lSize);
    }
    return pBlock;
}

void MpReleaseAllocationReserve() noexcept {
    delete[] g_pReserve;
    g_pReserve = nullptr;
}

bool MpHasAllocationReserve() noexcept { return g_pReserve != nullptr; }

MpAllocationFailureScope::MpAllocationFailureScope(int64_t llMinimumSize) : m_llPrevious(g_llFailFromSize) {
    g_llFailFromSize = llMinimumSize;
}

MpAllocationFailureScope::~MpAllocationFailureScope() { g_llFailFromSize = m_llPrevious; }

bool MpAllocationMustFail(int64_t llSize) noexcept { return llSize >= g_llFailFromSize; }
