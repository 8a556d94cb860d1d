#include "Mpiounbuffered.h"


#include "MpException.h"
#include "MpPlatformError.h"
#include "MpPlatformFile.h"

namespace {

const char* const kClass = "MpIOUnbuffered";

long long Whole(nativeint llValue) { return static_cast<long long>(llValue); }

}  // namespace

MpIOUnbuffered::MpIOUnbuffered() : m_iDescriptor(-1), m_uFlags(0) {}

MpIOUnbuffered::MpIOUnbuffered(const char* sFile, unsigned uFlags) : MpIOUnbuffered() {
    try {
        Open(sFile, uFlags);
    } catch (MpException& e) {
        e.AddCallpath("Constructor(char * sFile...)", kClass);
        throw;
    }
}

MpIOUnbuffered::MpIOUnbuffered(const MpIOUnbuffered& other) : MpIOUnbuffered() {
    try {
        Copy(other);
    } catch (MpException& e) {
        e.AddCallpath("Copy constructor()", kClass);
        throw;
    }
}

MpIOUnbuffered::~MpIOUnbuffered() {
    Close();
}

void MpIOUnbuffered::Copy(const MpIOUnbuffered& other) {
    if (&other == this) return;
    try {
        Close();
        if (other.GetFileName()[0] != '\0') {
            nativeint llPosition = other.GetIsOpen() ? other.Tell64() : 0;
            Open(other.GetFileName(), other.GetOpenFlags() & ~(IO_CREATE | IO_TRUNCATE));
            Seek64Absolute(llPosition);
        }
    } catch (MpException& e) {
        e.AddCallpath("Copy()", kClass);
        throw;
    }
}

MpIOInterface* MpIOUnbuffered::Clone() const {
    return new MpIOUnbuffered(*this);
}

MpIOInterface* MpIOUnbuffered::CloneForFile(const char* sFile, unsigned uFlags) const {
    return new MpIOUnbuffered(sFile, uFlags);
}

MpIOLock* MpIOUnbuffered::CreateLock(int iType, nativeint llOffset, nativeint llLength) {
    return new MpOSLock(m_iDescriptor, iType, llOffset, llLength);
}

void MpIOUnbuffered::Open(const char* sFile, unsigned uFlags) {
    try {
        CheckOpenArguments(sFile, uFlags, kClass);
        // sFile may be this object's own name.
        MpString sName(sFile);
        Close();
        m_uFlags = uFlags;
        m_sFileName = sName;
        m_iDescriptor = OpenDescriptor(sName.GetCString(), uFlags);
        try {
            if ((uFlags & IO_APPEND) && (uFlags & IO_WRITE)) SysFileSeek(0, kMpSeekFromEnd);
            CreateBaseLock();
        } catch (...) {
            Close();
            throw;
        }
    } catch (MpException& e) {
        e.AddCallpath("Open", kClass);
        throw;
    }
}

void MpIOUnbuffered::Close() {
    DeleteLocks();
    if (m_iDescriptor != -1) MpPlatformFileClose(m_iDescriptor);
    m_iDescriptor = -1;
}

int32_t MpIOUnbuffered::Read(void* pBuffer, int32_t lCount, bool bRequired) {
    return ReadWith(MpPlatformFileRead, pBuffer, lCount, bRequired, "Read");
}

int32_t MpIOUnbuffered::ReadWith(int64_t (*pRead)(int, void*, int64_t), void* pBuffer, int32_t lCount,
                                 bool bRequired, const char* sCallpath) {
    try {
        if ((m_uFlags & IO_READ) == 0) MpException::Raise("Attempt to read from a write-only file", kClass);
        int64_t llRead = pRead(m_iDescriptor, pBuffer, lCount);
        if (llRead < 0 || (bRequired && llRead < lCount)) {
            MpException::RaiseFormatted("Unable to read %d bytes from \"%s\"", kClass, lCount, GetFileName());
        }
        return static_cast<int32_t>(llRead);
    } catch (MpException& e) {
        e.AddCallpath(sCallpath, kClass);
        throw;
    }
}

bool MpIOUnbuffered::WaitForInput(int32_t lMilliseconds) const {
    return MpPlatformFileWaitForInput(m_iDescriptor, lMilliseconds);
}

bool MpIOUnbuffered::MayWaitForInput() const { return MpPlatformFileMayWaitForInput(m_iDescriptor); }

int32_t MpIOUnbuffered::ReadSome(void* pBuffer, int32_t lCount) {
    return ReadWith(MpPlatformFileReadSome, pBuffer, lCount, false, "ReadSome");
}

