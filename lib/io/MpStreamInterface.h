// The two sides of every stream object and their join.
//
// MpInputStreamInterface reads through one virtual Read; MpOutputStreamInterface writes through
// one virtual Write. The line operations (ReadLine, WriteLine) and the typed operations are
// built only on those, so they work on every stream class. MpStreamInterface derives from both
// sides as virtual bases, so that every stream object has exactly one input side and one
// output side, however it is derived further. None of them holds data; the stream classes own
// their files and buffers.
//
// The typed operations use the library's binary stream form: integers little-endian two's
// complement (short 2 bytes, int and long 4, native 8), a double as the 8 bytes of an IEEE 754
// binary64 number, little-endian, a bool as one byte (read: any non-zero byte is true), nothing
// between values. Every typed read is a required read: the end of the stream raises the stream
// class's error, the bytes consumed before it being gone. Each typed operation adds its
// call-path entry (its name, e.g. "ReadShort()", of "MpInputStreamInterface" or
// "MpOutputStreamInterface").
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

    bool ReadBool();
    int16_t ReadShort();
    uint16_t ReadUnsignedShort();
    int32_t ReadLong();
    // Read by ReadLong.
    int32_t ReadInt();
    uint32_t ReadUnsignedLong();
    uint64_t ReadUnsignedNative();
    double ReadDouble();
    // A counted text: an int n, then n bytes (the text and its zero byte; n = 0 for no text).
    // Frees the array pText points to and sets pText to a new one of n + 1 bytes from
    // MpAllocate holding the text, which the caller owns (delete[]); returns it. A negative n
    // (or one without room for the zero byte) raises MpIOStreamingException "Invalid text
    // length %d" (pText is then null).
    const char* ReadCString(char*& pText);
    // Reads single bytes into pBuffer until cTerminator or the end of the stream, which is
    // replaced by a zero byte, or until ulCount bytes came (then no zero byte is stored).
    // Returns pBuffer.
    char* ReadString(char* pBuffer, uint32_t ulCount, char cTerminator);
    // Replaces sText by the bytes up to and including cTerminator (a zero terminator is not
    // appended); the end of the stream before it raises the required-read error.
    void ReadString(MpString& sText, char cTerminator);
    // A stream header: an int whose low byte must be cTag (else MpIOStreamingException
    // "Invalid header found", the int consumed), then the version, a short, which it returns.
    int16_t ReadMpHeader(char cTag);

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
    // ReadLine into a buffer; also sets ulTextLength to the length of the text up to its first
    // zero byte (the line end not counted).
    uint32_t ReadLinePiece(char* pBuffer, uint32_t ulSize, uint32_t& ulTextLength);
    // One byte through the buffered view or Read; false at the end of the stream.
    bool ReadByte(char& c);
    // Reads the bytes of one value (required) and converts them from the stream's byte order.
    template <class T>
    T ReadFixed();
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

    // 1 or 0.
    void WriteBool(bool bValue);
    void WriteShort(int16_t sValue);
    void WriteUnsignedShort(uint16_t usValue);
    void WriteLong(int32_t lValue);
    // Written by WriteLong.
    void WriteInt(int32_t iValue);
    void WriteUnsignedLong(uint32_t ulValue);
    void WriteUnsignedNative(uint64_t ullValue);
    void WriteDouble(double dValue);
    // A counted text: WriteInt(length + 1) and the text with its zero byte; a null text is
    // WriteInt(0) alone.
    void WriteCString(const char* pText);
    // The text, with bWithZero followed by its zero byte. A null text raises "Null pointer
    // passed to WriteString" before anything is written.
    void WriteString(const char* pText, bool bWithZero);
    // At most ulMaxLength bytes of the text (null: none), then cTerminator if fewer were
    // written: a text of ulMaxLength bytes or more is cut and written without a terminator, as
    // ReadString with ulCount = ulMaxLength expects.
    void WriteString(const char* pText, uint32_t ulMaxLength, char cTerminator);
    // A stream header: WriteInt of cTag sign-extended, then WriteShort(sVersion).
    void WriteMpHeader(char cTag, int16_t sVersion);

private:
    // Converts the value to the stream's byte order and writes its bytes.
    template <class T>
    void WriteFixed(T value);
};

class MpStreamInterface : public virtual MpInputStreamInterface,
                          public virtual MpOutputStreamInterface {
public:
    void GetStreamName(MpString& sName) const override = 0;
    int32_t Read(void* pBuffer, int32_t lCount, bool bRequired) override = 0;
    void Write(const void* pBuffer, int32_t lCount) override = 0;
};
