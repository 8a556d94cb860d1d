// MpIOInterface: a random-access file stream (open, close, seek, sizes, positioned reads and
// writes, byte-range locks), abstract so that the buffered MpIO, its unbuffered sibling and
// proxies can stand in for one another. It implements the 32-bit forms of the position and
// size operations once on top of the 64-bit ones, and carries the static file operations that
// work on names (create, delete, exists, size, rename, copy, temporary names).
//
// MpIOInterfaceWithLocking adds the byte-range locks of an object with its own file: a base
// lock (made by CreateLock at Open, never locked itself, the template of every listed lock), a
// sorted list of the lock records it owns (at most one per range) and a mutex held for the
// whole of each Lock, TryLock and UnLock. Ranges of one object never conflict with each other,
// whatever their overlap; locks of the same range and type are shared by use count.
#pragma once

#include <cstdint>

#include "MpIOLock.h"
#include "MpMutex.h"
#include "MpNativeInt.h"
#include "MpStreamInterface.h"
#include "MpVector.h"

class MpProgressInterface;

// Bits of the open-flags word. IO_READ and IO_WRITE are also the permissions that reads, writes
// and truncation test. IO_CREATE, IO_TRUNCATE and IO_APPEND act with IO_WRITE only: both create
// or empty the file, IO_CREATE alone opens or creates, IO_TRUNCATE alone empties a file that
// must exist, neither opens a file that must exist; IO_APPEND starts at the end of the file.
// IO_TEXT asks for line-end translation, which this platform does not do. The lock types (256,
// 512) may be or-ed in; they are kept in the word and have no effect on the open.
constexpr unsigned IO_READ = 1;
constexpr unsigned IO_WRITE = 2;
constexpr unsigned IO_TEXT = 4;
constexpr unsigned IO_CREATE = 8;
constexpr unsigned IO_TRUNCATE = 16;
constexpr unsigned IO_APPEND = 32;
// With IO_CREATE: the file must not exist; checking and creating it are one step, so of two
// openers of one new name exactly one succeeds.
constexpr unsigned IO_EXCLUSIVE = 64;

class MpIOInterface : public MpStreamInterface {
public:
    // Sets sName to GetFileName().
    void GetStreamName(MpString& sName) const override;

    // A new object of the same class on the same file at the same position; the caller owns it.
    virtual MpIOInterface* Clone() const = 0;
    // A new object of the same class opened on sFile with uFlags; the caller owns it.
    virtual MpIOInterface* CloneForFile(const char* sFile, unsigned uFlags) const = 0;
    virtual void Close() = 0;
    // Stores unwritten data; the position is unchanged.
    virtual void Flush() = 0;
    // The name given to Open (empty text when closed); valid until the object changes.
    virtual const char* GetFileName() const = 0;
    virtual nativeint GetFileSize64() const = 0;
    virtual bool GetIsEOF() const = 0;
    virtual bool GetIsOpen() const = 0;
    virtual unsigned GetOpenFlags() const = 0;
    // Byte-range locks on [llOffset, llOffset + llLength), length 0 meaning to the largest
    // possible length; iType IO_LOCK_READ or IO_LOCK_WRITE.
    virtual void Lock(int iType, nativeint llOffset, nativeint llLength) = 0;
    virtual void Open(const char* sFile, unsigned uFlags) = 0;
    // Reads at llOffset without moving the position.
    virtual int32_t ReadFrom(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) = 0;
    virtual void Seek64Absolute(nativeint llPosition) = 0;
    virtual nativeint Seek64FromCurrent(nativeint llDelta) = 0;
    virtual nativeint Seek64FromEnd(nativeint llDelta) = 0;
    virtual nativeint Tell64() const = 0;
    // Cuts llCount bytes off the end of the file; 0 empties it.
    virtual void Truncate64(nativeint llCount) = 0;
    virtual bool TryLock(int iType, nativeint llOffset, nativeint llLength) = 0;
    virtual bool UnLock(int iType, nativeint llOffset, nativeint llLength) = 0;
    // Writes at llOffset without moving the position.
    virtual void WriteTo(nativeint llOffset, const void* pBuffer, int32_t lCount) = 0;

