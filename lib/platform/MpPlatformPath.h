// Absolute path names, worked out on the text alone (the file system is never consulted).
//
// Paths follow the Windows rules the library speaks in, with "/" accepted as a folder
// separator beside "\": a path is already absolute when it begins with a separator or with
// a drive letter and colon ('C:', 'C:\data', and the drive-relative 'C:data'); a UNC path
// begins with two backslashes, and its '\\server\share' prefix is a root that ".." never
// climbs above. Any other path is relative and is joined to the current directory (getcwd).
//
// Separators in the result: the user's own separators are kept for the parts of the path
// that the user typed (a run of separators becomes its first one); the current directory
// and the separator that joins a relative path to it are "/". So on Linux 'data\a.txd' run
// in '/home/u' becomes '/home/u/data\a.txd', and 'C:\x\..\y' stays 'C:\y'.
//
// "." components and empty ones (doubled separators) are dropped; ".." removes the
// component before it and does nothing at the root. A trailing separator is kept.
#pragma once

#include <climits>
#include <cstdint>

// Size of the buffer the library gives a full path name, terminator included: a full path
// of MP_MAX_PATH bytes or more is refused. It is the platform's own limit (PATH_MAX, 4096 on
// Linux), so that every path the system can open can be named.
#ifdef PATH_MAX
constexpr uint32_t MP_MAX_PATH = PATH_MAX;
#else
constexpr uint32_t MP_MAX_PATH = 260;  // MAX_PATH of Windows
#endif

// Writes the absolute form of pPath into pBuffer (ulBufferSize bytes, terminator included).
// Returns false and sets errno when it cannot: ENAMETOOLONG when the result does not fit,
// EINVAL for a null or empty path, or getcwd's own error for a relative path when the
// current directory cannot be read. The buffer holds a zero-terminated text on success
// and is left unspecified on failure.
bool MpPlatformGetFullPathName(const char* pPath, char* pBuffer, uint32_t ulBufferSize);
