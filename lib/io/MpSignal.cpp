#include "MpSignal.h"

#include <initializer_list>

#include "MpException.h"
#include "MpPlatformSignal.h"

namespace {

int SignalNumber(MpStopSignal signal) {
    switch (signal) {
        case MpStopSignal::Interrupt:
            return MpPlatformInterruptSignal();
        case MpStopSignal::Terminate:
            return MpPlatformTerminateSignal();
        case MpStopSignal::HangUp:
            return MpPlatformHangUpSignal();
        case MpStopSignal::BrokenPipe:
            return MpPlatformBrokenPipeSignal();
        case MpStopSignal::None:
            break;
    }
    return 0;
}

}  // namespace

void MpSignal::CatchStopSignals() {
    if (!MpPlatformCatchStopSignals()) {
        MpException::RaiseWithSystemError("Cannot catch the stop signals", false, "MpSignal");
    }
    s_pCaught = MpPlatformCaughtStopSignalRecord();
}

MpStopSignal MpSignal::FromNumber(int iSignal) {
    for (MpStopSignal signal :
         {MpStopSignal::Interrupt, MpStopSignal::Terminate, MpStopSignal::HangUp, MpStopSignal::BrokenPipe}) {
        if (iSignal == SignalNumber(signal)) return signal;
    }
    return MpStopSignal::None;
}

MpSignal::WorkersStarting::WorkersStarting() { MpPlatformHoldBackStopSignals(true); }
MpSignal::WorkersStarting::~WorkersStarting() { MpPlatformHoldBackStopSignals(false); }

int MpSignal::ShellExitStatus(MpStopSignal signal) { return 128 + SignalNumber(signal); }
