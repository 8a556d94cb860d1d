#include "MpIO.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "MpAlloc.h"
#include "MpException.h"
#include "MpPlatformError.h"
#include "MpPlatformFile.h"
#include "MpPlatformSignal.h"

static_assert(IO_READ == kMpOpenRead && IO_WRITE == kMpOpenWrite && IO_TEXT == kMpOpenText &&
                  IO_CREATE == kMpOpenCreate && IO_TRUNCATE == kMpOpenTruncate &&
                  IO_APPEND == kMpOpenAppend && IO_EXCLUSIVE == kMpOpenExclusive,
              "the platform open must understand the library's flags word");

namespace {

std::unique_ptr<char[]> AllocateBuffer(uint32_t ulSize) {
    return std::unique_ptr<char[]>(MpAllocate(static_cast<int32_t>(ulSize)));
}

uint32_t ClampBufferSize(int32_t lSize) {
    if (lSize < static_cast<int32_t>(MpIO::kDefaultBufferSize)) return MpIO::kDefaultBufferSize;
    if (lSize > static_cast<int32_t>(MpIO::kMaximumBufferSize)) return MpIO::kMaximumBufferSize;
    return static_cast<uint32_t>(lSize);
}

long long Whole(nativeint llValue) { return static_cast<long long>(llValue); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and destruction
// ---------------------------------------------------------------------------------------------

MpIO::MpIO()
    : m_iDescriptor(-1),
      m_uFlags(0),
      m_pBuffer(AllocateBuffer(kDefaultBufferSize)),
      m_lPosition(0),
      m_lValid(0),
      m_ulCapacity(kDefaultBufferSize),
      m_llBufferStart(0),
      m_bClean(true),
      m_bLoadPending(false),
      m_bSequential(false),
      m_llLoadPosition(0) {}

MpIO::MpIO(const char* sFile, unsigned uFlags) : MpIO() {
    try {
        Open(sFile, uFlags);
    } catch (MpException& e) {
        e.AddCallpath("Constructor(char * sFile...)", "MpIO");
        throw;
    }
}

MpIO::MpIO(const MpIO& other) : MpIO() {
    try {
        Copy(other);
    } catch (MpException& e) {
        e.AddCallpath("Copy constructor()", "MpIO");
        throw;
    }
}

MpIO::~MpIO() {
    try {
        Close();
    } catch (...) {
    }
    if (m_iDescriptor != -1) {
        DeleteLocks();
        MpPlatformFileClose(m_iDescriptor);
        m_iDescriptor = -1;
    }
}

void MpIO::Copy(const MpIO& other) {
    if (&other == this) return;
    try {
        Close();
        SetBufferSize(static_cast<int32_t>(other.m_ulCapacity));
        if (other.GetFileName()[0] != '\0') {
            Open(other.GetFileName(), other.GetOpenFlags() & ~(IO_CREATE | IO_TRUNCATE));
            Seek64Absolute(other.Tell64());
        }
    } catch (MpException& e) {
        e.AddCallpath("Copy()", "MpIO");
        throw;
    }
}

MpIOInterface* MpIO::Clone() const {
    return new MpIO(*this);
}

MpIOInterface* MpIO::CloneForFile(const char* sFile, unsigned uFlags) const {
    return new MpIO(sFile, uFlags);
}

MpIOLock* MpIO::CreateLock(int iType, nativeint llOffset, nativeint llLength) {
    return new MpOSLock(m_iDescriptor, iType, llOffset, llLength);
}

int MpIO::DuplicateDescriptor() const {
    const int iCopy = MpPlatformFileDuplicate(m_iDescriptor);
    if (iCopy < 0) {
        MpException::RaiseFormattedWithSystemError("Could not duplicate the descriptor of file \"%s\" -- ", false,
                                                    "MpIO", GetFileName());
    }
    return iCopy;
}

bool MpIO::RemoveOpenFile() {
    try {
        switch (MpPlatformRemoveFileIfOpen(GetFileName(), m_iDescriptor)) {
            case MpPlatformRemoveResult::Removed:
                return true;
            case MpPlatformRemoveResult::Missing:
                return false;
            case MpPlatformRemoveResult::NotThisFile:
            case MpPlatformRemoveResult::Failed:
                break;
        }
        RaiseFileFailure("deleting", GetFileName(), MpPlatformLastError());
    } catch (MpException& e) {
        e.AddCallpath("RemoveOpenFile()", "MpIO");
        throw;
    }
}

void MpIO::RemoveOnForcedEnd() {
    // A name too long to be kept is longer than any path the file could have been opened by.
    MpPlatformRemoveOnForcedEnd(GetFileName(), m_iDescriptor);
}

// ---------------------------------------------------------------------------------------------
// Open and close
// ---------------------------------------------------------------------------------------------

void MpIO::Open(const char* sFile, unsigned uFlags) {
    try {
        CheckOpenArguments(sFile, uFlags, "MpIO");
        // sFile may be this object's own name, which Close empties.
        MpString sName(sFile);
        Close();
        m_uFlags = uFlags;
        m_iDescriptor = OpenDescriptor(sName.GetCString(), uFlags);
        m_sFileName = sName;
        try {
            ResetBuffer();
            m_bSequential = MpPlatformFileSeek(m_iDescriptor, 0, kMpSeekFromCurrent) < 0;
            if ((uFlags & IO_APPEND) && (uFlags & IO_WRITE) && !m_bSequential) SysFileSeek(0, kMpSeekFromEnd);
            CreateBaseLock();
            // A pipe is read only when something is read from it: a writer must not wait for
            // input, nor take bytes meant for another reader.
            if (m_bSequential) {
                StartEmptyWindow();
            } else {
                FlushBuffer(true);
            }
        } catch (...) {
            // An object whose open did not complete is left closed.
            DeleteLocks();
            MpPlatformFileClose(m_iDescriptor);
            m_iDescriptor = -1;
            m_sFileName.Clear();
            throw;
        }
    } catch (MpException& e) {
        e.AddCallpath("Open", "MpIO");
        throw;
    }
}

void MpIO::Close() {
    try {
        DeleteLocks();
        if (m_iDescriptor != -1) {
            FlushBuffer(false);
            MpPlatformKeepOnForcedEnd(m_iDescriptor);
            MpPlatformFileClose(m_iDescriptor);
            m_iDescriptor = -1;
        }
        m_sFileName.Clear();
        ResetBuffer();
    } catch (MpException& e) {
        e.AddCallpath("Close()", "MpIO");
        throw;
    }
}

void MpIO::ResetBuffer() {
    m_bClean = true;
    m_bLoadPending = false;
    m_lPosition = 0;
    m_lValid = 0;
    m_llBufferStart = 0;
    m_llLoadPosition = 0;
}

// ---------------------------------------------------------------------------------------------
// The buffer window
// ---------------------------------------------------------------------------------------------

void MpIO::FlushBuffer(bool bRefill) {
    if (!m_bClean) StoreBuffer();
    if (bRefill) LoadBuffer();
}

void MpIO::StoreBuffer() {
    StoreBytes(m_pBuffer.get(), m_lValid, m_llBufferStart);
    m_llLoadPosition = m_llBufferStart + m_lValid;
    m_bClean = true;
    // What went down a pipe is gone: kept in the window, it would go down a second time with
    // the next store.
    if (m_bSequential) StartEmptyWindow();
}

void MpIO::StoreBytes(const char* pBytes, int32_t lCount, nativeint llOffset) {
    int64_t llWritten = m_bSequential ? MpPlatformFileWrite(m_iDescriptor, pBytes, lCount)
                                      : MpPlatformFileWriteAt(m_iDescriptor, pBytes, lCount, llOffset);
    // The system's reason (a full disk, a closed pipe) is what the user can act on.
    if (llWritten < 0) {
        MpException::RaiseFormattedWithSystemError("Unable to write %d bytes at offset %lld of file \"%s\" -- ", false,
                                                   "MpIO", lCount, Whole(llOffset), GetFileName());
    }
    if (llWritten < lCount) {
        MpException::RaiseFormattedWithSystemError(
            "Only able to write %lld bytes of %d bytes at offset %lld of file \"%s\" -- ", false, "MpIO",
            Whole(llWritten), lCount, Whole(llOffset), GetFileName());
    }
}

void MpIO::LoadBuffer() {
    m_llBufferStart = m_llLoadPosition;
    m_lPosition = 0;
    m_lValid = 0;
    // An object that may not read never does: its descriptor may be write-only, and a pipe
    // must not hand its writer's bytes back.
    m_bLoadPending = (m_uFlags & IO_READ) == 0;
    if (m_bLoadPending) return;
    // A pipe's bytes are taken as they come: a line is delivered without waiting for a
    // buffer-full behind it.
    int64_t llRead = m_bSequential ? MpPlatformFileReadSome(m_iDescriptor, m_pBuffer.get(), m_ulCapacity)
                                   : MpPlatformFileReadAt(m_iDescriptor, m_pBuffer.get(), m_ulCapacity, m_llBufferStart);
    if (llRead < 0) {
        MpException::RaiseFormattedWithSystemError("Unable to read %u bytes at offset %lld of file \"%s\" -- ", false,
                                                   "MpIO", m_ulCapacity, Whole(m_llBufferStart), GetFileName());
    }
    m_lValid = static_cast<int32_t>(llRead);
    m_llLoadPosition = m_llBufferStart + llRead;
}

void MpIO::StartEmptyWindow() {
    m_llBufferStart = m_llLoadPosition;
    m_lPosition = 0;
    m_lValid = 0;
    m_bLoadPending = true;
}

void MpIO::LoadPendingWindow() {
    if (m_bLoadPending && m_lValid == 0) LoadBuffer();
}

void MpIO::LoadAt(nativeint llPosition) {
    FlushBuffer(false);
    SysFileSeek(llPosition, kMpSeekFromStart);
    LoadBuffer();
}

// The window is the buffer's valid data plus the position right after it, so that a position
// reached by reading or writing to the end of the data stays in the buffer. Positions beyond
// move the window, so the buffer never holds bytes that neither came from the file nor were
// written.
bool MpIO::IsInWindow(nativeint llPosition) const {
    return llPosition >= m_llBufferStart && llPosition <= m_llBufferStart + m_lValid;
}

void MpIO::MoveTo(nativeint llPosition) {
    if (IsInWindow(llPosition)) {
        m_lPosition = static_cast<int32_t>(llPosition - m_llBufferStart);
        return;
    }
    LoadAt(llPosition);
}

nativeint MpIO::SysFileSeek(nativeint llOffset, int iOrigin) {
    m_llLoadPosition = SystemSeek(m_iDescriptor, llOffset, iOrigin, GetFileName(), "MpIO");
    return m_llLoadPosition;
}

void MpIO::SetBufferSize(int32_t lSize) {
    try {
        uint32_t ulSize = ClampBufferSize(lSize);
        if (ulSize == m_ulCapacity) return;
        std::unique_ptr<char[]> pFresh = AllocateBuffer(ulSize);
        if (GetIsOpen()) FlushBuffer(false);
        if (ulSize > m_ulCapacity) {
            std::memcpy(pFresh.get(), m_pBuffer.get(), static_cast<size_t>(m_lValid));
            m_pBuffer = std::move(pFresh);
            m_ulCapacity = ulSize;
            return;
        }
        if (m_bSequential) {
            ShrinkKeepingUnreadBytes(std::move(pFresh), ulSize);
            return;
        }
        // A smaller buffer starts a new window at the current position. The window is emptied
        // before the load, so a failed load leaves nothing of the old buffer in the new one.
        nativeint llPosition = Tell64();
        m_pBuffer = std::move(pFresh);
        m_ulCapacity = ulSize;
        if (GetIsOpen()) {
            m_llLoadPosition = llPosition;
            LoadBuffer();
        } else {
            ResetBuffer();
        }
    } catch (MpException& e) {
        e.AddCallpath("SetBufferSize()", "MpIO");
        throw;
    }
}

// The bytes read from a pipe and not yet delivered exist nowhere else: the smaller buffer takes
// them over, or the buffer stays as it is.
void MpIO::ShrinkKeepingUnreadBytes(std::unique_ptr<char[]> pFresh, uint32_t ulSize) {
    const int32_t lUnread = m_lValid - m_lPosition;
    if (lUnread > static_cast<int32_t>(ulSize)) {
        MpException::RaiseFormatted("Cannot shrink the buffer of \"%s\" to %u bytes while it holds %d bytes not yet read",
                                    "MpIO", GetFileName(), ulSize, lUnread);
    }
    std::memcpy(pFresh.get(), m_pBuffer.get() + m_lPosition, static_cast<size_t>(lUnread));
    m_pBuffer = std::move(pFresh);
    m_ulCapacity = ulSize;
    m_llBufferStart += m_lPosition;
    m_lPosition = 0;
    m_lValid = lUnread;
    m_bLoadPending = lUnread == 0;
}

// ---------------------------------------------------------------------------------------------
// Reading and writing
// ---------------------------------------------------------------------------------------------

void MpIO::BeginSequentialOutput(int32_t lCount) {
    if (!m_bSequential || !m_bClean || m_lValid == 0) return;
    // A pipe's buffer holds either input not yet delivered or output not yet stored: a store
    // of a window that holds input would send that input down the pipe.
    if (m_lPosition < m_lValid) {
        MpPlatformSetLastError(MpPlatformCannotSeekError());
        MpException::RaiseFormattedWithSystemError("Unable to write %d bytes at offset %lld of file \"%s\" -- ", false,
                                                   "MpIO", lCount, Whole(Tell64()), GetFileName());
    }
    StartEmptyWindow();
}

void MpIO::RaiseIllegalSeek(const char* sFormat, nativeint llOffset, int32_t lCount) const {
    MpPlatformSetLastError(MpPlatformCannotSeekError());
    MpException::RaiseFormattedWithSystemError(sFormat, false, "MpIO", lCount, Whole(llOffset), GetFileName());
}

void MpIO::CheckReadable() const {
    if ((m_uFlags & IO_READ) == 0) MpException::Raise("Attempt to read from a write-only file", "MpIO");
}

void MpIO::CheckWritable() const {
    if ((m_uFlags & IO_WRITE) == 0) MpException::Raise("Attempt to write to a read-only file", "MpIO");
}

int32_t MpIO::Read(void* pBuffer, int32_t lCount, bool bRequired) {
    if (lCount <= 0) return 0;
    try {
        CheckReadable();
        LoadPendingWindow();
        char* pOut = static_cast<char*>(pBuffer);
        int32_t lRemaining = lCount;
        while (lRemaining > 0 && m_lValid != 0) {
            int32_t lTake = std::min(m_lValid - m_lPosition, lRemaining);
            std::memcpy(pOut, m_pBuffer.get() + m_lPosition, static_cast<size_t>(lTake));
            pOut += lTake;
            m_lPosition += lTake;
            lRemaining -= lTake;
            if (lRemaining > 0) FlushBuffer(true);
        }
        if (lRemaining > 0 && bRequired) {
            MpException::RaiseFormatted("Unable to perform a required read at offset %lld of \"%s\"", "MpIO",
                                        Whole(Tell64()), GetFileName());
        }
        return lCount - lRemaining;
    } catch (MpException& e) {
        e.AddCallpath("Read", "MpIO");
        throw;
    }
}

int32_t MpIO::GetBufferedInput(const char*& pData) {
    try {
        CheckReadable();
        LoadPendingWindow();
        if (m_lPosition == m_lValid && m_lValid != 0) FlushBuffer(true);
        pData = m_pBuffer.get() + m_lPosition;
        return m_lValid - m_lPosition;
    } catch (MpException& e) {
        e.AddCallpath("Read", "MpIO");
        throw;
    }
}

void MpIO::SkipBufferedInput(int32_t lCount) {
    m_lPosition += lCount;
}

void MpIO::Write(const void* pBuffer, int32_t lCount) {
    try {
        CheckWritable();
        if (!GetIsOpen() && lCount > 0) {
            MpException::RaiseFormatted("Unable to write %d bytes at offset %lld of file \"%s\"", "MpIO",
                                        lCount, Whole(Tell64()), GetFileName());
        }
        if (lCount > 0) BeginSequentialOutput(lCount);
        const char* pIn = static_cast<const char*>(pBuffer);
        int32_t lRemaining = lCount;
        while (lRemaining > 0) {
            int32_t lTake = std::min(static_cast<int32_t>(m_ulCapacity) - m_lPosition, lRemaining);
            std::memcpy(m_pBuffer.get() + m_lPosition, pIn, static_cast<size_t>(lTake));
            m_bClean = false;
            pIn += lTake;
            m_lPosition += lTake;
            lRemaining -= lTake;
            m_lValid = std::max(m_lValid, m_lPosition);
            // A full buffer is stored at once and the window moves on.
            if (m_lPosition == static_cast<int32_t>(m_ulCapacity)) {
                StoreBuffer();
                StartEmptyWindow();
            }
        }
    } catch (MpException& e) {
        e.AddCallpath("Write()", "MpIO");
        throw;
    }
}

void MpIO::WriteThrough(const void* pBuffer, int32_t lCount) {
    try {
        CheckWritable();
        if (lCount <= 0) return;
        const nativeint llOffset = Tell64();
        if (!GetIsOpen()) {
            MpException::RaiseFormatted("Unable to write %d bytes at offset %lld of file \"%s\"", "MpIO", lCount,
                                        Whole(llOffset), GetFileName());
        }
        BeginSequentialOutput(lCount);
        FlushBuffer(false);
        StoreBytes(static_cast<const char*>(pBuffer), lCount, llOffset);
        m_llLoadPosition = llOffset + lCount;
        StartEmptyWindow();
    } catch (MpException& e) {
        e.AddCallpath("WriteThrough()", "MpIO");
        throw;
    }
}

void MpIO::SplitAtWindow(nativeint llOffset, int32_t lCount, int32_t& lBefore, int32_t& lMiddle,
                         int32_t& lAfter) const {
    nativeint llEnd = llOffset + lCount;
    nativeint llWindowEnd = m_llBufferStart + m_lValid;
    lBefore = static_cast<int32_t>(std::clamp<nativeint>(m_llBufferStart - llOffset, 0, lCount));
    lAfter = llEnd > llWindowEnd
                 ? static_cast<int32_t>(std::min<nativeint>(llEnd - std::max(llOffset, llWindowEnd), lCount - lBefore))
                 : 0;
    lMiddle = lCount - lBefore - lAfter;
}

int32_t MpIO::ReadFrom(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) {
    try {
        if (lCount <= 0) return 0;
        if (m_bSequential) {
            if (llOffset != Tell64()) RaiseIllegalSeek("Could not read %d bytes at %lld in file \"%s\"", llOffset, lCount);
            int32_t lRead = Read(pBuffer, lCount, false);
            if (bRequired && lRead != lCount) RaiseShortRead(llOffset, lCount);
            return lRead;
        }
        char* pOut = static_cast<char*>(pBuffer);
        int32_t lBefore, lMiddle, lAfter;
        SplitAtWindow(llOffset, lCount, lBefore, lMiddle, lAfter);
        int32_t lGot = PositionedRead(llOffset, pOut, lBefore, bRequired);
        if (lGot == lBefore) {
            nativeint llInside = std::max<nativeint>(llOffset - m_llBufferStart, 0);
            std::memcpy(pOut + lBefore, m_pBuffer.get() + llInside, static_cast<size_t>(lMiddle));
            lGot += lMiddle;
            lGot += PositionedRead(llOffset + lBefore + lMiddle, pOut + lBefore + lMiddle, lAfter, bRequired);
        }
        if (bRequired && lGot != lCount) RaiseShortRead(llOffset, lCount);
        return lGot;
    } catch (MpException& e) {
        e.AddCallpath("ReadFrom()", "MpIO");
        throw;
    }
}

int32_t MpIO::PositionedRead(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) const {
    try {
        if (lCount <= 0) return 0;
        int64_t llRead = MpPlatformFileReadAt(m_iDescriptor, pBuffer, lCount, llOffset);
        if (llRead < 0) {
            MpException::RaiseFormattedWithSystemError("Could not read %d bytes at %lld in file \"%s\"", false,
                                                       "MpIO", lCount, Whole(llOffset), GetFileName());
        }
        if (bRequired && llRead < lCount) RaiseShortRead(llOffset, lCount);
        return static_cast<int32_t>(llRead);
    } catch (MpException& e) {
        e.AddCallpath("PositionedRead()", "MpIO");
        throw;
    }
}

void MpIO::RaiseShortRead(nativeint llOffset, int32_t lCount) const {
    nativeint llSize = GetFileSize64();
    MpException::RaiseFormatted("Unable to read %d bytes from position %lld of file \"%s\"; file length is %lld",
                                "MpIO", lCount, Whole(llOffset), GetFileName(), Whole(llSize));
}

void MpIO::WriteTo(nativeint llOffset, const void* pBuffer, int32_t lCount) {
    try {
        CheckWritable();
        if (lCount <= 0) return;
        if (m_bSequential) {
            if (llOffset != Tell64()) {
                RaiseIllegalSeek("Unable to write %d bytes at position %lld of file \"%s\"", llOffset, lCount);
            }
            Write(pBuffer, lCount);
            return;
        }
        const char* pIn = static_cast<const char*>(pBuffer);
        int32_t lBefore, lMiddle, lAfter;
        SplitAtWindow(llOffset, lCount, lBefore, lMiddle, lAfter);
        // The parts outside the window go straight to the file; the part inside goes into the
        // buffer, where it replaces what the file holds and reaches the file with the buffer.
        bool bComplete = lBefore == 0 || MpPlatformFileWriteAt(m_iDescriptor, pIn, lBefore, llOffset) == lBefore;
        if (bComplete && lMiddle > 0) {
            nativeint llInside = std::max<nativeint>(llOffset - m_llBufferStart, 0);
            std::memcpy(m_pBuffer.get() + llInside, pIn + lBefore, static_cast<size_t>(lMiddle));
            m_bClean = false;
        }
        if (bComplete && lAfter > 0) {
            nativeint llAfter = llOffset + lBefore + lMiddle;
            bComplete = MpPlatformFileWriteAt(m_iDescriptor, pIn + lBefore + lMiddle, lAfter, llAfter) == lAfter;
        }
        if (!bComplete) {
            MpException::RaiseFormattedWithSystemError("Unable to write %d bytes at position %lld of file \"%s\"",
                                                       false, "MpIO", lCount, Whole(llOffset), GetFileName());
        }
    } catch (MpException& e) {
        e.AddCallpath("WriteTo()", "MpIO");
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Positions and sizes
// ---------------------------------------------------------------------------------------------

void MpIO::Seek64Absolute(nativeint llPosition) {
    try {
        MoveTo(llPosition);
    } catch (MpException& e) {
        e.AddCallpath("Seek64Absolute(nativeint)", "MpIO");
        throw;
    }
}

nativeint MpIO::Seek64FromCurrent(nativeint llDelta) {
    try {
        nativeint llCurrent = Tell64();
        nativeint llTarget;
        if (__builtin_add_overflow(llCurrent, llDelta, &llTarget)) {
            llTarget = llDelta > 0 ? std::numeric_limits<nativeint>::max() : -1;
        }
        if (llTarget < 0) {
            MpException::RaiseFormatted("Cannot seek %lld bytes from current position, %lld.", "MpIOInterface",
                                        Whole(llDelta), Whole(llCurrent));
        }
        MoveTo(llTarget);
        return llTarget;
    } catch (MpException& e) {
        e.AddCallpath("Seek64FromCurrent(nativeint)", "MpIO");
        throw;
    }
}

nativeint MpIO::Seek64FromEnd(nativeint llDelta) {
    try {
        FlushBuffer(false);
        nativeint llPosition = SysFileSeek(llDelta, kMpSeekFromEnd);
        LoadBuffer();
        return llPosition;
    } catch (MpException& e) {
        e.AddCallpath("Seek64FromEnd(nativeint)", "MpIO");
        throw;
    }
}

// Storing leaves the window where it is (on a pipe: empty, after the bytes stored), so the
// position stays and nothing is read: a pipe's writer must not take its own bytes back.
void MpIO::Flush() {
    FlushBuffer(false);
}

nativeint MpIO::GetFileSize64() const {
    try {
        return SystemFileSize(m_iDescriptor, GetFileName(), "MpIOInterface");
    } catch (MpException& e) {
        e.AddCallpath("GetFileSize64()", "MpIO");
        throw;
    }
}

bool MpIO::GetIsEOF() const {
    nativeint llEnd = GetFileSize64();
    if (!m_bClean) llEnd = std::max(llEnd, m_llBufferStart + m_lValid);
    return Tell64() >= llEnd;
}

void MpIO::Truncate64(nativeint llCount) {
    try {
        // Stored first, so that the size includes everything written.
        FlushBuffer(false);
        SystemTruncate(m_iDescriptor, llCount, GetFileSize64(), m_uFlags, GetFileName(), "MpIO");
        LoadAt(0);
    } catch (MpException& e) {
        e.AddCallpath("Truncate64(nativeint)", "MpIO");
        throw;
    }
}
