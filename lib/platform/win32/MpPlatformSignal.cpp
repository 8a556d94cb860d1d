// Windows implementation of the stop signals: the console's control events. Ctrl-C and
// Ctrl-Break are the interrupt, closing the console window is the hang-up, and logging off or
// shutting down is the request to terminate. The signal numbers are those of Linux, so that a
// program's exit statuses (128 + number) are the same on both systems.
#include "MpPlatformSignal.h"

#include "MpPlatformBrokenPipe.h"
#include "common/MpPlatformForcedEnd.h"

#include <windows.h>

namespace {

constexpr int kHangUp = 1;
constexpr int kInterrupt = 2;
constexpr int kBrokenPipe = 13;
constexpr int kTerminate = 15;

// Written once, by the console's handler thread or by a write into a broken pipe.
volatile int g_caughtSignal = 0;
volatile bool g_catching = false;

int SignalFor(DWORD dwEvent) {
    switch (dwEvent) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            return kInterrupt;
        case CTRL_CLOSE_EVENT:
            return kHangUp;
        default:
            return kTerminate;
    }
}

BOOL WINAPI RecordStopEvent(DWORD dwEvent) {
    // The user asked twice: the job did not stop in time (it may be waiting for input), so the
    // system's default handler ends the process. The output the job made goes first, as the job
    // would have removed it. (The handler runs on a thread of its own, so it may do that.)
    if (g_caughtSignal != 0) {
        MpPlatformRemoveForcedEndFile();
        return FALSE;
    }
    g_caughtSignal = SignalFor(dwEvent);
    // The system ends the process as soon as the handler of a close, log-off or shut-down event
    // returns; waiting here gives the job the system's grace time to wind down, and the job's
    // own end of the process ends this wait.
    if (dwEvent != CTRL_C_EVENT && dwEvent != CTRL_BREAK_EVENT) Sleep(INFINITE);
    return TRUE;
}

}  // namespace

bool MpPlatformCatchStopSignals() {
    // A process started in a new process group begins with Ctrl-C ignored: take it back first.
    // (A process without a console refuses that, and has no Ctrl-C to take back.)
    SetConsoleCtrlHandler(nullptr, FALSE);
    g_catching = SetConsoleCtrlHandler(RecordStopEvent, TRUE) != 0;
    return g_catching;
}

void MpPlatformRecordBrokenPipe() {
    if (g_catching && g_caughtSignal == 0) g_caughtSignal = kBrokenPipe;
}

const volatile int* MpPlatformCaughtStopSignalRecord() { return &g_caughtSignal; }

bool MpPlatformStopRequested() { return g_caughtSignal != 0 && g_caughtSignal != kBrokenPipe; }

// Console events arrive on a thread of their own and end no thread's wait: nothing to hold back.
void MpPlatformHoldBackStopSignals(bool) {}

int MpPlatformInterruptSignal() { return kInterrupt; }
int MpPlatformTerminateSignal() { return kTerminate; }
int MpPlatformHangUpSignal() { return kHangUp; }
int MpPlatformBrokenPipeSignal() { return kBrokenPipe; }
