// The process's stop signals: an interrupt from the terminal, a request to terminate, a hang-up
// of the terminal, and a write to a pipe whose reader has gone.
//
// Catching them records the first one that arrives, so that a long job can notice it between
// two steps and wind down in good order. A second interrupt, terminate or hang-up ends the
// process at once with the system's default action, so a job that waits for input can always
// be stopped. Interrupted system calls are not restarted, so a call that waits (a read of a pipe
// whose writer pauses) returns at the first stop; the library's reads then end (see
// MpPlatformFileRead). Nothing here allocates or throws.
#pragma once

// Installs the recording handler for SIGINT, SIGTERM, SIGHUP and SIGPIPE. A broken pipe then no
// longer ends the process: the write fails with EPIPE and the signal is recorded. Returns false,
// with the last error set, when the system refuses a handler.
bool MpPlatformCatchStopSignals();

// Where the handler records the number of the first stop signal caught (0 while none has
// come), for a caller that reads it before every step of a long job and cannot afford a call
// each time. Valid for the life of the process.
const volatile int* MpPlatformCaughtStopSignalRecord();

// True once an interrupt, terminate or hang-up signal has been caught.
bool MpPlatformStopRequested();

// Holds the four stop signals back from the calling thread (true), or lets them reach it again
// (false). A thread started while they are held back inherits that, so a process's stop signals
// reach the thread that may be waiting for input, whose wait they end, and not a worker.
void MpPlatformHoldBackStopSignals(bool bHoldBack);

// Names the one file an end forced by a second stop signal removes before the process ends:
// the output a job made, which it would have removed itself after the first. It is removed
// only while pPath still names the regular file open as iDescriptor (MpPlatformRemoveFileIfOpen),
// so a file put in its place is left alone. One file per process: naming another replaces it.
// pPath is copied; a longer one than a path may be is not taken (returns false).
bool MpPlatformRemoveOnForcedEnd(const char* pPath, int iDescriptor);

// Forgets the file named for a forced end, when it is the one open as iDescriptor (closing it).
void MpPlatformKeepOnForcedEnd(int iDescriptor);

// The numbers of the four signals, for the caller's exit statuses and tests.
int MpPlatformInterruptSignal();
int MpPlatformTerminateSignal();
int MpPlatformHangUpSignal();
int MpPlatformBrokenPipeSignal();
