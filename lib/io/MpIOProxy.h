// MpIOProxy: a second, independent position on another I/O object, its target. The proxy owns
// no file: its reads and writes become positioned reads and writes of the target (ReadFrom,
// WriteTo), so several users can work on one open file, each at its own position; on an MpIO
// target they share its buffer and see each other's writes at once. Everything else is
// forwarded to the target.
//
// The target is not owned: it must outlive the proxy, which neither closes nor deletes it. A
// proxy's position may become negative or lie beyond the target's end; that shows only when a
// forwarded read or write fails.
//
// On a target that cannot seek (an MpIO on a pipe) the proxy reads and writes in order: a read
// or write at the target's current position moves both on; at any other position it fails with
// the target's "Illegal seek" (see MpIO).
#pragma once

#include <cstdint>

#include "MpIOInterface.h"

class MpIOProxy : public MpIOInterface {
public:
    // Position 0 on target.
    explicit MpIOProxy(MpIOInterface& target);

    // Reads at the proxy's position through the target's ReadFrom and moves on by what came.
    // Call-path entry "Read()" of "MpIOProxy".
    int32_t Read(void* pBuffer, int32_t lCount, bool bRequired) override;
    // Writes at the proxy's position through the target's WriteTo and moves on.
    // Call-path entry "Write()".
    void Write(const void* pBuffer, int32_t lCount) override;

    // A new proxy on the same target at the same position.
    MpIOInterface* Clone() const override;
    // The target's CloneForFile: an object of the target's class, not a proxy.
    MpIOInterface* CloneForFile(const char* sFile, unsigned uFlags) const override;
    void Close() override { m_pTarget->Close(); }
    void Flush() override { m_pTarget->Flush(); }
    const char* GetFileName() const override { return m_pTarget->GetFileName(); }
    nativeint GetFileSize64() const override { return m_pTarget->GetFileSize64(); }
    bool GetIsEOF() const override;
    bool GetIsOpen() const override { return m_pTarget->GetIsOpen(); }
    unsigned GetOpenFlags() const override { return m_pTarget->GetOpenFlags(); }
    // Opens the target; the proxy's position becomes 0.
    void Open(const char* sFile, unsigned uFlags) override;
    int32_t ReadFrom(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) override;
    void Seek64Absolute(nativeint llPosition) override { m_llPosition = llPosition; }
    nativeint Seek64FromCurrent(nativeint llDelta) override;
    // The target's size plus llDelta.
    nativeint Seek64FromEnd(nativeint llDelta) override;
    nativeint Tell64() const override { return m_llPosition; }
    void Truncate64(nativeint llCount) override { m_pTarget->Truncate64(llCount); }
    void WriteTo(nativeint llOffset, const void* pBuffer, int32_t lCount) override;
    // Forwarded to the target (its lock list and mutex). Call-path entries "Lock()",
    // "TryLock()", "Unlock()" of "MpIOProxy".
    void Lock(int iType, nativeint llOffset, nativeint llLength) override;
    bool TryLock(int iType, nativeint llOffset, nativeint llLength) override;
    bool UnLock(int iType, nativeint llOffset, nativeint llLength) override;

    // Exchanges target and position with other.
    virtual void Swap(MpIOProxy& other);

private:
    MpIOInterface* m_pTarget;
    nativeint m_llPosition;
};
