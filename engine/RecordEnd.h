// What follows every fixed-length record in a file: CR LF (the default, what the desktop
// program always writes), LF alone (for readers that want it), or nothing (fixed blocks, found
// by their length alone).
#pragma once

#include <cstddef>

namespace lathwell {

enum class RecordEnd { CrLf, Lf, None };

// The bytes of the record end (not NUL-terminated) and how many there are: 2, 1 or 0.
inline const char* RecordEndBytes(RecordEnd end) { return end == RecordEnd::Lf ? "\n" : "\r\n"; }
inline size_t RecordEndLength(RecordEnd end) {
    return end == RecordEnd::CrLf ? 2 : end == RecordEnd::Lf ? 1 : 0;
}

}  // namespace lathwell
