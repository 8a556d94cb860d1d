// How every input reader of a run reports a read that failed: the input's name and the system's
// reason, as the writers report theirs ("Reading <name> failed -- <system reason>").
#pragma once

namespace lathwell {

// Raises MpException "Reading <description> failed -- <system reason>" with the reason of the
// read that failed last on this thread. description: a quoted file name, or "standard input".
[[noreturn]] void RaiseReadFailure(const char* description);

}  // namespace lathwell
