// Byte-range lock records of an I/O object.
//
// MpIOLock is one lock on [offset, offset + length) of a file (length 0: from offset to the
// largest possible length), of type IO_LOCK_READ (shared) or IO_LOCK_WRITE (exclusive), with
// a use count: 0 while the operating-system lock is not held, else the number of Lock/TryLock
// calls not yet matched by Unlock. The I/O object owns its lock records (see
// MpIOInterfaceWithLocking); a record never outlives the object's open file.
//
// MpOSLock takes the lock on a file descriptor, through the extended lock calls or, when
// MpIOSystem says they are missing, the older exclusive-only calls (a READ lock then excludes
// other readers too). Destroying a MpOSLock that holds its lock releases it.
#pragma once

#include "MpNativeInt.h"

// Lock types. Any type other than IO_LOCK_WRITE is taken as a shared lock and named "READ".
constexpr int IO_LOCK_READ = 256;
constexpr int IO_LOCK_WRITE = 512;

class MpIOLock {
public:
    MpIOLock(int iType, nativeint llOffset, nativeint llLength);
    MpIOLock(const MpIOLock&) = delete;
    MpIOLock& operator=(const MpIOLock&) = delete;

    // Takes the operating-system lock, waiting as long as another holder keeps the range.
    virtual void TrueLock() = 0;
    // Takes the operating-system lock only if it is free; false when it is not.
    virtual bool TrueTryLock() = 0;
    // Releases the operating-system lock.
    virtual void TrueUnlock() = 0;
    virtual ~MpIOLock();
    // A new lock of the same class, type, range and file, with use count 0.
    virtual MpIOLock* Clone() const = 0;

    // Takes the operating-system lock if the use count is 0; then counts one more use.
    // Call-path entry "Lock()" of "MpIOLock".
    void Lock();
    // With uses already counted, counts one more and returns true. Otherwise tries the
    // operating-system lock: refused gives false, taken sets the use count to 1.
    // Call-path entry "TryLock()" of "MpIOLock".
    bool TryLock();
    // Counts one use less, releasing the operating-system lock when the last use goes (at 0
    // nothing happens). Returns whether the use count is now 0. Call-path entry "Unlock()".
    bool Unlock();
    // Releases the operating-system lock if it is held, then takes the new type and range with
    // use count 0. Call-path entry "Reset()" of "MpIOLock".
    void Reset(int iType, nativeint llOffset, nativeint llLength);

    int GetType() const { return m_iType; }
    nativeint GetOffset() const { return m_llOffset; }
    nativeint GetLength() const { return m_llLength; }
    int GetUseCount() const { return m_iUseCount; }

    // Order by offset, then length, both as unsigned 64-bit numbers; equal when offset and
    // length are. The type takes no part.
    bool operator<(const MpIOLock& other) const;
    bool operator==(const MpIOLock& other) const;

    // "WRITE" for IO_LOCK_WRITE, "READ" for any other type.
    static const char* GetTypeName(int iType);

protected:
    // The length given to the operating system: length 0 becomes the largest positive
    // 64-bit number.
    nativeint GetSystemLength() const;

private:
    nativeint m_llOffset;
    nativeint m_llLength;
    int m_iType;
    int m_iUseCount;
};

class MpOSLock : public MpIOLock {
public:
    // A lock on the open file iDescriptor; the descriptor stays the caller's.
    MpOSLock(int iDescriptor, int iType, nativeint llOffset, nativeint llLength);
    // Releases the operating-system lock if the use count is not 0; errors are dropped.
    ~MpOSLock() override;

    // Extended calls: a shared lock for IO_LOCK_READ, exclusive for IO_LOCK_WRITE; failures
    // raise "Could not lock file -- " / "Could not unlock file -- " + system text (class
    // "MpIO"). Without them, the Old... forms below. Call-path entries "TrueLock()",
    // "TrueTryLock()", "TrueUnlock()" of "MpOSLock".
    // An exclusive lock on a file opened for reading only needs the file reopened for writing
    // (see MpPlatformFileLock). Where that cannot be done (no /proc, no permission to write),
    // the lock can never be had through this opening: TrueTryLock and OldTryLock answer false,
    // TrueLock and OldLock raise "Could not lock file -- an exclusive lock needs write access,
    // and the file is open for reading only".
    void TrueLock() override;
    bool TrueTryLock() override;
    void TrueUnlock() override;
    MpIOLock* Clone() const override;

    // The older calls: exclusive locks on the low 32 bits of offset and length. OldLock retries
    // (yielding the processor between attempts) until the range is free; OldTryLock tries once.
    // Failures raise "Could not lock file -- " / "Could not unlock file -- " + system text
    // (class "MpOSLock"). Call-path entries "OldLock()", "OldTryLock()", "OldUnlock()".
    void OldLock();
    bool OldTryLock();
    void OldUnlock();

private:
    nativeint GetOldOffset() const;
    nativeint GetOldLength() const;

    int m_iDescriptor;
    // How the lock in force was taken. The start-up may switch the kind of lock while one is
    // held, and a lock can only be released by the calls that took it.
    bool m_bExtended = false;
};
