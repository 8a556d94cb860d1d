// Whether two names denote one and the same file, by file identity (device and inode) rather
// than by spelling, so relative names, "..", doubled separators and symbolic links are all
// seen through. Used to refuse an output that would overwrite the input or the DD file.
#pragma once

namespace lathwell {

// True when both names exist and are the same file. A name that does not exist (yet) is the
// same as nothing.
bool IsSameFile(const char* firstName, const char* secondName);

// True when the open descriptor is the file called name (standard input redirected from it,
// standard output redirected into it). A name that does not exist is the same as nothing.
bool IsSameFile(int descriptor, const char* name);

}  // namespace lathwell
