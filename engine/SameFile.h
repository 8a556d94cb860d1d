// Whether two names denote one and the same file, by file identity (device and inode) rather
// than by spelling, so relative names, "..", doubled separators and symbolic links are all
// seen through. Used to refuse an output that would overwrite the input or the DD file.
#pragma once

// True when both names exist and are the same file. A name that does not exist (yet) is the
// same as nothing.
bool IsSameFile(const char* firstName, const char* secondName);
