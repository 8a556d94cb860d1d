// The two sides of every stream object and their join.
//
// MpInputStreamInterface reads through one virtual Read; MpOutputStreamInterface writes through
// one virtual Write. The line operations (ReadLine, WriteLine) are built only on those, so they
// work on every stream class. MpStreamInterface derives from both sides as virtual bases, so
// that every stream object has exactly one input side and one output side, however it is
// derived further. None of them holds data; the stream classes own their files and buffers.
#pragma once

#include <cstdint>

class MpString;

class MpInputStreamInterface {
public:
    virtual ~MpInputStreamInterface();
    // Sets sName to the stream's name (for a file: its name).
    virtual void GetStreamName(MpString& sName) const = 0;
    // Reads up to lCount bytes into pBuffer and returns the number delivered, fewer only at the
    // end of the stream. With bRequired, running out raises the stream class's error instead.
    virtual int32_t Read(void* pBuffer, int32_t lCount, bool bRequired) = 0;

    // Reads one line into pBuffer (ulSize bytes): the line without its end of line, then a zero
    // byte. A line ends at LF or CR LF; a CR followed by anything else (or by the end of the
    // stream) raises "Return character not followed by newline; unknown end of line type"
    // (class "MpInputStreamInterface"), the byte after the CR being consumed. Returns the
    // number of bytes taken from the stream, end of line included: 0 only at the end of the
    // stream (or for ulSize 0 or 1). A line longer than ulSize - 1 bytes fills the buffer with
    // ulSize - 1 bytes and leaves the rest in the stream. ulSize 0 leaves pBuffer untouched.
    // Call-path entry "ReadLine()" of "MpInputStreamInterface".
    uint32_t ReadLine(char* pBuffer, uint32_t ulSize);
    // Reads one whole line of any length into sLine (without its end of line), in pieces of
    // 1023 bytes: each piece contributes its text up to its first zero byte, and a piece whose
    // last byte is a zero byte ends the line. Returns the number of bytes taken from the
    // stream, end of line included; 0 means the end of the stream.
    // Call-path entry "ReadLine()" of "MPInputStreamInterface".
    uint32_t ReadLine(MpString& sLine);

protected:
    // Bulk access for line reading. A stream that holds its input in a memory buffer returns
    // the number of bytes available at its current position and points pData at them, loading
    // the next stretch (as Read would) when the buffer is used up; 0 means the end of the
    // stream. SkipBufferedInput then consumes lCount of them. Failures are those of Read.
    // Streams without such a buffer keep these defaults: -1, and ReadLine calls Read per byte.
    virtual int32_t GetBufferedInput(const char*& pData);
    // REQUIRES: 0 <= lCount <= the count GetBufferedInput just returned.
    virtual void SkipBufferedInput(int32_t lCount);

private:
    // One byte through the buffered view or Read; false at the end of the stream.
    bool ReadByte(char& c);
};

class MpOutputStreamInterface {
public:
    virtual ~MpOutputStreamInterface();
    virtual void GetStreamName(MpString& sName) const = 0;
    // Writes lCount bytes from pBuffer; failures raise the stream class's errors.
    virtual void Write(const void* pBuffer, int32_t lCount) = 0;

    // Writes pText followed by CR LF. Call-path entry "WriteLine()" of
    // "MpOutputStreamInterface".
    // REQUIRES: pText != nullptr.
    void WriteLine(const char* pText);
};

class MpStreamInterface : public virtual MpInputStreamInterface,
                          public virtual MpOutputStreamInterface {
public:
    void GetStreamName(MpString& sName) const override = 0;
    int32_t Read(void* pBuffer, int32_t lCount, bool bRequired) override = 0;
    void Write(const void* pBuffer, int32_t lCount) override = 0;
};
