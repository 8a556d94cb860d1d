#include "MpIOInterface.h"

#include <limits>

#include "MpException.h"
#include "MpPlatformError.h"
#include "MpPlatformFile.h"
#include "MpString.h"

namespace {

bool FitsInt32(nativeint llValue) {
    return llValue >= std::numeric_limits<int32_t>::min() && llValue <= std::numeric_limits<int32_t>::max();
}

const char* FailureReason(int iErrorCode) {
    switch (MpPlatformClassifyFileFailure(iErrorCode)) {
        case MpPlatformFileFailure::NoSuchFile: return "No such file or directory.";
        case MpPlatformFileFailure::TooManyOpenFiles: return "Too many open files.";
        case MpPlatformFileFailure::PermissionDenied: return "Permission denied.";
        case MpPlatformFileFailure::InvalidAccess: return "Invalid access code.";
        case MpPlatformFileFailure::Unknown: break;
    }
    return "Unknown error.";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// MpIOInterface
// ---------------------------------------------------------------------------------------------

void MpIOInterface::GetStreamName(MpString& sName) const {
    sName = GetFileName();
}

int32_t MpIOInterface::GetFileSize() const {
    try {
        nativeint llSize = GetFileSize64();
        if (!FitsInt32(llSize)) {
            MpException::RaiseFormatted("File size, %lld, is not representable in 32 bits (signed long).",
                                        "MpIOInterface", static_cast<long long>(llSize));
        }
        return static_cast<int32_t>(llSize);
    } catch (MpException& e) {
        e.AddCallpath("GetFileSize()", "MpIOInterface");
        throw;
    }
}

int32_t MpIOInterface::Seek(int32_t lOffset, int iWhence) {
    try {
        nativeint llResult = 0;
        switch (iWhence) {
            case 0:
                Seek64Absolute(lOffset);
                llResult = lOffset;
                break;
            case 1:
                llResult = Seek64FromCurrent(lOffset);
                break;
            case 2:
                llResult = Seek64FromEnd(lOffset);
                break;
            default:
                MpException::RaiseFormatted("Invalid value for 'iWhence': %d", "MpIOInterface", iWhence);
        }
        if (!FitsInt32(llResult)) {
            MpException::RaiseFormatted(
                "The resulting position (%lld) is not representable in a long int (32 bits, signed).  "
                "Use \"Seek64\"().",
                "MpIOInterface", static_cast<long long>(llResult));
        }
        return static_cast<int32_t>(llResult);
    } catch (MpException& e) {
        e.AddCallpath("Seek(long,int)", "MpIOInterface");
        throw;
    }
}

int32_t MpIOInterface::Tell() const {
    try {
        nativeint llPosition = Tell64();
        if (!FitsInt32(llPosition)) {
            MpException::Raise(
                "The file position is not representable in a long int (32 bits, signed).  Use \"Tell64()\".",
                "MpIO");
        }
        return static_cast<int32_t>(llPosition);
    } catch (MpException& e) {
        e.AddCallpath("Tell()", "MpIOInterface");
        throw;
    }
}

void MpIOInterface::Truncate(int32_t lCount) {
    try {
        Truncate64(lCount);
    } catch (MpException& e) {
        e.AddCallpath("Truncate()", "MpIOInterface");
        throw;
    }
}

void MpIOInterface::RaiseFileFailure(const char* sAction, const char* sFile, int iErrorCode) {
    MpString sMessage;
    sMessage.printf("Error in %s file '%s'.  %s", sAction, sFile, FailureReason(iErrorCode));
    throw MpFileOpenFailedException(sMessage.GetCString());
}

void MpIOInterface::CheckOpenArguments(const char* sFile, unsigned uFlags, const char* sClassName) {
    if (sFile == nullptr) MpException::Raise("Null pointer to filename", sClassName);
    if ((uFlags & (IO_READ | IO_WRITE)) == 0) MpException::Raise("Invalid file flags", sClassName);
}

int MpIOInterface::OpenDescriptor(const char* sFile, unsigned uFlags) {
    int iDescriptor = MpPlatformFileOpen(sFile, uFlags);
    if (iDescriptor < 0) RaiseFileFailure("opening", sFile, MpPlatformLastError());
    return iDescriptor;
}

nativeint MpIOInterface::SystemSeek(int iDescriptor, nativeint llOffset, int iOrigin, const char* sFile,
                                    const char* sClassName) {
    try {
        int64_t llResult = MpPlatformFileSeek(iDescriptor, llOffset, iOrigin);
        if (llResult < 0) {
            MpException::RaiseFormattedWithSystemError("Unable to position file pointer of \"%s\" to byte %lld",
                                                       false, sClassName, sFile, static_cast<long long>(llOffset));
        }
        return llResult;
    } catch (MpException& e) {
        e.AddCallpath("SysFileSeek(nativeint,int)", sClassName);
        throw;
    }
}

nativeint MpIOInterface::SystemFileSize(int iDescriptor, const char* sFile, const char* sClassName) {
    int64_t llSize = MpPlatformFileSize(iDescriptor);
    if (llSize < 0) {
        MpException::RaiseFormattedWithSystemError("Unable to get file size of file \"%s\" --", false, sClassName,
                                                   sFile);
    }
    return llSize;
}

void MpIOInterface::SystemTruncate(int iDescriptor, nativeint llCount, nativeint llSize, unsigned uFlags,
                                   const char* sFile, const char* sClassName) {
    if (llCount < 0) {
        MpException::RaiseFormatted("Cannot truncate %lld bytes from file, %s.", sClassName,
                                    static_cast<long long>(llCount), sFile);
    }
    if (llCount > llSize) {
        MpException::RaiseFormatted("Attempt to truncate %lld bytes from a file which is %lld bytes long", sClassName,
                                    static_cast<long long>(llCount), static_cast<long long>(llSize));
    }
    if ((uFlags & IO_WRITE) == 0) {
        MpException::RaiseFormatted("Attempt to truncate file \"%s\" without write permission.", sClassName, sFile);
    }
    // A count of 0 empties the file, as the whole size does.
    nativeint llNewLength = llCount == 0 ? 0 : llSize - llCount;
    if (!MpPlatformFileSetEnd(iDescriptor, llNewLength)) {
        MpException::RaiseWithSystemError("Win32 Error : ", false, sClassName);
    }
}

// ---------------------------------------------------------------------------------------------
// MpIOInterfaceWithLocking
// ---------------------------------------------------------------------------------------------

MpIOInterfaceWithLocking::MpIOInterfaceWithLocking() : m_pBaseLock(nullptr) {}

MpIOInterfaceWithLocking::~MpIOInterfaceWithLocking() {
    DeleteLocks();
}

void MpIOInterfaceWithLocking::CreateBaseLock() {
    delete m_pBaseLock;
    m_pBaseLock = nullptr;
    m_pBaseLock = CreateLock(IO_LOCK_READ, 0, 0);
}

void MpIOInterfaceWithLocking::DeleteLocks() noexcept {
    // Lock destructors drop their own errors.
    delete m_pBaseLock;
    m_pBaseLock = nullptr;
    m_locks.clear();
}

void MpIOInterfaceWithLocking::Lock(int iType, nativeint llOffset, nativeint llLength) {
    try {
        MpMutexGuard guard(m_mutex);
        FindOrAddLock(iType, llOffset, llLength)->Lock();
    } catch (MpException& e) {
        AnnotateFailure(e, "Lock()");
        throw;
    }
}

bool MpIOInterfaceWithLocking::TryLock(int iType, nativeint llOffset, nativeint llLength) {
    try {
        MpMutexGuard guard(m_mutex);
        return FindOrAddLock(iType, llOffset, llLength)->TryLock();
    } catch (MpException& e) {
        AnnotateFailure(e, "TryLock()");
        throw;
    }
}

bool MpIOInterfaceWithLocking::UnLock(int iType, nativeint llOffset, nativeint llLength) {
    try {
        MpMutexGuard guard(m_mutex);
        int32_t lPosition = FindRange(iType, llOffset, llLength);
        if (!IsListedAt(lPosition)) return true;
        if (!m_locks[lPosition]->Unlock()) return false;
        m_locks.erase(m_locks.begin() + lPosition);
        return true;
    } catch (MpException& e) {
        AnnotateFailure(e, "UnLock()");
        throw;
    }
}

int32_t MpIOInterfaceWithLocking::FindRange(int iType, nativeint llOffset, nativeint llLength) {
    if (m_pBaseLock == nullptr) MpException::Raise("Base lock not setup", "MpIOInterfaceWithLocking");
    m_pBaseLock->Reset(iType, llOffset, llLength);
    return m_locks.FindPosition(m_pBaseLock);
}

bool MpIOInterfaceWithLocking::IsListedAt(int32_t lPosition) const {
    return lPosition < m_locks.GetCount() && *m_locks[lPosition] == *m_pBaseLock;
}

MpIOLock* MpIOInterfaceWithLocking::FindOrAddLock(int iType, nativeint llOffset, nativeint llLength) {
    int32_t lPosition = FindRange(iType, llOffset, llLength);
    if (IsListedAt(lPosition)) {
        MpIOLock* pListed = m_locks[lPosition];
        if (pListed->GetType() == iType) return pListed;
        MpException::RaiseFormatted(
            "Could not establish a %s lock of length %lld at offset %lld; %s lock already held!",
            "MpIOInterfaceWithLocking", MpIOLock::GetTypeName(iType), static_cast<long long>(llLength),
            static_cast<long long>(llOffset), MpIOLock::GetTypeName(pListed->GetType()));
    }
    MpIOLock* pLock = m_pBaseLock->Clone();
    try {
        m_locks.insert(m_locks.begin() + lPosition, pLock);
    } catch (...) {
        delete pLock;
        throw;
    }
    return pLock;
}

void MpIOInterfaceWithLocking::AnnotateFailure(MpException& e, const char* sMethod) const noexcept {
    e.SetErrorMessage("%s (%s)", e.GetErrorMessage(), GetFileName());
    e.AddCallpath(sMethod, "MpIOInterfaceWithLocking");
}
