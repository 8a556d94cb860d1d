// Linux implementation of the file calls.
#include "MpPlatformFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "MpPlatformSignal.h"

namespace {

// The open(2) flags for the library's flags word. Creation and truncation apply only with
// write access. O_APPEND is left out on purpose: the caller keeps its own position and stores
// its buffer at explicit offsets, which O_APPEND would redirect to the end of the file.
// Writing without reading opens write-only: a process that held a read end of its own output
// pipe would never learn that the reader went away.
bool OpenFlagsFor(unsigned uFlags, int& iOpenFlags) {
    bool bRead = (uFlags & kMpOpenRead) != 0;
    bool bWrite = (uFlags & kMpOpenWrite) != 0;
    if (!bRead && !bWrite) return false;
    iOpenFlags = O_CLOEXEC | (bRead && bWrite ? O_RDWR : bWrite ? O_WRONLY : O_RDONLY);
    if (bWrite && (uFlags & kMpOpenCreate)) iOpenFlags |= O_CREAT;
    if (bWrite && (uFlags & kMpOpenCreate) && (uFlags & kMpOpenExclusive)) iOpenFlags |= O_EXCL;
    if (bWrite && (uFlags & kMpOpenTruncate)) iOpenFlags |= O_TRUNC;
    return true;
}

int OpenRetrying(const char* pPath, int iOpenFlags) {
    int iDescriptor;
    do {
        iDescriptor = open(pPath, iOpenFlags, 0666);
    } while (iDescriptor < 0 && errno == EINTR);
    return iDescriptor;
}

// Runs one transfer step (read or write of at most the remaining bytes at a running offset)
// until llCount bytes moved, the step moved nothing (end of file) or it failed. Returns the
// bytes moved, or -1 when the first step failed. An interrupted step is retried, except that
// with bEndAtStop a stop signal ends the transfer (errno EINTR): before a step, or when it
// interrupted one.
template <class Step>
int64_t TransferAll(int64_t llCount, Step step, bool bEndAtStop = false) {
    int64_t llDone = 0;
    while (llDone < llCount) {
        if (bEndAtStop && MpPlatformStopRequested()) {
            errno = EINTR;
            return llDone > 0 ? llDone : -1;
        }
        ssize_t n = step(llDone, llCount - llDone);
        if (n < 0) {
            if (errno == EINTR) continue;
            return llDone > 0 ? llDone : -1;
        }
        if (n == 0) break;
        llDone += n;
    }
    return llDone;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Byte-range locks.
//
// The library's locking model is that of the Windows file locks it was designed for: a lock
// belongs to one open file (one handle), a second opening of the same file in the same process
// is excluded like another process, and closing some other descriptor of the file leaves the
// lock alone. Classic POSIX record locks (F_SETLK) fail on both counts: they belong to the
// process, so two I/O objects of one process never exclude each other, and closing ANY
// descriptor of the file drops all of the process's locks on it. Open-file-description locks
// (F_OFD_SETLK / F_OFD_SETLKW) belong to the open file like the Windows locks, so they are used.
//
// One difference remains: the kernel keeps one lock state per byte of an open file, so a
// second, overlapping lock of the same descriptor would convert the first one's bytes, and
// releasing either would free the bytes both cover. The library lets one object hold
// overlapping locks independently, so each descriptor's locks are kept here as records and the
// kernel is given, byte range by byte range, the strongest kind that the records ask for.
// ---------------------------------------------------------------------------------------------

namespace {

enum LockLevel { kUnlocked = 0, kShared = 1, kExclusive = 2 };

constexpr int64_t kOffsetLimit = INT64_MAX;  // end of a range that runs to the last offset

struct HeldLock {
    int64_t llStart;
    int64_t llEnd;  // one past the last byte; kOffsetLimit for "to the last offset"
    bool bExclusive;
    bool operator==(const HeldLock& other) const {
        return llStart == other.llStart && llEnd == other.llEnd && bExclusive == other.bExclusive;
    }
};

using HeldLocks = std::vector<HeldLock>;

// The records of every descriptor that holds locks. The mutex guards the map only: calls for
// one descriptor are serialised by the caller, and the kernel calls run outside the mutex so
// that a waiting lock never stalls other descriptors. Never destroyed: a thread may close its
// file while the process exits (one still waiting for a pipe's writer when the program ended).
struct LockTable {
    std::mutex mutex;
    std::map<int, HeldLocks> records;
};
LockTable& g_lockTable = *new LockTable;

HeldLocks LocksOf(int iDescriptor) {
    std::lock_guard<std::mutex> guard(g_lockTable.mutex);
    auto it = g_lockTable.records.find(iDescriptor);
    return it == g_lockTable.records.end() ? HeldLocks() : it->second;
}

void ForgetLocks(int iDescriptor) {
    std::lock_guard<std::mutex> guard(g_lockTable.mutex);
    g_lockTable.records.erase(iDescriptor);
}

LockLevel LevelAt(const HeldLocks& locks, int64_t llPosition) {
    LockLevel level = kUnlocked;
    for (const HeldLock& lock : locks) {
        if (lock.llStart <= llPosition && llPosition < lock.llEnd) {
            level = std::max(level, lock.bExclusive ? kExclusive : kShared);
        }
    }
    return level;
}

// [llStart, llEnd) cut at every record boundary inside it: within each piece the records
// give one level throughout.
std::vector<int64_t> PieceBoundaries(const HeldLocks& locks, int64_t llStart, int64_t llEnd) {
    std::vector<int64_t> points{llStart, llEnd};
    for (const HeldLock& lock : locks) {
        for (int64_t llPoint : {lock.llStart, lock.llEnd}) {
            if (llStart < llPoint && llPoint < llEnd) points.push_back(llPoint);
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

// Sets the kernel's lock on [llStart, llEnd) of the open file to level.
MpPlatformLockResult SetKernelLevel(int iDescriptor, int64_t llStart, int64_t llEnd,
                                    LockLevel level, bool bWait) {
    struct flock request {};
    request.l_type = level == kExclusive ? F_WRLCK : level == kShared ? F_RDLCK : F_UNLCK;
    request.l_whence = SEEK_SET;
    request.l_start = llStart;
    request.l_len = llEnd == kOffsetLimit ? 0 : llEnd - llStart;  // 0: up to the last offset
    request.l_pid = 0;
    for (;;) {
        if (fcntl(iDescriptor, bWait ? F_OFD_SETLKW : F_OFD_SETLK, &request) == 0) {
            return MpPlatformLockResult::Taken;
        }
        if (errno == EINTR) continue;
        if (!bWait && (errno == EAGAIN || errno == EACCES)) return MpPlatformLockResult::Busy;
        if (errno == EBADF && level == kExclusive) {
            int iMode = fcntl(iDescriptor, F_GETFL);
            if (iMode >= 0 && (iMode & O_ACCMODE) == O_RDONLY) errno = EACCES;  // read-only file
        }
        return MpPlatformLockResult::Failed;
    }
}

bool ValidRange(int64_t llOffset, int64_t llLength) {
    if (llOffset >= 0 && llLength > 0) return true;
    errno = EINVAL;
    return false;
}

int64_t RangeEnd(int64_t llOffset, int64_t llLength) {
    return llLength > kOffsetLimit - llOffset ? kOffsetLimit : llOffset + llLength;
}

bool IsReadOnlyRegularFile(int iDescriptor) {
    struct stat status;
    int iMode = fcntl(iDescriptor, F_GETFL);
    return iMode >= 0 && (iMode & O_ACCMODE) == O_RDONLY && fstat(iDescriptor, &status) == 0 &&
           S_ISREG(status.st_mode);
}

// Linux grants exclusive byte-range locks only on descriptors open for writing, while the
// library takes them on files it only reads. Files are opened for reading only (so a file that
// is only read sees no write-close and needs no write permission); the first exclusive lock
// asked of such a descriptor reopens the same file read-write in its place, at the same
// position. The shared locks it holds are taken on the new open file before the old one goes
// (shared locks never conflict with each other, so nothing can come between).
bool ReopenForExclusiveLocks(int iDescriptor) {
    std::string sSelf = "/proc/self/fd/" + std::to_string(iDescriptor);
    int iWritable = OpenRetrying(sSelf.c_str(), O_CLOEXEC | O_RDWR);
    if (iWritable < 0) return false;
    off_t llPosition = lseek(iDescriptor, 0, SEEK_CUR);
    bool bMoved = llPosition >= 0 && lseek(iWritable, llPosition, SEEK_SET) == llPosition;
    for (const HeldLock& lock : LocksOf(iDescriptor)) {
        if (!bMoved) break;
        bMoved = SetKernelLevel(iWritable, lock.llStart, lock.llEnd, kShared, false) == MpPlatformLockResult::Taken;
    }
    int iError = errno;
    if (!bMoved || dup3(iWritable, iDescriptor, O_CLOEXEC) < 0) {
        if (bMoved) iError = errno;
        close(iWritable);
        errno = iError;
        return false;
    }
    close(iWritable);
    return true;
}

}  // namespace

MpPlatformLockResult MpPlatformFileLock(int iDescriptor, int64_t llOffset, int64_t llLength,
                                        bool bExclusive, bool bWait) {
    if (!ValidRange(llOffset, llLength)) return MpPlatformLockResult::Failed;
    if (bExclusive && IsReadOnlyRegularFile(iDescriptor) && !ReopenForExclusiveLocks(iDescriptor)) {
        return MpPlatformLockResult::NeedsWriteAccess;
    }
    HeldLock wanted{llOffset, RangeEnd(llOffset, llLength), bExclusive};
    LockLevel wantedLevel = bExclusive ? kExclusive : kShared;
    HeldLocks held = LocksOf(iDescriptor);
    std::vector<int64_t> points = PieceBoundaries(held, wanted.llStart, wanted.llEnd);
    // Raise every piece that the records hold more weakly; on refusal put the raised pieces
    // back (lowering a lock never waits), so a failed request changes nothing.
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (LevelAt(held, points[i]) >= wantedLevel) continue;
        MpPlatformLockResult result =
            SetKernelLevel(iDescriptor, points[i], points[i + 1], wantedLevel, bWait);
        if (result != MpPlatformLockResult::Taken) {
            int iError = errno;
            for (size_t j = 0; j < i; ++j) {
                SetKernelLevel(iDescriptor, points[j], points[j + 1], LevelAt(held, points[j]), false);
            }
            errno = iError;
            return result;
        }
    }
    std::lock_guard<std::mutex> guard(g_lockTable.mutex);
    g_lockTable.records[iDescriptor].push_back(wanted);
    return MpPlatformLockResult::Taken;
}

bool MpPlatformFileUnlock(int iDescriptor, int64_t llOffset, int64_t llLength, bool bExclusive) {
    if (!ValidRange(llOffset, llLength)) return false;
    HeldLock released{llOffset, RangeEnd(llOffset, llLength), bExclusive};
    HeldLocks held = LocksOf(iDescriptor);
    HeldLocks remaining = held;
    auto it = std::find(remaining.begin(), remaining.end(), released);
    if (it == remaining.end()) {
        errno = EINVAL;
        return false;
    }
    remaining.erase(it);
    // Lower every piece to what the remaining records still ask for.
    std::vector<int64_t> points = PieceBoundaries(held, released.llStart, released.llEnd);
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        LockLevel after = LevelAt(remaining, points[i]);
        if (after == LevelAt(held, points[i])) continue;
        if (SetKernelLevel(iDescriptor, points[i], points[i + 1], after, false) !=
            MpPlatformLockResult::Taken) {
            return false;
        }
    }
    std::lock_guard<std::mutex> guard(g_lockTable.mutex);
    HeldLocks& records = g_lockTable.records[iDescriptor];
    records.erase(std::find(records.begin(), records.end(), released));
    if (records.empty()) g_lockTable.records.erase(iDescriptor);
    return true;
}

void MpPlatformYield() { sched_yield(); }

// ---------------------------------------------------------------------------------------------
// Descriptors, transfers and names.
// ---------------------------------------------------------------------------------------------

int MpPlatformFileOpen(const char* pPath, unsigned uFlags) {
    int iOpenFlags = 0;
    if (pPath == nullptr || !OpenFlagsFor(uFlags, iOpenFlags)) {
        errno = pPath == nullptr ? EFAULT : EINVAL;
        return -1;
    }
    int iDescriptor = OpenRetrying(pPath, iOpenFlags);
    if (iDescriptor < 0) return -1;
    // A read-only open of a directory succeeds on Linux; the library wants a file.
    struct stat status;
    int iError = 0;
    if (fstat(iDescriptor, &status) != 0) {
        iError = errno;
    } else if (S_ISDIR(status.st_mode)) {
        iError = EISDIR;
    }
    if (iError != 0) {
        close(iDescriptor);
        errno = iError;
        return -1;
    }
    return iDescriptor;
}

bool MpPlatformFileClose(int iDescriptor) {
    ForgetLocks(iDescriptor);
    // Linux releases the descriptor even when close reports EINTR: never retry.
    return close(iDescriptor) == 0;
}

int64_t MpPlatformFileRead(int iDescriptor, void* pBuffer, int64_t llCount) {
    char* pBytes = static_cast<char*>(pBuffer);
    // A stop ends the read: a job waiting for input notices it at once.
    return TransferAll(
        llCount, [&](int64_t llDone, int64_t llLeft) { return read(iDescriptor, pBytes + llDone, static_cast<size_t>(llLeft)); },
        true);
}

int64_t MpPlatformFileReadSome(int iDescriptor, void* pBuffer, int64_t llCount) {
    ssize_t n;
    do {
        n = read(iDescriptor, pBuffer, static_cast<size_t>(llCount));
    } while (n < 0 && errno == EINTR);
    return n;
}

bool MpPlatformFileWaitForInput(int iDescriptor, int iMilliseconds) {
    pollfd wait{iDescriptor, POLLIN, 0};
    const int iReady = poll(&wait, 1, iMilliseconds);
    // A failed poll other than an interrupted one is left to the read to report.
    return iReady > 0 || (iReady < 0 && errno != EINTR);
}

bool MpPlatformFileMayWaitForInput(int iDescriptor) {
    struct stat status;
    return fstat(iDescriptor, &status) != 0 || !(S_ISREG(status.st_mode) || S_ISBLK(status.st_mode));
}

int64_t MpPlatformFileReadAt(int iDescriptor, void* pBuffer, int64_t llCount, int64_t llOffset) {
    char* pBytes = static_cast<char*>(pBuffer);
    return TransferAll(llCount, [&](int64_t llDone, int64_t llLeft) {
        return pread(iDescriptor, pBytes + llDone, static_cast<size_t>(llLeft), llOffset + llDone);
    });
}

int64_t MpPlatformFileWrite(int iDescriptor, const void* pBuffer, int64_t llCount) {
    const char* pBytes = static_cast<const char*>(pBuffer);
    return TransferAll(llCount, [&](int64_t llDone, int64_t llLeft) {
        return write(iDescriptor, pBytes + llDone, static_cast<size_t>(llLeft));
    });
}

int64_t MpPlatformFileWriteAt(int iDescriptor, const void* pBuffer, int64_t llCount,
                              int64_t llOffset) {
    const char* pBytes = static_cast<const char*>(pBuffer);
    return TransferAll(llCount, [&](int64_t llDone, int64_t llLeft) {
        return pwrite(iDescriptor, pBytes + llDone, static_cast<size_t>(llLeft), llOffset + llDone);
    });
}

int64_t MpPlatformFileSeek(int iDescriptor, int64_t llOffset, int iOrigin) {
    int iWhence;
    switch (iOrigin) {
        case kMpSeekFromStart: iWhence = SEEK_SET; break;
        case kMpSeekFromCurrent: iWhence = SEEK_CUR; break;
        case kMpSeekFromEnd: iWhence = SEEK_END; break;
        default: errno = EINVAL; return -1;
    }
    return lseek(iDescriptor, llOffset, iWhence);
}

int64_t MpPlatformFileSize(int iDescriptor) {
    struct stat status;
    if (fstat(iDescriptor, &status) != 0) return -1;
    return status.st_size;
}

bool MpPlatformFileSetEnd(int iDescriptor, int64_t llLength) {
    int iResult;
    do {
        iResult = ftruncate(iDescriptor, llLength);
    } while (iResult != 0 && errno == EINTR);
    return iResult == 0;
}

bool MpPlatformTempDirectory(std::string& sDirectory) {
    const char* pEnvironment = std::getenv("TMPDIR");
    sDirectory = (pEnvironment != nullptr && pEnvironment[0] != '\0') ? pEnvironment : "/tmp";
    struct stat status;
    if (stat(sDirectory.c_str(), &status) != 0) return false;
    if (!S_ISDIR(status.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    if (sDirectory.back() != '/') sDirectory += '/';
    return true;
}

bool MpPlatformCreateTempFile(const char* pDirectory, const char* pPrefix, std::string& sPath) {
    std::string sTemplate = pDirectory;
    if (!sTemplate.empty() && sTemplate.back() != '/') sTemplate += '/';
    sTemplate += pPrefix;
    sTemplate += "XXXXXX";
    std::vector<char> name(sTemplate.begin(), sTemplate.end());
    name.push_back('\0');
    int iDescriptor = mkostemp(name.data(), O_CLOEXEC);
    if (iDescriptor < 0) return false;
    close(iDescriptor);
    sPath = name.data();
    return true;
}

bool MpPlatformPathExists(const char* pPath) {
    return pPath != nullptr && access(pPath, F_OK) == 0;
}

int64_t MpPlatformFileSizeByName(const char* pPath) {
    struct stat status;
    if (pPath == nullptr || stat(pPath, &status) != 0) return -1;
    return status.st_size;
}

int MpPlatformFileDuplicate(int iDescriptor) { return fcntl(iDescriptor, F_DUPFD_CLOEXEC, 0); }

MpPlatformRemoveResult MpPlatformRemoveFileIfOpen(const char* pPath, int iDescriptor) {
    struct stat described;
    struct stat named;
    if (pPath == nullptr || lstat(pPath, &named) != 0) return MpPlatformRemoveResult::Missing;
    if (fstat(iDescriptor, &described) != 0) return MpPlatformRemoveResult::Failed;
    if (!S_ISREG(named.st_mode) || described.st_dev != named.st_dev || described.st_ino != named.st_ino) {
        errno = EPERM;
        return MpPlatformRemoveResult::NotThisFile;
    }
    return unlink(pPath) == 0 ? MpPlatformRemoveResult::Removed : MpPlatformRemoveResult::Failed;
}

bool MpPlatformRemoveFile(const char* pPath) {
    if (pPath == nullptr) {
        errno = EFAULT;
        return false;
    }
    return unlink(pPath) == 0;
}

bool MpPlatformRenameFile(const char* pTo, const char* pFrom) {
    if (pTo == nullptr || pFrom == nullptr) {
        errno = EFAULT;
        return false;
    }
    return rename(pFrom, pTo) == 0;
}

bool MpPlatformSameFile(const char* pFirst, const char* pSecond) {
    struct stat first;
    struct stat second;
    if (pFirst == nullptr || pSecond == nullptr) return false;
    if (stat(pFirst, &first) != 0 || stat(pSecond, &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool MpPlatformSameFileAsDescriptor(int iDescriptor, const char* pPath) {
    struct stat described;
    struct stat named;
    if (pPath == nullptr) return false;
    if (fstat(iDescriptor, &described) != 0 || stat(pPath, &named) != 0) return false;
    return described.st_dev == named.st_dev && described.st_ino == named.st_ino;
}

bool MpPlatformIsTerminal(int iDescriptor) { return isatty(iDescriptor) == 1; }

bool MpPlatformIgnoreBrokenPipes() {
    return signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

int MpPlatformOSCapabilities() {
    struct utsname name;
    if (uname(&name) != 0) return -1;
    return 7;
}

MpPlatformFileFailure MpPlatformClassifyFileFailure(int iErrorCode) {
    switch (iErrorCode) {
        case ENOENT:
        case ENOTDIR:
            return MpPlatformFileFailure::NoSuchFile;
        case EMFILE:
        case ENFILE:
            return MpPlatformFileFailure::TooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
        case EBUSY:
            return MpPlatformFileFailure::PermissionDenied;
        case EINVAL:
            return MpPlatformFileFailure::InvalidAccess;
        default:
            return MpPlatformFileFailure::Unknown;
    }
}
