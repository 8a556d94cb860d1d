// The file name follows the library's own naming of this header, not the class name's casing.
// MpIOUnbuffered: access to one named file without a buffer of its own. Every read, write and
// seek goes straight to the operating system; the position is the descriptor's. The object owns
// its descriptor, its lock records (MpIOInterfaceWithLocking) and its copy of the file name,
// which, unlike MpIO's, survives Close.
//
// A file that cannot seek (a pipe, a FIFO) is read and written in order by Read and Write; the
// seeks, Tell64 and the positioned transfers fail with the system's "Illegal seek". Opened
// without IO_READ, the file is opened write-only (see MpPlatformFileOpen).
//
// Failures are MpExceptions of class "MpIOUnbuffered" unless a method says otherwise (a failed
// open is an MpFileOpenFailedException); each operation adds its call-path entry of class
// "MpIOUnbuffered". One thread at a time, as MpIO.
#pragma once

#include <cstdint>

#include "MpIOInterface.h"
#include "MpString.h"

class MpIOUnbuffered : public MpIOInterfaceWithLocking {
public:
    // A closed object without a name.
    MpIOUnbuffered();
    // Then Open(sFile, uFlags). Call-path entry "Constructor(char * sFile...)".
    MpIOUnbuffered(const char* sFile, unsigned uFlags);
    // Then Copy(other). Call-path entry "Copy constructor()".
    MpIOUnbuffered(const MpIOUnbuffered& other);
    MpIOUnbuffered& operator=(const MpIOUnbuffered&) = delete;
    ~MpIOUnbuffered() override;

    // Closes this object; if other has a name, opens that file with other's flags (less
    // IO_CREATE and IO_TRUNCATE) at other's position (0 when other is closed).
    // Call-path entry "Copy()".
    void Copy(const MpIOUnbuffered& other);

    // One system read. Without IO_READ raises "Attempt to read from a write-only file"; a failed
    // read, or a short one with bRequired, raises "Unable to read %d bytes from \"%s\"".
    // Call-path entry "Read".
    int32_t Read(void* pBuffer, int32_t lCount, bool bRequired) override;
    // Waits up to lMilliseconds for the file to have something to read: false when nothing came
    // in that time or a signal ended the wait (see MpPlatformFileWaitForInput).
    bool WaitForInput(int32_t lMilliseconds) const;
    // Whether a read may wait for input at all (see MpPlatformFileMayWaitForInput): when not,
    // WaitForInput answers at once, and need not be asked.
    bool MayWaitForInput() const;
    // Up to lCount bytes of what the file holds now, waiting only while it holds nothing (one
    // system read, retried when interrupted); 0 at its end. Fails as Read.
    // Call-path entry "ReadSome".
    int32_t ReadSome(void* pBuffer, int32_t lCount);
    // One system write. Without IO_WRITE raises "Could not write %d bytes to \"%s\""; a refused
    // or short write raises the same text followed by " -- " and the system's reason ("Broken
    // pipe" when a pipe's reader went away). Call-path entry "Write()".
    void Write(const void* pBuffer, int32_t lCount) override;

    MpIOInterface* Clone() const override;
    MpIOInterface* CloneForFile(const char* sFile, unsigned uFlags) const override;
    // Releases the locks and closes the descriptor; the name stays.
    void Close() override;
    // Nothing to store.
    void Flush() override {}
    const char* GetFileName() const override { return m_sFileName.GetCString(); }
    // Raises "Unable to get file size of file \"%s\" --" + system text (class
    // "MpIOUnbufferedInterface"). Call-path entry "GetFileSize64()".
    nativeint GetFileSize64() const override;
    // On a closed object raises "Cannot check for EOF on unopened file.".
    bool GetIsEOF() const override;
    bool GetIsOpen() const override { return m_iDescriptor != -1; }
    unsigned GetOpenFlags() const override { return m_uFlags; }
    // As MpIO's Open, without a buffer. Call-path entry "Open".
    void Open(const char* sFile, unsigned uFlags) override;
    // Reads at llOffset, leaving the position. A failed read raises "Could not read %d bytes at
    // %d in file \"%s\"" + system text (class "MpIO"), a short one with bRequired "Unable to
    // read %d bytes from position %ld of file \"%s\"; file length is %ld".
    // Call-path entry "ReadFrom()".
    int32_t ReadFrom(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) override;
    // One system seek each, without a test of their own for a negative result. Call-path
    // entries "Seek64Absolute()", "Seek64FromCurrent()", "Seek64FromEnd()".
    void Seek64Absolute(nativeint llPosition) override;
    nativeint Seek64FromCurrent(nativeint llDelta) override;
    nativeint Seek64FromEnd(nativeint llDelta) override;
    nativeint Tell64() const override;
    // The checks and messages of MpIO; the position is 0 afterwards.
    // Call-path entry "Truncate64(nativeint)".
    void Truncate64(nativeint llCount) override;
    // Writes at llOffset, leaving the position. Raises "Cannot write to a negative offset, %ld",
    // "Could not write %d bytes to %ld in file \"%s\"" + system text, "Only wrote %d bytes out
    // of %d to file \"%s\"". Call-path entry "WriteTo()".
    void WriteTo(nativeint llOffset, const void* pBuffer, int32_t lCount) override;
    // A new MpOSLock on this object's descriptor.
    MpIOLock* CreateLock(int iType, nativeint llOffset, nativeint llLength) override;

private:
    // One read through pRead (a platform read), with Read's checks and messages.
    int32_t ReadWith(int64_t (*pRead)(int, void*, int64_t), void* pBuffer, int32_t lCount, bool bRequired,
                     const char* sCallpath);
    nativeint SysFileSeek(nativeint llOffset, int iOrigin) const;

    int m_iDescriptor;
    unsigned m_uFlags;
    MpString m_sFileName;
};
