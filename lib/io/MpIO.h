// MpIO: buffered, byte-level access to one named file.
//
// The object owns one memory buffer (8000 bytes unless resized, at most 1024000) that mirrors a
// stretch of the file, the buffer window, and reaches the operating system only when the window
// has to move or its unwritten data has to be stored. A sequential reader makes one system read
// per buffer-full, a sequential writer one write per buffer-full; line reading scans the buffer
// directly. Positions and sizes are 64-bit. The object also owns its descriptor, its lock
// records (MpIOInterfaceWithLocking) and its copy of the file name.
//
// A file that cannot seek (a pipe, a FIFO, a terminal) is read and written strictly in order:
// - each byte is stored once: a store empties the window, which then starts after the bytes
//   stored, so nothing stored is written again (after SetBufferSize, or after a seek,
//   Seek64FromEnd or Truncate64 that failed);
// - the buffer holds either input not yet delivered or output not yet stored: a write while
//   input is waiting fails ("Unable to write %d bytes at offset %lld of file \"%s\" -- " and
//   the system's "Illegal seek"), a write after all input was delivered starts an empty window;
// - ReadFrom and WriteTo at the current position read and write in order (the position
//   moves, there is no other); at any other offset they fail with "Illegal seek" and change
//   nothing; seeks out of the window fail the same way;
// - Flush stores and never reads; SetBufferSize keeps the bytes read and not yet delivered.
// Opened without IO_READ, the file is opened write-only and never read, whatever it is; a
// pipe whose reader went away then fails the next store with the system's "Broken pipe".
//
// GetFileSize64 reports only what has been stored: data still in the buffer is not counted
// until Flush, a seek out of the window, a full buffer or Close.
//
// One thread at a time: only the lock operations are guarded. Two MpIO objects on one file
// (for instance a Copy) each have their own buffer and do not see each other's unwritten data.
//
// Failures are MpExceptions of class "MpIO" with the library's messages (a failed open is an
// MpFileOpenFailedException); each public operation adds its call-path entry of class "MpIO".
#pragma once

#include <cstdint>
#include <memory>

#include "MpIOInterface.h"
#include "MpString.h"

class MpIO : public MpIOInterfaceWithLocking {
public:
    static constexpr uint32_t kDefaultBufferSize = 8000;
    static constexpr uint32_t kMaximumBufferSize = 1024000;

    // A closed object with an 8000-byte buffer.
    MpIO();
    // Then Open(sFile, uFlags). Call-path entry "Constructor(char * sFile...)".
    MpIO(const char* sFile, unsigned uFlags);
    // Then Copy(other). Call-path entry "Copy constructor()".
    MpIO(const MpIO& other);
    MpIO& operator=(const MpIO&) = delete;
    // Closes the file, dropping any error; the descriptor is closed in any case.
    ~MpIO() override;

    // Makes this object a second, independent opening of other's file (with other's flags less
    // IO_CREATE and IO_TRUNCATE, which would empty the file other is working on), with other's
    // buffer size, at other's position. Data other still holds unwritten is not seen.
    // Call-path entry "Copy()".
    void Copy(const MpIO& other);

    // Resizes the buffer to lSize bytes clamped into [8000, 1024000], keeping the position and
    // storing unwritten data where needed. On a file that cannot seek the bytes read and not
    // yet delivered move into the new buffer; when they do not fit, it raises "Cannot shrink
    // the buffer of \"%s\" to %u bytes while it holds %d bytes not yet read" and nothing
    // changes. Call-path entry "SetBufferSize()".
    void SetBufferSize(int32_t lSize);
    uint32_t GetBufferSize() const { return m_ulCapacity; }

