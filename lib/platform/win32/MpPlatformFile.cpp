// Windows implementation of the file calls: files by handle (CreateFileA), with the handles
// held in the C runtime's descriptor table so that callers keep plain int descriptors, and the
// standard input and output are descriptors 0 and 1 as everywhere. Every transfer goes through
// the handle (ReadFile, WriteFile), never through the runtime's text mode.
#include "MpPlatformFile.h"

#include "MpPlatformBrokenPipe.h"
#include "MpPlatformSignal.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

HANDLE HandleOf(int iDescriptor) {
    const intptr_t handle = _get_osfhandle(iDescriptor);
    if (handle == -1 || handle == -2) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(handle);
}

// The library's programs exchange bytes, never text: whatever writes to the standard streams
// through the C runtime (the C++ streams' messages) writes them unchanged, without "\r\n".
const bool g_standardStreamsBinary = [] {
    for (int iDescriptor : {0, 1, 2}) _setmode(iDescriptor, _O_BINARY);
    return true;
}();

// CreateFileA's creation disposition for the flags word: creation and truncation apply only
// with write access.
DWORD CreationFor(unsigned uFlags) {
    const bool bWrite = (uFlags & kMpOpenWrite) != 0;
    const bool bCreate = bWrite && (uFlags & kMpOpenCreate) != 0;
    const bool bTruncate = bWrite && (uFlags & kMpOpenTruncate) != 0;
    if (bCreate && (uFlags & kMpOpenExclusive) != 0) return CREATE_NEW;
    if (bCreate) return bTruncate ? CREATE_ALWAYS : OPEN_ALWAYS;
    return bTruncate ? TRUNCATE_EXISTING : OPEN_EXISTING;
}

LARGE_INTEGER Large(int64_t llValue) {
    LARGE_INTEGER value;
    value.QuadPart = llValue;
    return value;
}

OVERLAPPED OverlappedAt(int64_t llOffset) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(static_cast<uint64_t>(llOffset) & 0xffffffffu);
    overlapped.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(llOffset) >> 32);
    return overlapped;
}

bool CurrentPosition(HANDLE hFile, int64_t& llPosition) {
    LARGE_INTEGER position;
    if (!SetFilePointerEx(hFile, Large(0), &position, FILE_CURRENT)) return false;
    llPosition = position.QuadPart;
    return true;
}

// One read or write of at most 1 GiB (a DWORD count) at the handle's position or, with
// pOverlapped, at its offset. Returns the bytes moved, or -1. A pipe whose writer has gone
// reads as its end.
int64_t ReadStep(HANDLE hFile, void* pBuffer, int64_t llCount, OVERLAPPED* pOverlapped) {
    DWORD dwDone = 0;
    const DWORD dwCount = static_cast<DWORD>(llCount < (1 << 30) ? llCount : (1 << 30));
    if (ReadFile(hFile, pBuffer, dwCount, &dwDone, pOverlapped)) return dwDone;
    const DWORD dwError = GetLastError();
    return dwError == ERROR_BROKEN_PIPE || dwError == ERROR_HANDLE_EOF ? 0 : -1;
}

int64_t WriteStep(HANDLE hFile, const void* pBuffer, int64_t llCount, OVERLAPPED* pOverlapped) {
    DWORD dwDone = 0;
    const DWORD dwCount = static_cast<DWORD>(llCount < (1 << 30) ? llCount : (1 << 30));
    if (WriteFile(hFile, pBuffer, dwCount, &dwDone, pOverlapped)) return dwDone;
    const DWORD dwError = GetLastError();
    if (dwError == ERROR_NO_DATA || dwError == ERROR_BROKEN_PIPE || dwError == ERROR_PIPE_NOT_CONNECTED) {
        MpPlatformRecordBrokenPipe();
    }
    SetLastError(dwError);
    return -1;
}

// Runs one transfer step (at a running offset from the start of the buffer) until llCount
// bytes moved, the step moved nothing (end of file) or it failed. Returns the bytes moved, or
// -1 when the first step failed. With bEndAtStop a caught stop ends the transfer before its
// next step (ERROR_OPERATION_ABORTED).
template <class Step>
int64_t TransferAll(int64_t llCount, Step step, bool bEndAtStop = false) {
    int64_t llDone = 0;
    while (llDone < llCount) {
        if (bEndAtStop && MpPlatformStopRequested()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return llDone > 0 ? llDone : -1;
        }
        const int64_t llMoved = step(llDone, llCount - llDone);
        if (llMoved < 0) return llDone > 0 ? llDone : -1;
        if (llMoved == 0) break;
        llDone += llMoved;
    }
    return llDone;
}

