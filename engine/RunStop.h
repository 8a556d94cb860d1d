// RunStop: the one flag that stops a run, seen by everything that works for it: the run's loop
// before every line, the read-ahead decoder (its thread between two blocks, its reader while it
// waits for one) and the gzip compressor's workers (which then leave the blocks they have not
// begun). The run sets it when its observer asks to stop; it also counts as set once the
// process caught an interrupt, terminate or hang-up signal, so a thread notices a Ctrl-C
// without waiting for the run's loop. Once set it stays set. Any thread may set or ask it.
#pragma once

#include <atomic>

#include "MpException.h"
#include "MpSignal.h"

namespace lathwell {

// Whether a caught signal asks the program to stop (a broken pipe is noticed by the failed
// write instead).
inline bool IsStopRequest(MpStopSignal signal) {
    return signal == MpStopSignal::Interrupt || signal == MpStopSignal::Terminate ||
           signal == MpStopSignal::HangUp;
}

// For a long step outside a run's loop (checking a DD file of a million fields): raises
// MpIOCanceledException "<step> stopped" once the process caught a stop signal.
inline void StopStepIfSignalled(const char* step) {
    if (MpSignal::StopRequested()) MpIOCanceledException::Raise("%s stopped", "RunStop", step);
}

class RunStop {
public:
    void Request() noexcept { m_requested.store(true, std::memory_order_relaxed); }
    bool Requested() const noexcept {
        return m_requested.load(std::memory_order_relaxed) || IsStopRequest(MpSignal::Caught());
    }

private:
    std::atomic<bool> m_requested{false};
};

}  // namespace lathwell
