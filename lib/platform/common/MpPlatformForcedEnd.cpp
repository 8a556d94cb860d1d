#include "MpPlatformForcedEnd.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "MpPlatformFile.h"
#include "MpPlatformSignal.h"

namespace {

// The file a forced end removes: its descriptor (-1 for none) guards the name, which is written
// only while the descriptor is -1. The handler may run on any thread. Long enough for any path
// either system opens by name.
std::atomic<int> g_forcedEndDescriptor{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read by the signal handler");
char g_forcedEndPath[4096];

}  // namespace

void MpPlatformRemoveForcedEndFile() {
    const int iDescriptor = g_forcedEndDescriptor.load();
    if (iDescriptor < 0) return;
    const int iSavedError = errno;
    MpPlatformRemoveFileIfOpen(g_forcedEndPath, iDescriptor);
    errno = iSavedError;
}

bool MpPlatformRemoveOnForcedEnd(const char* pPath, int iDescriptor) {
    g_forcedEndDescriptor.store(-1);
    if (pPath == nullptr || std::strlen(pPath) >= sizeof g_forcedEndPath) return false;
    std::strcpy(g_forcedEndPath, pPath);
    g_forcedEndDescriptor.store(iDescriptor);
    return true;
}

void MpPlatformKeepOnForcedEnd(int iDescriptor) {
    int iExpected = iDescriptor;
    g_forcedEndDescriptor.compare_exchange_strong(iExpected, -1);
}
