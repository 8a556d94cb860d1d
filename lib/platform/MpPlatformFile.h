// Every operating-system file call of the library: descriptors (the standard ones included),
// positioned transfers, sizes, byte-range locks, names (exists, size, remove, rename, identity),
// temporary files, the broken-pipe signal and the version query.
//
// Failures are return values (-1, false or MpPlatformLockResult::Failed) with the calling
// thread's last error (errno, see MpPlatformError.h) set by the failing call; the I/O layer
// turns them into the library's exceptions. Nothing here allocates library objects or throws.
// Descriptors are plain ints owned by the caller, who closes them with MpPlatformFileClose.
#pragma once

#include <cstdint>
#include <string>

// Bits of the open-flags word that MpPlatformFileOpen understands (the I/O layer's IO_READ ...
// IO_APPEND have these values); bits above the low eight are ignored.
constexpr unsigned kMpOpenRead = 1;       // reading allowed
constexpr unsigned kMpOpenWrite = 2;      // writing allowed; read-write with kMpOpenRead, else write-only
constexpr unsigned kMpOpenText = 4;       // text mode: no line-end translation on this platform
constexpr unsigned kMpOpenCreate = 8;     // with kMpOpenWrite: create a missing file
constexpr unsigned kMpOpenTruncate = 16;  // with kMpOpenWrite: empty an existing file
constexpr unsigned kMpOpenAppend = 32;    // with kMpOpenWrite: the caller starts at the end
constexpr unsigned kMpOpenExclusive = 64; // with kMpOpenCreate: fail (EEXIST) when the file exists

// The descriptors of the process's standard input and standard output, open from its start
// and owned by the process: a reader or writer of them never closes them.
constexpr int kMpStandardInput = 0;
constexpr int kMpStandardOutput = 1;

// Origins of MpPlatformFileSeek, as the library numbers them.
constexpr int kMpSeekFromStart = 0;
constexpr int kMpSeekFromCurrent = 1;
constexpr int kMpSeekFromEnd = 2;

// Opens pPath as the flags word says and returns the descriptor, or -1. Neither read nor write
// in the flags fails with EINVAL; a directory fails with EISDIR. The file is opened shared:
// other openers may read and write it; only byte-range locks exclude. A file created here is
// readable and writable (0666 before the umask). kMpOpenAppend only matters to the caller,
// which moves its position to the end: writes go where the caller's position says.
// Without kMpOpenWrite the descriptor is read-only: reading needs no write permission and
// closing it is no write. Without kMpOpenRead it is write-only: a pipe's writer then holds no
// read end of its own, so a reader that goes away fails the next write with EPIPE, and opening
// a FIFO waits for its reader as a shell's redirection does. The first exclusive lock asked of it (see MpPlatformFileLock) reopens
// the file read-write in its place.
int MpPlatformFileOpen(const char* pPath, unsigned uFlags);

// Closes the descriptor; its byte-range locks go with it. Returns false on failure.
bool MpPlatformFileClose(int iDescriptor);

// Reads up to llCount bytes at the descriptor's position (advancing it), retrying until
// llCount bytes came or the file ended. Returns the count read (0 at end of file), or -1.
// Once a stop signal has been caught (MpPlatformStopRequested) the read ends at once, with what
// came before it or -1 (errno EINTR), also when the signal interrupts a read that waits.
int64_t MpPlatformFileRead(int iDescriptor, void* pBuffer, int64_t llCount);

// One read of up to llCount bytes at the descriptor's position (an interrupted one is retried):
// what a pipe holds now, waiting only while it holds nothing. Returns the count read (0 at end
// of file), or -1.
int64_t MpPlatformFileReadSome(int iDescriptor, void* pBuffer, int64_t llCount);

// Waits up to iMilliseconds for the descriptor to have something to read. Returns true when a
// read would not wait (bytes, the end of the input or a failure, which the read then reports),
// at once for a regular file; false when the time passed, or a signal came, with nothing to
// read. On Windows only a pipe is waited for; other files answer true.
bool MpPlatformFileWaitForInput(int iDescriptor, int iMilliseconds);

// Whether a read of the descriptor may wait for input (a pipe, a terminal, a socket), so that
// MpPlatformFileWaitForInput is worth asking; false for a regular file or a block device, which
// a read answers at once.
bool MpPlatformFileMayWaitForInput(int iDescriptor);

// Reads up to llCount bytes at llOffset without moving the descriptor's position, retrying
// until llCount bytes came or the file ended. Returns the count read, or -1.
int64_t MpPlatformFileReadAt(int iDescriptor, void* pBuffer, int64_t llCount, int64_t llOffset);

// Writes llCount bytes at the descriptor's position (advancing it). Returns llCount, the count
// written before a failure (errno tells the failure), or -1 when nothing was written.
int64_t MpPlatformFileWrite(int iDescriptor, const void* pBuffer, int64_t llCount);

// Writes llCount bytes at llOffset without moving the descriptor's position. Results as for
// MpPlatformFileWrite.
int64_t MpPlatformFileWriteAt(int iDescriptor, const void* pBuffer, int64_t llCount,
                              int64_t llOffset);

// Moves the descriptor's position by llOffset from iOrigin (kMpSeekFrom...) and returns the
// new position, or -1 (EINVAL for a resulting position below 0 or an unknown origin).
int64_t MpPlatformFileSeek(int iDescriptor, int64_t llOffset, int iOrigin);

// Size in bytes of the open file, or -1.
int64_t MpPlatformFileSize(int iDescriptor);