void MpIOUnbuffered::Write(const void* pBuffer, int32_t lCount) {
    try {
        // The descriptor of a file opened for reading allows writing once an exclusive lock
        // reopened it (see MpPlatformFileLock): the flags decide, as the system would for a
        // read-only descriptor.
        if ((m_uFlags & IO_WRITE) == 0) {
            MpException::RaiseFormatted("Could not write %d bytes to \"%s\"", kClass, lCount, GetFileName());
        }
        // The system's reason (a full disk, a pipe whose reader went away) is what the user
        // can act on.
        if (MpPlatformFileWrite(m_iDescriptor, pBuffer, lCount) != lCount) {
            MpException::RaiseFormattedWithSystemError("Could not write %d bytes to \"%s\" -- ", false, kClass, lCount,
                                                       GetFileName());
        }
    } catch (MpException& e) {
        e.AddCallpath("Write()", kClass);
        throw;
    }
}

nativeint MpIOUnbuffered::GetFileSize64() const {
    try {
        return SystemFileSize(m_iDescriptor, GetFileName(), "MpIOUnbufferedInterface");
    } catch (MpException& e) {
        e.AddCallpath("GetFileSize64()", kClass);
        throw;
    }
}

bool MpIOUnbuffered::GetIsEOF() const {
    if (!GetIsOpen()) MpException::Raise("Cannot check for EOF on unopened file.", kClass);
    return Tell64() >= GetFileSize64();
}

int32_t MpIOUnbuffered::ReadFrom(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) {
    try {
        int64_t llRead = MpPlatformFileReadAt(m_iDescriptor, pBuffer, lCount, llOffset);
        if (llRead < 0) {
            MpException::RaiseFormattedWithSystemError("Could not read %d bytes at %lld in file \"%s\"", false, "MpIO",
                                                       lCount, Whole(llOffset), GetFileName());
        }
        if (bRequired && llRead < lCount) {
            nativeint llSize = GetFileSize64();
            MpException::RaiseFormatted(
                "Unable to read %d bytes from position %lld of file \"%s\"; file length is %lld", kClass, lCount,
                Whole(llOffset), GetFileName(), Whole(llSize));
        }
        return static_cast<int32_t>(llRead);
    } catch (MpException& e) {
        e.AddCallpath("ReadFrom()", kClass);
        throw;
    }
}

nativeint MpIOUnbuffered::SysFileSeek(nativeint llOffset, int iOrigin) const {
    return SystemSeek(m_iDescriptor, llOffset, iOrigin, GetFileName(), kClass);
}

void MpIOUnbuffered::Seek64Absolute(nativeint llPosition) {
    try {
        SysFileSeek(llPosition, kMpSeekFromStart);
    } catch (MpException& e) {
        e.AddCallpath("Seek64Absolute()", kClass);
        throw;
    }
}

nativeint MpIOUnbuffered::Seek64FromCurrent(nativeint llDelta) {
    try {
        return SysFileSeek(llDelta, kMpSeekFromCurrent);
    } catch (MpException& e) {
        e.AddCallpath("Seek64FromCurrent()", kClass);
        throw;
    }
}

nativeint MpIOUnbuffered::Seek64FromEnd(nativeint llDelta) {
    try {
        return SysFileSeek(llDelta, kMpSeekFromEnd);
    } catch (MpException& e) {
        e.AddCallpath("Seek64FromEnd()", kClass);
        throw;
    }
}

nativeint MpIOUnbuffered::Tell64() const {
    return SysFileSeek(0, kMpSeekFromCurrent);
}

void MpIOUnbuffered::Truncate64(nativeint llCount) {
    try {
        SystemTruncate(m_iDescriptor, llCount, GetFileSize64(), m_uFlags, GetFileName(), kClass);
        SysFileSeek(0, kMpSeekFromStart);
    } catch (MpException& e) {
        e.AddCallpath("Truncate64(nativeint)", kClass);
        throw;
    }
}

void MpIOUnbuffered::WriteTo(nativeint llOffset, const void* pBuffer, int32_t lCount) {
    try {
        if (llOffset < 0) MpException::RaiseFormatted("Cannot write to a negative offset, %lld", kClass, Whole(llOffset));
        int64_t llWritten = -1;
        if ((m_uFlags & IO_WRITE) != 0) {
            llWritten = MpPlatformFileWriteAt(m_iDescriptor, pBuffer, lCount, llOffset);
        } else {
            MpPlatformSetLastError(MpPlatformNotOpenForWritingError());
        }
        if (llWritten < 0) {
            MpException::RaiseFormattedWithSystemError("Could not write %d bytes to %lld in file \"%s\"", false, kClass,
                                                       lCount, Whole(llOffset), GetFileName());
        }
        if (llWritten < lCount) {
            MpException::RaiseFormatted("Only wrote %lld bytes out of %d to file \"%s\"", kClass, Whole(llWritten),
                                        lCount, GetFileName());
        }
    } catch (MpException& e) {
        e.AddCallpath("WriteTo()", kClass);
        throw;
    }
}
