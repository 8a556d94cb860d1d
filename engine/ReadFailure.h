// How every input reader of a run reports a read that failed or was stopped: the input's name and the system's
// reason, as the writers report theirs ("Reading <name> failed -- <system reason>").
#pragma once

namespace lathwell {

// Raises MpException "Reading <description> failed -- <system reason>" with the reason of the
// read that failed last on this thread. description: a quoted file name, or "standard input".
[[noreturn]] void RaiseReadFailure(const char* description);

// Raises MpException "Reading <description> stopped": a read that waited for input ended at the
// run's stop.
[[noreturn]] void RaiseReadStopped(const char* description);

}  // namespace lathwell
