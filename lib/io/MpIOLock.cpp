#include "MpIOLock.h"

#include <cstdint>
#include <limits>

#include "MpException.h"
#include "MpIOSystem.h"
#include "MpPlatformFile.h"

// ---------------------------------------------------------------------------------------------
// MpIOLock
// ---------------------------------------------------------------------------------------------

MpIOLock::MpIOLock(int iType, nativeint llOffset, nativeint llLength)
    : m_llOffset(llOffset), m_llLength(llLength), m_iType(iType), m_iUseCount(0) {}

MpIOLock::~MpIOLock() {}

void MpIOLock::Lock() {
    try {
        if (m_iUseCount == 0) TrueLock();
        ++m_iUseCount;
    } catch (MpException& e) {
        e.AddCallpath("Lock()", "MpIOLock");
        throw;
    }
}

bool MpIOLock::TryLock() {
    try {
        if (m_iUseCount > 0) {
            ++m_iUseCount;
            return true;
        }
        if (!TrueTryLock()) return false;
        m_iUseCount = 1;
        return true;
    } catch (MpException& e) {
        e.AddCallpath("TryLock()", "MpIOLock");
        throw;
    }
}

bool MpIOLock::Unlock() {
    try {
        if (m_iUseCount == 1) {
            TrueUnlock();
            m_iUseCount = 0;
        } else if (m_iUseCount > 1) {
            --m_iUseCount;
        }
        return m_iUseCount == 0;
    } catch (MpException& e) {
        e.AddCallpath("Unlock()", "MpIOLock");
        throw;
    }
}

void MpIOLock::Reset(int iType, nativeint llOffset, nativeint llLength) {
    try {
        if (m_iUseCount != 0) TrueUnlock();
        m_iType = iType;
        m_llOffset = llOffset;
        m_llLength = llLength;
        m_iUseCount = 0;
    } catch (MpException& e) {
        e.AddCallpath("Reset()", "MpIOLock");
        throw;
    }
}

bool MpIOLock::operator<(const MpIOLock& other) const {
    uint64_t ullOffset = static_cast<uint64_t>(m_llOffset);
    uint64_t ullOtherOffset = static_cast<uint64_t>(other.m_llOffset);
    if (ullOffset != ullOtherOffset) return ullOffset < ullOtherOffset;
    return static_cast<uint64_t>(m_llLength) < static_cast<uint64_t>(other.m_llLength);
}

bool MpIOLock::operator==(const MpIOLock& other) const {
    return m_llOffset == other.m_llOffset && m_llLength == other.m_llLength;
}

const char* MpIOLock::GetTypeName(int iType) {
    return iType == IO_LOCK_WRITE ? "WRITE" : "READ";
}

nativeint MpIOLock::GetSystemLength() const {
    return m_llLength == 0 ? std::numeric_limits<nativeint>::max() : m_llLength;
}

// ---------------------------------------------------------------------------------------------
// MpOSLock
// ---------------------------------------------------------------------------------------------

namespace {

// A lock the system refused for good. The system's reason for a failed reopen (often that
// /proc is missing) would only mislead: what the user can act on is the open mode.
[[noreturn]] void RaiseLockFailure(MpPlatformLockResult result, const char* sClass) {
    if (result == MpPlatformLockResult::NeedsWriteAccess) {
        MpException::Raise("Could not lock file -- an exclusive lock needs write access, and the file is open for "
                           "reading only",
                           sClass);
    }
    MpException::RaiseWithSystemError("Could not lock file -- ", false, sClass);
}

// The answer of a lock request that must not wait: a lock held elsewhere, or one that this
// opening of the file can never take, is no failure but a refusal.
bool AnswerOfTry(MpPlatformLockResult result, const char* sClass) {
    if (result == MpPlatformLockResult::Failed) RaiseLockFailure(result, sClass);
    return result == MpPlatformLockResult::Taken;
}

}  // namespace

MpOSLock::MpOSLock(int iDescriptor, int iType, nativeint llOffset, nativeint llLength)
    : MpIOLock(iType, llOffset, llLength), m_iDescriptor(iDescriptor) {}

MpOSLock::~MpOSLock() {
    if (GetUseCount() == 0) return;
    try {
        TrueUnlock();
    } catch (...) {
    }
}

void MpOSLock::TrueLock() {
    try {
        m_bExtended = MpIOSystem::HasExtendedLocks();
        if (!m_bExtended) {
            OldLock();
            return;
        }
        MpPlatformLockResult result =
            MpPlatformFileLock(m_iDescriptor, GetOffset(), GetSystemLength(), GetType() == IO_LOCK_WRITE, true);
        if (result != MpPlatformLockResult::Taken) RaiseLockFailure(result, "MpIO");
    } catch (MpException& e) {
        e.AddCallpath("TrueLock()", "MpOSLock");
        throw;
    }
}

bool MpOSLock::TrueTryLock() {
    try {
        m_bExtended = MpIOSystem::HasExtendedLocks();
        if (!m_bExtended) return OldTryLock();
        MpPlatformLockResult result = MpPlatformFileLock(
            m_iDescriptor, GetOffset(), GetSystemLength(), GetType() == IO_LOCK_WRITE, false);
        return AnswerOfTry(result, "MpIO");
    } catch (MpException& e) {
        e.AddCallpath("TrueTryLock()", "MpOSLock");
        throw;
    }
}

void MpOSLock::TrueUnlock() {
    try {
        if (!m_bExtended) {
            OldUnlock();
            return;
        }
        if (!MpPlatformFileUnlock(m_iDescriptor, GetOffset(), GetSystemLength(),
                                  GetType() == IO_LOCK_WRITE)) {
            MpException::RaiseWithSystemError("Could not unlock file -- ", false, "MpIO");
        }
    } catch (MpException& e) {
        e.AddCallpath("TrueUnlock()", "MpOSLock");
        throw;
    }
}

MpIOLock* MpOSLock::Clone() const {
    return new MpOSLock(m_iDescriptor, GetType(), GetOffset(), GetLength());
}

void MpOSLock::OldLock() {
    try {
        for (;;) {
            MpPlatformLockResult result =
                MpPlatformFileLock(m_iDescriptor, GetOldOffset(), GetOldLength(), true, false);
            if (result == MpPlatformLockResult::Taken) return;
            if (result != MpPlatformLockResult::Busy) RaiseLockFailure(result, "MpOSLock");
            MpPlatformYield();
        }
    } catch (MpException& e) {
        e.AddCallpath("OldLock()", "MpOSLock");
        throw;
    }
}

bool MpOSLock::OldTryLock() {
    try {
        MpPlatformLockResult result =
            MpPlatformFileLock(m_iDescriptor, GetOldOffset(), GetOldLength(), true, false);
        return AnswerOfTry(result, "MpOSLock");
    } catch (MpException& e) {
        e.AddCallpath("OldTryLock()", "MpOSLock");
        throw;
    }
}

void MpOSLock::OldUnlock() {
    try {
        if (!MpPlatformFileUnlock(m_iDescriptor, GetOldOffset(), GetOldLength(), true)) {
            MpException::RaiseWithSystemError("Could not unlock file -- ", false, "MpOSLock");
        }
    } catch (MpException& e) {
        e.AddCallpath("OldUnlock()", "MpOSLock");
        throw;
    }
}

// The older calls take 32-bit ranges: the low halves of offset and length, high halves 0.
nativeint MpOSLock::GetOldOffset() const {
    return static_cast<uint32_t>(GetOffset());
}

nativeint MpOSLock::GetOldLength() const {
    return static_cast<uint32_t>(GetSystemLength());
}
