#include "MpIOProxy.h"

#include <utility>

#include "MpException.h"

namespace {

const char* const kClass = "MpIOProxy";

}  // namespace

MpIOProxy::MpIOProxy(MpIOInterface& target) : m_pTarget(&target), m_llPosition(0) {}

int32_t MpIOProxy::Read(void* pBuffer, int32_t lCount, bool bRequired) {
    try {
        int32_t lRead = m_pTarget->ReadFrom(m_llPosition, pBuffer, lCount, bRequired);
        m_llPosition += lRead;
        return lRead;
    } catch (MpException& e) {
        e.AddCallpath("Read()", kClass);
        throw;
    }
}

void MpIOProxy::Write(const void* pBuffer, int32_t lCount) {
    try {
        m_pTarget->WriteTo(m_llPosition, pBuffer, lCount);
        m_llPosition += lCount;
    } catch (MpException& e) {
        e.AddCallpath("Write()", kClass);
        throw;
    }
}

MpIOInterface* MpIOProxy::Clone() const {
    return new MpIOProxy(*this);
}

MpIOInterface* MpIOProxy::CloneForFile(const char* sFile, unsigned uFlags) const {
    return m_pTarget->CloneForFile(sFile, uFlags);
}

bool MpIOProxy::GetIsEOF() const {
    return m_llPosition >= m_pTarget->GetFileSize64();
}

void MpIOProxy::Open(const char* sFile, unsigned uFlags) {
    m_pTarget->Open(sFile, uFlags);
    m_llPosition = 0;
}

int32_t MpIOProxy::ReadFrom(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) {
    return m_pTarget->ReadFrom(llOffset, pBuffer, lCount, bRequired);
}

nativeint MpIOProxy::Seek64FromCurrent(nativeint llDelta) {
    m_llPosition += llDelta;
    return m_llPosition;
}

nativeint MpIOProxy::Seek64FromEnd(nativeint llDelta) {
    m_llPosition = m_pTarget->GetFileSize64() + llDelta;
    return m_llPosition;
}

void MpIOProxy::WriteTo(nativeint llOffset, const void* pBuffer, int32_t lCount) {
    m_pTarget->WriteTo(llOffset, pBuffer, lCount);
}

void MpIOProxy::Lock(int iType, nativeint llOffset, nativeint llLength) {
    try {
        m_pTarget->Lock(iType, llOffset, llLength);
    } catch (MpException& e) {
        e.AddCallpath("Lock()", kClass);
        throw;
    }
}

bool MpIOProxy::TryLock(int iType, nativeint llOffset, nativeint llLength) {
    try {
        return m_pTarget->TryLock(iType, llOffset, llLength);
    } catch (MpException& e) {
        e.AddCallpath("TryLock()", kClass);
        throw;
    }
}

bool MpIOProxy::UnLock(int iType, nativeint llOffset, nativeint llLength) {
    try {
        return m_pTarget->UnLock(iType, llOffset, llLength);
    } catch (MpException& e) {
        e.AddCallpath("Unlock()", kClass);
        throw;
    }
}

void MpIOProxy::Swap(MpIOProxy& other) {
    std::swap(m_pTarget, other.m_pTarget);
    std::swap(m_llPosition, other.m_llPosition);
}
