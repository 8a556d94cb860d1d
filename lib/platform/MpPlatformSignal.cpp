#include "MpPlatformSignal.h"

#include <pthread.h>
#include <signal.h>

#include <initializer_list>

#include "common/MpPlatformForcedEnd.h"

namespace {

// Written by the handler only; an atomic signal-safe type (int on the systems built for, which
// the record's readers rely on).
volatile sig_atomic_t g_caughtSignal = 0;
static_assert(sizeof(sig_atomic_t) == sizeof(int), "the record is read as an int");

void RecordStopSignal(int signalNumber) {
    if (g_caughtSignal == 0) {
        g_caughtSignal = signalNumber;
        return;
    }
    // The user asked twice: the job did not stop in time (it may be waiting for input). The
    // output it made goes first, as the job would have removed it.
    if (signalNumber != SIGPIPE) {
        MpPlatformRemoveForcedEndFile();
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

int MpPlatformInterruptSignal() { return SIGINT; }
int MpPlatformTerminateSignal() { return SIGTERM; }
int MpPlatformHangUpSignal() { return SIGHUP; }
int MpPlatformBrokenPipeSignal() { return SIGPIPE; }
