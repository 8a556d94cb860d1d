#include "MpPlatformSignal.h"

#include <errno.h>
#include <pthread.h>
#include <limits.h>
#include <signal.h>

#include <atomic>
#include <cstring>
#include <initializer_list>

#include "MpPlatformFile.h"

namespace {

// Written by the handler only; an atomic signal-safe type (int on the systems built for, which
// the record's readers rely on).
volatile sig_atomic_t g_caughtSignal = 0;
static_assert(sizeof(sig_atomic_t) == sizeof(int), "the record is read as an int");

// The file a forced end removes: its descriptor (-1 for none) guards the name, which is written
// only while the descriptor is -1. The handler may run on any thread.
std::atomic<int> g_forcedEndDescriptor{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read by the signal handler");
char g_forcedEndPath[PATH_MAX];

void RecordStopSignal(int signalNumber) {
    if (g_caughtSignal == 0) {
        g_caughtSignal = signalNumber;
        return;
    }
    // The user asked twice: the job did not stop in time (it may be waiting for input). The
    // output it made goes first, as the job would have removed it.
    if (signalNumber != SIGPIPE) {
        const int descriptor = g_forcedEndDescriptor.load();
        if (descriptor >= 0) {
            const int savedError = errno;
            MpPlatformRemoveFileIfOpen(g_forcedEndPath, descriptor);
            errno = savedError;
        }
        signal(signalNumber, SIG_DFL);
        raise(signalNumber);
    }
}

}  // namespace

bool MpPlatformCatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = RecordStopSignal;
    // No SA_RESTART: a read that waits for input returns at the first stop.
    action.sa_flags = 0;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        if (sigaction(signalNumber, &action, nullptr) != 0) return false;
    }
    return true;
}

const volatile int* MpPlatformCaughtStopSignalRecord() { return &g_caughtSignal; }

bool MpPlatformStopRequested() { return g_caughtSignal != 0 && g_caughtSignal != SIGPIPE; }

void MpPlatformHoldBackStopSignals(bool bHoldBack) {
    sigset_t stops;
    sigemptyset(&stops);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&stops, signalNumber);
    pthread_sigmask(bHoldBack ? SIG_BLOCK : SIG_UNBLOCK, &stops, nullptr);
}

bool MpPlatformRemoveOnForcedEnd(const char* pPath, int iDescriptor) {
    g_forcedEndDescriptor.store(-1);
    if (pPath == nullptr || std::strlen(pPath) >= sizeof g_forcedEndPath) return false;
    std::strcpy(g_forcedEndPath, pPath);
    g_forcedEndDescriptor.store(iDescriptor);
    return true;
}

void MpPlatformKeepOnForcedEnd(int iDescriptor) {
    int expected = iDescriptor;
    g_forcedEndDescriptor.compare_exchange_strong(expected, -1);
}

int MpPlatformInterruptSignal() { return SIGINT; }
int MpPlatformTerminateSignal() { return SIGTERM; }
int MpPlatformHangUpSignal() { return SIGHUP; }
int MpPlatformBrokenPipeSignal() { return SIGPIPE; }