// Ends the file at llLength bytes (cutting or zero-extending it). Returns false on failure.
bool MpPlatformFileSetEnd(int iDescriptor, int64_t llLength);

// Outcome of a byte-range lock request.
enum class MpPlatformLockResult {
    Taken,   // the lock is held
    Busy,    // another open file holds a conflicting lock (immediate requests only)
    // An exclusive lock on a file open for reading only, which could not be reopened for
    // writing (no /proc to reopen it through, or no permission to write it); errno tells why.
    NeedsWriteAccess,
    Failed   // any other failure; errno tells it
};

// Takes a byte-range lock on [llOffset, llOffset + llLength) of the open file: exclusive or
// shared, waiting for a conflicting holder to let go (bWait) or returning Busy at once. A range
// that reaches past the largest file offset covers everything from llOffset on.
// Locks belong to the open file (not to the process): another descriptor of the same file,
// opened separately, conflicts like another process. The locks of one descriptor never
// conflict with each other, whatever their overlap, and each is released on its own.
// An exclusive lock on a regular file opened for reading first reopens that file read-write
// under the same descriptor, at the same position, keeping its shared locks (Linux grants
// exclusive locks only on descriptors open for writing); where that cannot be done the answer
// is NeedsWriteAccess and nothing changes.
// REQUIRES: llOffset >= 0, llLength > 0 (else EINVAL); lock and unlock calls for one descriptor
// come one at a time (the I/O object's mutex serialises them).
MpPlatformLockResult MpPlatformFileLock(int iDescriptor, int64_t llOffset, int64_t llLength,
                                        bool bExclusive, bool bWait);

// Releases one lock taken by MpPlatformFileLock with the same range and kind. Bytes that other
// locks of the descriptor still cover stay locked as strongly as those locks say. Returns false
// (EINVAL when no such lock is held) on failure.
bool MpPlatformFileUnlock(int iDescriptor, int64_t llOffset, int64_t llLength, bool bExclusive);

// Gives the processor to another runnable thread (the older lock path waits with it).
void MpPlatformYield();

// The directory for temporary files, ending in "/": $TMPDIR when set and not empty, else /tmp.
// Returns false (ENOENT, ENOTDIR or the status call's error) when it is not a directory.
bool MpPlatformTempDirectory(std::string& sDirectory);

// Creates a new, empty file with a unique name "<directory>/<prefix>XXXXXX" (pDirectory may end
// in "/" or not; an empty directory means the current one) and returns its name in sPath.
// Returns false on failure. REQUIRES: pDirectory and pPrefix not null.
bool MpPlatformCreateTempFile(const char* pDirectory, const char* pPrefix, std::string& sPath);

// True when the path exists (a directory counts); false for a null path.
bool MpPlatformPathExists(const char* pPath);

// Size in bytes of the file at pPath, or -1 when it cannot be examined.
int64_t MpPlatformFileSizeByName(const char* pPath);

// Removes the file (not a directory). Returns false on failure.
bool MpPlatformRemoveFile(const char* pPath);

// A second descriptor (close-on-exec) of the same open file, for a library that takes a
// descriptor and closes it when done. Byte-range locks belong to the open file, so closing the
// copy releases none of them. Returns -1 on failure.
int MpPlatformFileDuplicate(int iDescriptor);

// Outcome of MpPlatformRemoveFileIfOpen.
enum class MpPlatformRemoveResult {
    Removed,     // the name was removed
    Missing,     // no file has the name (any more): nothing was removed
    NotThisFile, // the name is not a regular file (a symbolic link is not followed) or another
                 // file than the descriptor's: nothing was removed; errno is EPERM
    Failed       // the removal failed; errno tells it
};

// Removes pPath only while it names, without following a symbolic link, the regular file open
// as iDescriptor (same device and inode): a file a program made and still holds, never one put
// in its place. Returns Missing or NotThisFile, removing nothing, otherwise.
MpPlatformRemoveResult MpPlatformRemoveFileIfOpen(const char* pPath, int iDescriptor);

// Moves pFrom to pTo, replacing pTo. Returns false on failure (EXDEV across file systems).
bool MpPlatformRenameFile(const char* pTo, const char* pFrom);

// True when both paths name the same file (same device and inode); false when either cannot be
// examined.
bool MpPlatformSameFile(const char* pFirst, const char* pSecond);

// True when the open descriptor and pPath are the same file (same device and inode), such as
// standard input redirected from that file; false when either cannot be examined.
bool MpPlatformSameFileAsDescriptor(int iDescriptor, const char* pPath);

// True when the open descriptor is a terminal.
bool MpPlatformIsTerminal(int iDescriptor);

// Lets a write to a pipe that nobody reads any more fail with EPIPE, like any other failed
// write, instead of ending the process with SIGPIPE. Process-wide, for programs that write to
// standard output. Returns false on failure.
bool MpPlatformIgnoreBrokenPipes();

// The operating system's capability word for the I/O layer: 7 on this platform (shared and
// exclusive byte-range locks with an immediate-failure option), or -1 when the version query
// fails.
int MpPlatformOSCapabilities();

// How a failed open or removal is reported to the user.
enum class MpPlatformFileFailure {
    NoSuchFile,        // the file or a directory on its path does not exist
    TooManyOpenFiles,  // the process or system is out of descriptors
    PermissionDenied,  // access refused (also: a directory where a file was expected)
    InvalidAccess,     // the access mode is not valid
    Unknown
};

// Classifies the error code of a failed open or removal.
MpPlatformFileFailure MpPlatformClassifyFileFailure(int iErrorCode);