    // --- Stream sides.
    // Without IO_READ raises "Attempt to read from a write-only file" (a count of 0 returns 0
    // first); with bRequired, running out raises "Unable to perform a required read at offset
    // %ld of \"%s\"", the bytes before it delivered. Call-path entry "Read".
    int32_t Read(void* pBuffer, int32_t lCount, bool bRequired) override;
    // Without IO_WRITE raises "Attempt to write to a read-only file"; a count of 0 or less does
    // nothing. A write that fills the buffer stores it at once. Call-path entry "Write()".
    void Write(const void* pBuffer, int32_t lCount) override;
    // Writes lCount bytes at the position straight from pBuffer, for a caller that gathers
    // large blocks itself and would only have them copied into the buffer: unwritten data is
    // stored first, then the bytes in one system write; the window then starts empty after
    // them. Failures as a full buffer's ("Unable to write %d bytes at offset %lld of file
    // \"%s\" -- " and the system's reason). Call-path entry "WriteThrough()".
    void WriteThrough(const void* pBuffer, int32_t lCount);

    // --- MpIOInterface.
    MpIOInterface* Clone() const override;
    MpIOInterface* CloneForFile(const char* sFile, unsigned uFlags) const override;
    // Releases the locks, stores unwritten data and closes the file; a failed store is reported
    // and leaves the file open. On a closed object it only empties the name. The flags and the
    // buffer remain. Call-path entry "Close()".
    void Close() override;
    // Stores unwritten data; the position and the buffer's contents stay, nothing is read.
    void Flush() override;
    const char* GetFileName() const override { return m_sFileName.GetCString(); }
    // Call-path entry "GetFileSize64()".
    nativeint GetFileSize64() const override;
    // The position is at or beyond the end of the file, counting data not yet stored.
    bool GetIsEOF() const override;
    bool GetIsOpen() const override { return m_iDescriptor != -1; }
    unsigned GetOpenFlags() const override { return m_uFlags; }
    // Opens sFile (closing the current file first). A null name raises "Null pointer to
    // filename", a word with neither IO_READ nor IO_WRITE "Invalid file flags", both before the
    // current file is closed; a refused open raises MpFileOpenFailedException "Error in opening
    // file '<name>'.  <reason>" and leaves the object closed. Call-path entry "Open".
    void Open(const char* sFile, unsigned uFlags) override;
    // Takes what the buffer window holds from the buffer, the rest from the file. With
    // bRequired a short read raises "Unable to read %d bytes from position %ld of file \"%s\";
    // file length is %ld". Call-path entry "ReadFrom()".
    int32_t ReadFrom(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) override;
    // Call-path entries "Seek64Absolute(nativeint)", "Seek64FromCurrent(nativeint)" (a negative
    // result raises "Cannot seek %ld bytes from current position, %ld.", class
    // "MpIOInterface"), "Seek64FromEnd(nativeint)".
    void Seek64Absolute(nativeint llPosition) override;
    nativeint Seek64FromCurrent(nativeint llDelta) override;
    nativeint Seek64FromEnd(nativeint llDelta) override;
    nativeint Tell64() const override { return m_llBufferStart + m_lPosition; }
    // Cuts llCount bytes off the end (0 empties the file) and moves the position to the start.
    // Call-path entry "Truncate64(nativeint)".
    void Truncate64(nativeint llCount) override;
    // Writes the part inside the buffer window into the buffer, the rest to the file. Without
    // IO_WRITE raises "Attempt to write to a read-only file". Call-path entry "WriteTo()".
    void WriteTo(nativeint llOffset, const void* pBuffer, int32_t lCount) override;
    // A new MpOSLock on this object's descriptor.
    MpIOLock* CreateLock(int iType, nativeint llOffset, nativeint llLength) override;