    // 32-bit forms. GetFileSize raises "File size, %ld, is not representable in 32 bits (signed
    // long)."; Seek (iWhence 0 from the start, 1 from the current position, 2 from the end)
    // raises "Invalid value for 'iWhence': %d" and "The resulting position (%ld) is not
    // representable in a long int (32 bits, signed).  Use \"Seek64\"()." (class
    // "MpIOInterface"); Tell raises "The file position is not representable in a long int (32
    // bits, signed).  Use \"Tell64()\"." (class "MpIO"). Call-path entries "GetFileSize()",
    // "Seek(long,int)", "Tell()", "Truncate()" of "MpIOInterface".
    virtual int32_t GetFileSize() const;
    virtual int32_t Seek(int32_t lOffset, int iWhence);
    virtual int32_t Tell() const;
    virtual void Truncate(int32_t lCount);

    // --- File operations on names. The destination comes first.

    // Creates sFile empty (emptying an existing file). Call-path entry "Create()".
    static void Create(const char* sFile);
    // Deletes sFile; a missing file is no error. A file that still exists afterwards raises
    // MpFileOpenFailedException "Error in deleting file '<name>'.  <reason>".
    // Call-path entry "Delete()".
    static void Delete(const char* sFile);
    // True when the path exists (a directory counts). Never fails.
    static bool Exists(const char* sFile);
    // True when both names exist and are the same file (same device and inode), however they
    // are spelt: relative names, "..", links. Never fails.
    static bool IsSameFile(const char* sFirst, const char* sSecond);
    // The size of the file in bytes, or 0 when it cannot be examined. Never fails.
    static nativeint GetFileSizeByName(const char* sFile);
    // Moves sFrom to sTo; where the system cannot (another file system), copies and deletes.
    // Call-path entry "Rename()".
    static void Rename(const char* sTo, const char* sFrom);
    // Replaces the contents of sTo (created if missing) by those of sFrom, holding a shared
    // lock on the whole source and an exclusive lock on the whole target meanwhile. Copying a
    // file onto itself leaves it as it is. A null progress counts as MpNullProgress.
    // Call-path entry "Copy()".
    static void Copy(const char* sTo, const char* sFrom, MpProgressInterface* pProgress);
    // Moves llLength bytes at llFrom to llTo inside one file; an overlapping range is copied
    // as it was before the copy. Call-path entry "CopyBlock()".
    static void CopyBlock(MpIOInterface& file, nativeint llTo, nativeint llFrom, nativeint llLength);
    // Copies llLength bytes at llSourceOffset of source to llTargetOffset of target in blocks
    // of 8192 bytes, reporting progress (range 0..100000); the progress object may cancel with
    // MpIOCanceledException "Block copy canceled; %ld bytes remained to be copied".
    // A source shorter than asked raises its required-read error. Call-path "CopyBlockToFile()".
    static void CopyBlockToFile(MpIOInterface& source, MpIOInterface& target, nativeint llTargetOffset,
                                nativeint llSourceOffset, nativeint llLength,
                                MpProgressInterface* pProgress);
    // Creates a new, empty file with a unique name in sDirectory (null: the system's temporary
    // directory) beginning with sPrefix (null: none); sets sResult to its name and returns its
    // text. Raises "Could not get temporary path name -- WIN32 : %s" / "Could not get temporary
    // file name -- WIN32 : %s" with the system text (class "MpIO"). Call-path "GetTempFileName".
    static const char* GetTempFileName(MpString& sResult, const char* sDirectory, const char* sPrefix);
    // llValue when it fits a signed 32-bit number; else raises "64-bit value %ld is not
    // representable in 32 bits (signed long)." Call-path "GetLongRepresentationOfNativeint(nativeint)".
    static int32_t GetLongRepresentationOfNativeint(nativeint llValue);

protected:
    // Raises MpFileOpenFailedException "Error in <sAction> file '<sFile>'.  <reason>", the
    // reason told by the system error code iErrorCode.
    [[noreturn]] static void RaiseFileFailure(const char* sAction, const char* sFile, int iErrorCode);