// A positioned transfer on a handle opened for synchronous use moves the handle's position
// to the transfer's end; the position is put back, as the positioned calls promise. Calls for
// one descriptor come one at a time, so nothing sees the moved position in between.
template <class Step>
int64_t TransferAt(HANDLE hFile, int64_t llCount, int64_t llOffset, Step step) {
    int64_t llPosition = 0;
    if (!CurrentPosition(hFile, llPosition)) return -1;
    const int64_t llDone = TransferAll(llCount, [&](int64_t llAt, int64_t llLeft) {
        OVERLAPPED overlapped = OverlappedAt(llOffset + llAt);
        return step(llAt, llLeft, &overlapped);
    });
    const DWORD dwError = GetLastError();
    if (!SetFilePointerEx(hFile, Large(llPosition), nullptr, FILE_BEGIN)) return -1;
    SetLastError(dwError);
    return llDone;
}

// The identity of an open file: its volume and its index on the volume.
bool IdentityOf(HANDLE hFile, BY_HANDLE_FILE_INFORMATION& information) {
    return hFile != INVALID_HANDLE_VALUE && GetFileInformationByHandle(hFile, &information);
}

bool IdentityByName(const char* pPath, BY_HANDLE_FILE_INFORMATION& information) {
    HANDLE hFile = CreateFileA(pPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    const bool bKnown = IdentityOf(hFile, information);
    CloseHandle(hFile);
    return bKnown;
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& first, const BY_HANDLE_FILE_INFORMATION& second) {
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// The C runtime's descriptor for a handle, which it then owns; -1 (the handle closed) when its
// table is full.
int DescriptorFor(HANDLE hFile, int iModeFlags) {
    const int iDescriptor = _open_osfhandle(reinterpret_cast<intptr_t>(hFile), _O_BINARY | iModeFlags);
    if (iDescriptor < 0) {
        CloseHandle(hFile);
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    }
    return iDescriptor;
}

bool ValidRange(int64_t llOffset, int64_t llLength) {
    if (llOffset >= 0 && llLength > 0) return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

// The library's byte-range locks are advisory, as on Linux: they exclude other lockers, never
// readers and writers, and a run writes its output through another opening of the file than
// the one that holds the lock. Windows locks are mandatory, so the library's ranges are moved
// into the upper half of the 64-bit lock space, which no file's data reaches: there they
// exclude each other just as the ranges they stand for, and leave the data free.
constexpr uint64_t kLockSpaceStart = uint64_t{1} << 63;

OVERLAPPED LockPlaceOf(int64_t llOffset) {
    const uint64_t ullPlace = kLockSpaceStart + static_cast<uint64_t>(llOffset);
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(ullPlace & 0xffffffffu);
    overlapped.OffsetHigh = static_cast<DWORD>(ullPlace >> 32);
    return overlapped;
}

// The range's length, cut where it would run past the end of the lock space.
void SplitLength(int64_t llOffset, int64_t llLength, DWORD& dwLow, DWORD& dwHigh) {
    const uint64_t ullRoom = UINT64_MAX - kLockSpaceStart - static_cast<uint64_t>(llOffset);
    const uint64_t ullLength = std::min(static_cast<uint64_t>(llLength), ullRoom);
    dwLow = static_cast<DWORD>(ullLength & 0xffffffffu);
    dwHigh = static_cast<DWORD>(ullLength >> 32);
}

}  // namespace

int MpPlatformFileOpen(const char* pPath, unsigned uFlags) {
    if (pPath == nullptr || (uFlags & (kMpOpenRead | kMpOpenWrite)) == 0) {
        SetLastError(pPath == nullptr ? ERROR_INVALID_ADDRESS : ERROR_INVALID_PARAMETER);
        return -1;
    }
    const bool bRead = (uFlags & kMpOpenRead) != 0;
    const bool bWrite = (uFlags & kMpOpenWrite) != 0;
    // Shared: other openers may read, write, rename and remove the file; only byte-range locks
    // exclude. Writing without reading opens write-only, so that a pipe's writer holds no read
    // end of its own.
    HANDLE hFile = CreateFileA(pPath, (bRead ? GENERIC_READ : 0) | (bWrite ? GENERIC_WRITE : 0),
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CreationFor(uFlags),
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    // A folder fails here too (ERROR_ACCESS_DENIED without FILE_FLAG_BACKUP_SEMANTICS).
    if (hFile == INVALID_HANDLE_VALUE) return -1;
    return DescriptorFor(hFile, !bWrite ? _O_RDONLY : !bRead ? _O_WRONLY : 0);
}

bool MpPlatformFileClose(int iDescriptor) {
    // The runtime closes the handle, and the system releases the handle's locks with it.
    if (HandleOf(iDescriptor) == INVALID_HANDLE_VALUE) return false;
    return _close(iDescriptor) == 0;
}

int64_t MpPlatformFileRead(int iDescriptor, void* pBuffer, int64_t llCount) {
    HANDLE hFile = HandleOf(iDescriptor);
    if (hFile == INVALID_HANDLE_VALUE) return -1;
    char* pBytes = static_cast<char*>(pBuffer);
    // A stop ends the read: a job reading its input notices it after the current step.
    return TransferAll(
        llCount, [&](int64_t llDone, int64_t llLeft) { return ReadStep(hFile, pBytes + llDone, llLeft, nullptr); },
        true);
}

int64_t MpPlatformFileReadSome(int iDescriptor, void* pBuffer, int64_t llCount) {
    HANDLE hFile = HandleOf(iDescriptor);
    return hFile == INVALID_HANDLE_VALUE ? -1 : ReadStep(hFile, pBuffer, llCount, nullptr);
}

bool MpPlatformFileMayWaitForInput(int iDescriptor) {
    // Only a pipe is waited for (see MpPlatformFileWaitForInput).
    HANDLE hFile = HandleOf(iDescriptor);
    return hFile != INVALID_HANDLE_VALUE && GetFileType(hFile) == FILE_TYPE_PIPE;
}

bool MpPlatformFileWaitForInput(int iDescriptor, int iMilliseconds) {
    // Only a pipe can be asked what it holds without reading it; anything else reads at once or
    // waits in the read.
    HANDLE hFile = HandleOf(iDescriptor);
    if (hFile == INVALID_HANDLE_VALUE || GetFileType(hFile) != FILE_TYPE_PIPE) return true;
    const ULONGLONG ullUntil = GetTickCount64() + static_cast<ULONGLONG>(std::max(iMilliseconds, 0));
    for (;;) {
        DWORD dwAvailable = 0;
        // A pipe whose writer has gone fails here: the read then reports the end.
        if (!PeekNamedPipe(hFile, nullptr, 0, nullptr, &dwAvailable, nullptr) || dwAvailable > 0) return true;
        if (GetTickCount64() >= ullUntil) return false;
        Sleep(5);
    }
}

int64_t MpPlatformFileReadAt(int iDescriptor, void* pBuffer, int64_t llCount, int64_t llOffset) {
    HANDLE hFile = HandleOf(iDescriptor);
    if (hFile == INVALID_HANDLE_VALUE) return -1;
    char* pBytes = static_cast<char*>(pBuffer);
    return TransferAt(hFile, llCount, llOffset, [&](int64_t llDone, int64_t llLeft, OVERLAPPED* pAt) {
        return ReadStep(hFile, pBytes + llDone, llLeft, pAt);
    });
}

int64_t MpPlatformFileWrite(int iDescriptor, const void* pBuffer, int64_t llCount) {
    HANDLE hFile = HandleOf(iDescriptor);
    if (hFile == INVALID_HANDLE_VALUE) return -1;
    const char* pBytes = static_cast<const char*>(pBuffer);
    return TransferAll(llCount, [&](int64_t llDone, int64_t llLeft) {
        return WriteStep(hFile, pBytes + llDone, llLeft, nullptr);
    });
}

int64_t MpPlatformFileWriteAt(int iDescriptor, const void* pBuffer, int64_t llCount,
                              int64_t llOffset) {
    HANDLE hFile = HandleOf(iDescriptor);
    if (hFile == INVALID_HANDLE_VALUE) return -1;
    const char* pBytes = static_cast<const char*>(pBuffer);
    return TransferAt(hFile, llCount, llOffset, [&](int64_t llDone, int64_t llLeft, OVERLAPPED* pAt) {
        return WriteStep(hFile, pBytes + llDone, llLeft, pAt);
    });
}

int64_t MpPlatformFileSeek(int iDescriptor, int64_t llOffset, int iOrigin) {
    DWORD dwMethod;
    switch (iOrigin) {
        case kMpSeekFromStart: dwMethod = FILE_BEGIN; break;
        case kMpSeekFromCurrent: dwMethod = FILE_CURRENT; break;
        case kMpSeekFromEnd: dwMethod = FILE_END; break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return -1;
    }
    HANDLE hFile = HandleOf(iDescriptor);
    LARGE_INTEGER position;
    if (hFile == INVALID_HANDLE_VALUE || !SetFilePointerEx(hFile, Large(llOffset), &position, dwMethod)) return -1;
    return position.QuadPart;
}

int64_t MpPlatformFileSize(int iDescriptor) {
    HANDLE hFile = HandleOf(iDescriptor);
    LARGE_INTEGER size;
    if (hFile == INVALID_HANDLE_VALUE || !GetFileSizeEx(hFile, &size)) return -1;
    return size.QuadPart;
}

bool MpPlatformFileSetEnd(int iDescriptor, int64_t llLength) {
    // The end of a file is set at the handle's position, which is put back afterwards.
    HANDLE hFile = HandleOf(iDescriptor);
    int64_t llPosition = 0;
    if (hFile == INVALID_HANDLE_VALUE || !CurrentPosition(hFile, llPosition)) return false;
    const bool bEnded = SetFilePointerEx(hFile, Large(llLength), nullptr, FILE_BEGIN) && SetEndOfFile(hFile);
    const DWORD dwError = GetLastError();
    if (!SetFilePointerEx(hFile, Large(llPosition), nullptr, FILE_BEGIN)) return false;
    SetLastError(dwError);
    return bEnded;
}

// The system's byte-range locks belong to the handle, as the library's locking model has it:
// a second handle of the same file, in this process or another, is excluded by them. Their
// place in the lock space: see LockPlaceOf. Windows grants exclusive locks on handles open for
// reading only, so NeedsWriteAccess is never the answer here. Locks of one handle follow the system's own rules,
// which the library's uses keep to (one lock per range and object): an exclusive lock may not
// overlap another lock of the same handle, and an unlock names exactly a range that was locked.
MpPlatformLockResult MpPlatformFileLock(int iDescriptor, int64_t llOffset, int64_t llLength,
                                        bool bExclusive, bool bWait) {
    if (!ValidRange(llOffset, llLength)) return MpPlatformLockResult::Failed;
    HANDLE hFile = HandleOf(iDescriptor);
    if (hFile == INVALID_HANDLE_VALUE) return MpPlatformLockResult::Failed;
    DWORD dwLow;
    DWORD dwHigh;
    SplitLength(llOffset, llLength, dwLow, dwHigh);
    OVERLAPPED at = LockPlaceOf(llOffset);
    const DWORD dwFlags = (bExclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | (bWait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (LockFileEx(hFile, dwFlags, 0, dwLow, dwHigh, &at)) return MpPlatformLockResult::Taken;
    const DWORD dwError = GetLastError();
    if (!bWait && (dwError == ERROR_LOCK_VIOLATION || dwError == ERROR_LOCK_FAILED)) {
        return MpPlatformLockResult::Busy;
    }
    return MpPlatformLockResult::Failed;
}

bool MpPlatformFileUnlock(int iDescriptor, int64_t llOffset, int64_t llLength, bool) {
    if (!ValidRange(llOffset, llLength)) return false;
    HANDLE hFile = HandleOf(iDescriptor);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    DWORD dwLow;
    DWORD dwHigh;
    SplitLength(llOffset, llLength, dwLow, dwHigh);
    OVERLAPPED at = LockPlaceOf(llOffset);
    return UnlockFileEx(hFile, 0, dwLow, dwHigh, &at) != 0;
}

void MpPlatformYield() { SwitchToThread(); }

bool MpPlatformTempDirectory(std::string& sDirectory) {
    char buffer[MAX_PATH + 1];
    const DWORD dwLength = GetTempPathA(sizeof buffer, buffer);
    if (dwLength == 0) return false;
    if (dwLength >= sizeof buffer) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    const DWORD dwAttributes = GetFileAttributesA(buffer);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    sDirectory = buffer;  // ends in "\"
    return true;
}

bool MpPlatformCreateTempFile(const char* pDirectory, const char* pPrefix, std::string& sPath) {
    // The system's unique names are "<first three letters of the prefix><hex number>.tmp".
    char name[MAX_PATH];
    if (GetTempFileNameA(*pDirectory == '\0' ? "." : pDirectory, pPrefix, 0, name) == 0) return false;
    sPath = name;
    return true;
}

bool MpPlatformPathExists(const char* pPath) {
    return pPath != nullptr && GetFileAttributesA(pPath) != INVALID_FILE_ATTRIBUTES;
}

int64_t MpPlatformFileSizeByName(const char* pPath) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (pPath == nullptr || !GetFileAttributesExA(pPath, GetFileExInfoStandard, &data)) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool MpPlatformRemoveFile(const char* pPath) {
    if (pPath == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return false;
    }
    return DeleteFileA(pPath) != 0;
}

// A second handle of the same open file object: the byte-range locks stay with the file object
// until its last handle closes, so closing the copy releases none of them.
int MpPlatformFileDuplicate(int iDescriptor) {
    HANDLE hFile = HandleOf(iDescriptor);
    HANDLE hCopy = nullptr;
    if (hFile == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), hFile, GetCurrentProcess(), &hCopy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return -1;
    }
    return DescriptorFor(hCopy, 0);
}

// The name is opened without following a reparse point, compared with the open file by volume
// and file index, and removed through that same handle: no other file can take the name between
// the check and the removal. The system removes the name when the file's last handle closes.
MpPlatformRemoveResult MpPlatformRemoveFileIfOpen(const char* pPath, int iDescriptor) {
    if (pPath == nullptr) return MpPlatformRemoveResult::Missing;
    HANDLE hNamed = CreateFileA(pPath, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hNamed == INVALID_HANDLE_VALUE) {
        const DWORD dwError = GetLastError();
        return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND ? MpPlatformRemoveResult::Missing
                                                                                   : MpPlatformRemoveResult::Failed;
    }
    BY_HANDLE_FILE_INFORMATION described;
    BY_HANDLE_FILE_INFORMATION named;
    MpPlatformRemoveResult result = MpPlatformRemoveResult::Failed;
    if (IdentityOf(HandleOf(iDescriptor), described) && IdentityOf(hNamed, named)) {
        FILE_DISPOSITION_INFO disposition{TRUE};
        if ((named.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
            !SameIdentity(described, named)) {
            SetLastError(ERROR_ACCESS_DENIED);
            result = MpPlatformRemoveResult::NotThisFile;
        } else if (SetFileInformationByHandle(hNamed, FileDispositionInfo, &disposition, sizeof disposition)) {
            result = MpPlatformRemoveResult::Removed;
        }
    }
    const DWORD dwError = GetLastError();
    CloseHandle(hNamed);
    SetLastError(dwError);
    return result;
}

bool MpPlatformRenameFile(const char* pTo, const char* pFrom) {
    if (pTo == nullptr || pFrom == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return false;
    }
    // Without MOVEFILE_COPY_ALLOWED, a move to another volume fails (ERROR_NOT_SAME_DEVICE).
    return MoveFileExA(pFrom, pTo, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool MpPlatformSameFile(const char* pFirst, const char* pSecond) {
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    if (pFirst == nullptr || pSecond == nullptr) return false;
    return IdentityByName(pFirst, first) && IdentityByName(pSecond, second) && SameIdentity(first, second);
}

bool MpPlatformSameFileAsDescriptor(int iDescriptor, const char* pPath) {
    BY_HANDLE_FILE_INFORMATION described;
    BY_HANDLE_FILE_INFORMATION named;
    if (pPath == nullptr) return false;
    return IdentityOf(HandleOf(iDescriptor), described) && IdentityByName(pPath, named) &&
           SameIdentity(described, named);
}

bool MpPlatformIsTerminal(int iDescriptor) {
    HANDLE hFile = HandleOf(iDescriptor);
    DWORD dwMode;
    return hFile != INVALID_HANDLE_VALUE && GetFileType(hFile) == FILE_TYPE_CHAR && GetConsoleMode(hFile, &dwMode);
}

// Windows has no broken-pipe signal: a write to a pipe that nobody reads fails (ERROR_NO_DATA)
// like any other failed write (and is recorded, see MpPlatformBrokenPipe.h).
bool MpPlatformIgnoreBrokenPipes() { return true; }

int MpPlatformOSCapabilities() { return 7; }

MpPlatformFileFailure MpPlatformClassifyFileFailure(int iErrorCode) {
    switch (iErrorCode) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_DRIVE:
            return MpPlatformFileFailure::NoSuchFile;
        case ERROR_TOO_MANY_OPEN_FILES:
            return MpPlatformFileFailure::TooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
        case ERROR_DIRECTORY:
            return MpPlatformFileFailure::PermissionDenied;
        case ERROR_INVALID_PARAMETER:
        case ERROR_INVALID_ACCESS:
            return MpPlatformFileFailure::InvalidAccess;
        default:
            return MpPlatformFileFailure::Unknown;
    }
}
