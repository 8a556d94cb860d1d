// The process's stop signals as the library offers them to a program: catch them once at the
// start, then ask between two steps of a long job whether one has arrived (see
// MpPlatformSignal.h for what catching does).
#pragma once

enum class MpStopSignal { None, Interrupt, Terminate, HangUp, BrokenPipe };

class MpSignal {
public:
    // Catches interrupt, terminate, hang-up and broken pipe for the rest of the process's life.
    // Raises MpException with the system's reason when the system refuses.
    static void CatchStopSignals();

    // The first stop signal caught, or None (also when they are not caught). Inline, and a
    // single read while none has come: a run asks before every line.
    static MpStopSignal Caught() {
        const int iCaught = *s_pCaught;
        return iCaught == 0 ? MpStopSignal::None : FromNumber(iCaught);
    }

    // True once an interrupt, terminate or hang-up signal was caught: the user wants the
    // program to stop (a broken pipe is noticed by the write that fails).
    static bool StopRequested() {
        const MpStopSignal signal = Caught();
        return signal != MpStopSignal::None && signal != MpStopSignal::BrokenPipe;
    }

    // The status a shell reports for a process ended by the signal: 128 plus its number.
    // REQUIRES: signal != None.
    static int ShellExitStatus(MpStopSignal signal);

    // While alive, the stop signals are held back from the calling thread, so the threads it
    // starts meanwhile never take them: they reach the thread that may wait for input.
    class WorkersStarting {
    public:
        WorkersStarting();
        ~WorkersStarting();
        WorkersStarting(const WorkersStarting&) = delete;
        WorkersStarting& operator=(const WorkersStarting&) = delete;
    };

private:
    static MpStopSignal FromNumber(int iSignal);

    // Where the caught signal's number is recorded: a zero of its own until CatchStopSignals
    // points it at the handler's record.
    inline static const volatile int s_iNone = 0;
    inline static const volatile int* s_pCaught = &s_iNone;
};