    // --- The open file itself, for a writer that holds it for its whole life.
    // A second descriptor of the open file (close-on-exec), owned by the caller, for a library
    // that writes through a descriptor and closes it when done (zlib's gzdopen): closing it
    // releases none of this object's locks. Data still in this object's buffer is not seen.
    // Raises "Could not duplicate the descriptor of file \"%s\" -- " + system text.
    int DuplicateDescriptor() const;
    // Removes the name the file was opened under, but only while that name still denotes, without
    // following a symbolic link, the regular file this object has open: a file put in its place
    // is never removed. Returns whether the name was removed: false when no file has the name
    // any more. A failed removal, or another file under the name, raises
    // MpFileOpenFailedException "Error in deleting file '<name>'.  <reason>" (another file:
    // "Permission denied."). Call-path entry "RemoveOpenFile()".
    bool RemoveOpenFile();
    // Until Close: an end of the process forced by a second stop signal removes this file while
    // its name still denotes it (see MpPlatformRemoveOnForcedEnd), for the one output a job made
    // and removes itself when stopped.
    void RemoveOnForcedEnd();

protected:
    int32_t GetBufferedInput(const char*& pData) override;
    void SkipBufferedInput(int32_t lCount) override;

private:
    // Stores unwritten data; with bRefill then loads the stretch of the file that follows.
    void FlushBuffer(bool bRefill);
    // Writes the buffer's valid bytes at the buffer start; the buffer is clean afterwards.
    void StoreBuffer();
    // Writes lCount bytes at llOffset (in order, for a file that cannot seek); raises the
    // store failures.
    void StoreBytes(const char* pBytes, int32_t lCount, nativeint llOffset);
    // Loads up to a buffer-full from the load position; the window starts there. Without
    // IO_READ the window starts there empty and nothing is read.
    void LoadBuffer();
    // SetBufferSize to a smaller ulSize on a file that cannot seek.
    void ShrinkKeepingUnreadBytes(std::unique_ptr<char[]> pFresh, uint32_t ulSize);
    // Before writing lCount bytes to a file that cannot seek: drops a window whose input was
    // all delivered, refuses one that still holds input.
    void BeginSequentialOutput(int32_t lCount);
    // Raises sFormat (count, offset, file name) with the system's text for a seek on a file
    // that cannot seek.
    [[noreturn]] void RaiseIllegalSeek(const char* sFormat, nativeint llOffset, int32_t lCount) const;
    // After a full buffer was stored: the window starts empty right after it, and the load
    // waits until something reads there (a sequential writer never needs it).
    void StartEmptyWindow();
    // Loads the window that StartEmptyWindow left empty, before the first read from it.
    void LoadPendingWindow();
    // Moves the window to start at llPosition: store, system seek, load.
    void LoadAt(nativeint llPosition);
    // Sets the position, moving the window only when llPosition lies outside it.
    void MoveTo(nativeint llPosition);
    bool IsInWindow(nativeint llPosition) const;
    // The system seek; its result becomes the load position. Raises "Unable to position file
    // pointer of \"%s\" to byte %d" + system text. Call-path "SysFileSeek(nativeint,int)".
    nativeint SysFileSeek(nativeint llOffset, int iOrigin);
    // Reads from the file at llOffset, bypassing the buffer. Call-path "PositionedRead()".
    int32_t PositionedRead(nativeint llOffset, void* pBuffer, int32_t lCount, bool bRequired) const;
    [[noreturn]] void RaiseShortRead(nativeint llOffset, int32_t lCount) const;
    // Splits [llOffset, llOffset + lCount) into the parts before, inside and after the window.
    void SplitAtWindow(nativeint llOffset, int32_t lCount, int32_t& lBefore, int32_t& lMiddle,
                       int32_t& lAfter) const;
    void CheckReadable() const;
    void CheckWritable() const;
    void ResetBuffer();

    int m_iDescriptor;
    unsigned m_uFlags;
    MpString m_sFileName;
    std::unique_ptr<char[]> m_pBuffer;  // from MpAllocate
    int32_t m_lPosition;                // current position inside the buffer, <= m_lValid
    int32_t m_lValid;                   // bytes at the buffer's front that mirror the file
    uint32_t m_ulCapacity;
    nativeint m_llBufferStart;          // file offset of the buffer's first byte
    bool m_bClean;                      // the buffer holds no unwritten data
    bool m_bLoadPending;                // an empty window still has to be loaded for reading
    // The file cannot seek (a pipe, a FIFO, a terminal): the buffer is loaded and stored in order
    // at the descriptor's own position (see the contract above).
    bool m_bSequential;
    // Where the next load starts: the byte after the data last loaded or stored, or where the
    // last system seek went. Transfers of a file that can seek use explicit offsets, so this
    // stands in for the descriptor's own position.
    nativeint m_llLoadPosition;
};
