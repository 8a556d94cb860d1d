#include "MpPlatformSignal.h"

#include <signal.h>

#include <initializer_list>

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
    // The user asked twice: the job did not stop in time (it may be waiting for input).
    if (signalNumber != SIGPIPE) {
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

int MpPlatformInterruptSignal() { return SIGINT; }
int MpPlatformTerminateSignal() { return SIGTERM; }
int MpPlatformHangUpSignal() { return SIGHUP; }
int MpPlatformBrokenPipeSignal() { return SIGPIPE; }