    // --- Shared by the classes that own a descriptor; sClassName is the class that raises.
    // Raises "Null pointer to filename" or "Invalid file flags" for arguments Open refuses.
    static void CheckOpenArguments(const char* sFile, unsigned uFlags, const char* sClassName);
    // Opens sFile; a refusal raises MpFileOpenFailedException "Error in opening file ...".
    static int OpenDescriptor(const char* sFile, unsigned uFlags);
    // The system seek (origin kMpSeekFrom...). Raises "Unable to position file pointer of \"%s\"
    // to byte %d" + system text; call-path entry "SysFileSeek(nativeint,int)" of sClassName.
    static nativeint SystemSeek(int iDescriptor, nativeint llOffset, int iOrigin, const char* sFile,
                                const char* sClassName);
    // The size of the open file. Raises "Unable to get file size of file \"%s\" --" + system text.
    static nativeint SystemFileSize(int iDescriptor, const char* sFile, const char* sClassName);
    // Cuts llCount bytes off the end of a file of llSize bytes (0 empties it) after the checks:
    // "Cannot truncate %ld bytes from file, %s.", "Attempt to truncate %d bytes from a file
    // which is %d bytes long", "Attempt to truncate file \"%s\" without write permission.";
    // a refusal of the system raises "Win32 Error : " + system text.
    static void SystemTruncate(int iDescriptor, nativeint llCount, nativeint llSize, unsigned uFlags,
                               const char* sFile, const char* sClassName);
};

class MpIOInterfaceWithLocking : public MpIOInterface {
public:
    MpIOInterfaceWithLocking();
    MpIOInterfaceWithLocking(const MpIOInterfaceWithLocking&) = delete;
    MpIOInterfaceWithLocking& operator=(const MpIOInterfaceWithLocking&) = delete;
    // Deletes the base lock and every listed lock (releasing what they hold), dropping errors.
    ~MpIOInterfaceWithLocking() override;

    // Takes (waiting) the lock of this range and type, adding it to the list on its first use.
    // Raises "Base lock not setup" without an open file and "Could not establish a %s lock of
    // length %d at offset %d; %s lock already held!" when the range is listed with the other
    // type (class "MpIOInterfaceWithLocking"). Every failure's message is extended by
    // " (<file name>)". Call-path entry "Lock()" of "MpIOInterfaceWithLocking".
    void Lock(int iType, nativeint llOffset, nativeint llLength) override;
    // As Lock, but false at once when another holder keeps the range, or when the lock is
    // exclusive and cannot be had on a file opened for reading only (see MpOSLock); the range
    // stays listed with use count 0. Call-path entry "TryLock()".
    bool TryLock(int iType, nativeint llOffset, nativeint llLength) override;
    // Counts one use of the range's lock less (the type is not compared). Returns true when the
    // range is no longer locked (also when it never was): the lock is then released and
    // removed from the list. Call-path entry "UnLock()".
    bool UnLock(int iType, nativeint llOffset, nativeint llLength) override;

    // A new, unlocked lock record on this object's file; the caller owns it.
    virtual MpIOLock* CreateLock(int iType, nativeint llOffset, nativeint llLength) = 0;

    // Number of listed lock records (for tests and diagnostics).
    int32_t GetLockCount() const { return m_locks.GetCount(); }

protected:
    // Makes the base lock (IO_LOCK_READ, offset 0, length 0); Open calls it once the file is
    // open.
    void CreateBaseLock();
    // Deletes the base lock and every listed lock; each releases what it holds, dropping errors.
    void DeleteLocks() noexcept;

private:
    using LockList = MpSortedVector<MpIOLock*, MpPointerVector<MpIOLock>, MpPredicateLess<MpIOLock>,
                                    MpPredicateEqual<MpIOLock>>;

    // The base lock reset to the range, and the position of the first listed lock that does
    // not sort before it. Raises "Base lock not setup" without a base lock.
    int32_t FindRange(int iType, nativeint llOffset, nativeint llLength);
    bool IsListedAt(int32_t lPosition) const;
    // The listed lock of this range and type, cloned from the base lock and listed if new.
    MpIOLock* FindOrAddLock(int iType, nativeint llOffset, nativeint llLength);
    // Extends the message of a failed lock operation by the file's name and adds the entry.
    void AnnotateFailure(MpException& e, const char* sMethod) const noexcept;

    MpIOLock* m_pBaseLock;
    LockList m_locks;
    MpMutex m_mutex;
};
