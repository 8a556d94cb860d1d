// MpString: the library's mutable, zero-terminated byte string.
//
// The bytes live in an MpResizableChunk whose size is the string's capacity; the text runs from
// the first byte up to the first zero byte. The length is not stored: GetLength() counts it.
// Capacity only grows (truncating, clearing, removing, Copy and formatting never shrink it);
// copy assignment is the one exception: it makes the capacity equal to the source's. Copies are
// deep and copy the whole block. Every constructor gives block size 32 and capacity 64.
// Bytes are compared as unsigned values; every search and comparison is case-sensitive.
//
// Failures raise MpException with class name "MpString" (see each operation); operations that
// pass an exception on add their call-path entry as the method's documentation lists.
//
// Pointers from GetCString()/GetBuffer() stay valid until the next operation that may grow the
// string (any append, copy, insert, formatting or buffer sizing) and until destruction.
//
// Widths: "short" is int16_t, "int" and "long" are int32_t. The int64_t/uint64_t members exist
// so that C++ long and size_t arguments resolve on LP64 platforms; they print the full value.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "MpException.h"
#include "MpResizableChunk.h"
#include "MpVector.h"

class MpInputStreamInterface;
class MpOutputStreamInterface;

// Values for the insertion operator that act instead of appending.
enum MpStringManipulator {
    EmptyString = 0,  // Clear()
    EndLine = 1       // append "\r\n"
};

class MpString : public MpArrayPointerObject {
public:
    // Init(32), then Copy(pString) when not null; null gives the empty string.
    MpString(const char* pString = nullptr);
    // Init(32), then the one-byte text c (a zero byte gives the empty string).
    explicit MpString(char c);
    // Equal text, capacity and block size; the whole block is copied.
    MpString(const MpString& other);
    MpString& operator=(const MpString& other);
    // Copy(pString).
    MpString& operator=(const char* pString);
    // Clear(), then the decimal text of the number.
    MpString& operator=(int32_t lValue);
    MpString& operator=(int64_t llValue);
    ~MpString() override;
    // A new heap MpString equal to this one (same capacity and block size).
    virtual MpString* Clone() const;

    // Sets the block size, sizes the buffer with ResizeStringBuffer(block size) (32 gives
    // capacity 64), then Clear(). Call-path entry "Init()".
    // REQUIRES: 0 < ulBlockSize < 2^30.
    void Init(uint32_t ulBlockSize);

    // --- Access.
    const char* GetCString() const noexcept { return m_chunk.AsPtr(); }
    // Writable pointer to the first byte, for in-place edits that do not lengthen the text.
    char* GetBuffer() noexcept { return m_chunk.AsPtr(); }
    // Number of bytes before the terminating zero (a scan).
    uint32_t GetLength() const noexcept;
    bool IsEmpty() const noexcept { return m_chunk.AsPtr()[0] == '\0'; }
    // The capacity (chunk size) and block size.
    uint32_t GetCapacity() const noexcept { return static_cast<uint32_t>(m_chunk.GetSize()); }
    uint32_t GetBlockSize() const noexcept { return m_ulBlockSize; }
    // REQUIRES (else raises "index (value=%d) is out of range, [%d, %d]"): ulIndex < GetLength().
    // Call-path entries "GetCharAt" / "SetCharAt()". Writing a zero shortens the string.
    char GetCharAt(uint32_t ulIndex) const;
    void SetCharAt(uint32_t ulIndex, char c);
    // Writes a zero into the first byte; capacity unchanged.
    MpString& Clear();

    // --- Appending (every member ends in Append(const char*), call-path "Append(char *)").
    // Raises "null pointer: pString" for null.
    MpString& Append(const char* pString);
    // Appending a string to itself does nothing.
    MpString& Append(const MpString& sString);
    // A zero byte appends nothing.
    MpString& Append(char c);
    MpString& Append(int16_t sValue);    // "%-d",  "Append(short)"
    MpString& Append(int32_t lValue);    // "%-d",  "Append(int)"
    MpString& Append(int64_t llValue);   // "%-lld", "Append(long)"
    MpString& Append(uint16_t usValue);  // "%-hu", "Append(unsigned short)"
    MpString& Append(uint32_t ulValue);  // "%-u",  "Append(unsigned int)"
    MpString& Append(uint64_t ullValue); // "%-llu", "Append(unsigned long)"
    MpString& Append(double dValue);     // "%-lf" (2.5 gives "2.500000"), "Append(double)"
    // Extension: appends the ulCount bytes at pBytes (a zero byte among them ends the text, as
    // for any C string). Same growth rule as Append(const char*) with n = ulCount; call-path
    // entry "Append(char *)"; raises "null pointer: pString" for null pBytes with ulCount > 0.
    MpString& AppendBytes(const char* pBytes, uint32_t ulCount);

    // Insertion operator: thin forms of Append; bool appends "true"/"false"; a manipulator
    // EmptyString clears, EndLine appends "\r\n", any other value does nothing.
    MpString& operator<<(const char* pString) { return Append(pString); }
    MpString& operator<<(const MpString& sString) { return Append(sString); }
    MpString& operator<<(char c) { return Append(c); }
    MpString& operator<<(int16_t sValue) { return Append(sValue); }
    MpString& operator<<(int32_t lValue) { return Append(lValue); }
    MpString& operator<<(int64_t llValue) { return Append(llValue); }
    MpString& operator<<(uint16_t usValue) { return Append(usValue); }
    MpString& operator<<(uint32_t ulValue) { return Append(ulValue); }
    MpString& operator<<(uint64_t ullValue) { return Append(ullValue); }
    MpString& operator<<(double dValue) { return Append(dValue); }
    MpString& operator<<(bool bValue) { return Append(bValue ? "true" : "false"); }
    MpString& operator<<(MpStringManipulator manipulator);

    MpString& operator+=(const MpString& sString) { return Append(sString); }
    MpString& operator+=(const char* pString) { return Append(pString); }
    MpString& operator+=(char c) { return Append(c); }
    MpString& operator+=(int16_t sValue) { return Append(sValue); }

    // --- Comparison (byte-wise, unsigned, case-sensitive).
    bool operator==(const MpString& other) const noexcept;
    bool operator==(const char* pString) const noexcept;  // null equals nothing
    bool operator!=(const MpString& other) const noexcept { return !(*this == other); }
    bool operator!=(const char* pString) const noexcept { return !(*this == pString); }
    // A proper prefix orders first.
    bool operator<(const MpString& other) const noexcept;
    // Raise "null pointer: sString" for null; call-path entries "BeginsWith()" / "EndsWith()".
    bool BeginsWith(const char* sString) const;
    bool BeginsWith(const MpString& sString) const { return BeginsWith(sString.GetCString()); }
    bool EndsWith(const char* sString) const;
    bool EndsWith(const MpString& sString) const { return EndsWith(sString.GetCString()); }
    bool EndsWith(char c) const;

    // --- Search. Position of the first (or with bReverse the last) occurrence of sString that
    // begins at or after ulStart, or -1. Matches may overlap. An empty sString is found at
    // ulStart (once, also in reverse). Raises "null pointer: sString" and
    // "lStart (value=%d) is past end of string (length=%d)" (ulStart > length).
    // Call-path entry "Find()".
    int32_t Find(const char* sString, uint32_t ulStart = 0, bool bReverse = false) const;
    int32_t Find(const MpString& sString, uint32_t ulStart = 0, bool bReverse = false) const;
    int32_t Find(char c, uint32_t ulStart = 0, bool bReverse = false) const;

    // --- Editing.
    // Replaces the text; null makes the string empty. Call-path entry "Copy()".
    MpString& Copy(const char* pString);
    // Inserts pString before the byte at ulPosition (ulPosition == length appends). Raises
    // "null pointer: pString" and "lPosition (value=%d) is invalid for string of length=%d.".
    // Call-path entry "Insert()".
    MpString& Insert(const char* pString, uint32_t ulPosition);
    // Inserts usCount copies of c at ulPosition (through a temporary text from MpAllocate).
    // A zero c inserts nothing. Call-path entry "Insert()".
    MpString& Insert(char c, uint32_t ulPosition, uint16_t usCount);
    // Removes ulCount bytes beginning at ulStart; raises "Cannot remove %d characters starting
    // at position %d from string of length %d." when ulStart + ulCount > length.
    // Call-path entry "Remove()".
    MpString& Remove(uint32_t ulStart, uint32_t ulCount);
    // Replaces the first (bAll: every) occurrence of sOriginal by sReplace; replacement text is
    // never searched again. An empty sOriginal changes nothing. Raises "null pointer: sOriginal"
    // / "null pointer: sReplace". Call-path entry "Replace()".
    MpString& Replace(const char* sOriginal, const char* sReplace, bool bAll = false);
    // Cuts the text to ulLength bytes; raises "ulLength (value=%d) must not be greater than
    // string length (value=%d)." Call-path entry "Truncate()".
    MpString& Truncate(uint32_t ulLength);
    // toupper() on every byte in the current locale.
    MpString& ToUpper();
    // Removes leading and trailing bytes <= 32.
    MpString& Deblank();
    // A new string with the bytes from ulStart; lLength >= 0 takes that many bytes, a negative
    // lLength the rest. Raises "lStart (value=%d) must not be greater than GetLength (value=%d)"
    // and "Substring length (value=%d) must be less than or equal to GetLength (value=%d) minus
    // lStart (value=%d).". Call-path entry "GetSubstring()".
    MpString GetSubstring(uint32_t ulStart, int32_t lLength) const;

    // --- Formatting: replaces the whole text by the printf-formatted text. On failure the
    // string keeps its old text. Call-path entries "printf()" / "vprintf()".
    MpString& printf(const char* pFormat, ...) MP_PRINTF_FORMAT(2, 3);
    MpString& vprintf(const char* pFormat, va_list args);

    // Makes sure chunk can hold lNewLength bytes plus the terminator: grows it (never shrinks)
    // to block size * ((lNewLength + 1) / block size + 1). Raises "lNewLength, value=%d, must be
    // greater than 0." for lNewLength <= 0. Call-path entry "ResizeStringBuffer()".
    void ResizeStringBuffer(MpResizableChunk& chunk, int32_t lNewLength);

    // --- Streams. Defined by the I/O layer (lib/io), which holds the stream classes; only
    // code that links it may call them.
    // Replaces the text by a counted text read with ReadCString. Call-path entry "Read()".
    void Read(MpInputStreamInterface& stream);
    // Writes the text as a counted text with WriteCString. Call-path entry "Write()".
    void Write(MpOutputStreamInterface& stream) const;

private:
    // The shared core of Append(const char*) and AppendBytes: n bytes at pText, text length
    // ulLength of this string (already measured).
    void AppendRaw(const char* pText, std::size_t ulCount, uint32_t ulLength);
    // Both Insert members: the length, after checking that ulPosition does not pass it.
    uint32_t CheckInsertPosition(uint32_t ulPosition) const;
    // Moves the bytes from ulPosition through the terminator ulCount bytes to the right, growing
    // the buffer first when needed, and returns where the inserted bytes go.
    char* OpenGap(uint32_t ulPosition, uint32_t ulLength, std::size_t ulCount);
    // Appends a number printed with pFormat; pMethod names the member for the call path.
    template <class N>
    MpString& AppendNumber(const char* pFormat, N value, const char* pMethod);

    MpResizableChunk m_chunk;
    uint32_t m_ulBlockSize;
};

// Trims sString in place: with bRight cuts it after its last non-blank byte, with bLeft moves
// the rest to the front past the leading blanks (right side first). A byte is blank when its
// unsigned value is 32 or less. Returns sString. Null raises "null pointer: sString" (class
// "MpDeblank").
char* MpDeblank(char* sString, bool bLeft = true, bool bRight = true);

// When sSource is the very string *pDest points to, returns it unchanged. Otherwise frees *pDest
// (delete[]), sets it to a new MpAllocate array of strlen(sSource) + usExtra + 1 bytes holding
// a copy of sSource (null: the empty text) and returns it. Null pDest raises
// "null pointer: pDest" (class "MpCopyString"). Call-path entry "MpCopyString" of "MpAlloc".
// On failure *pDest is left as it was.
char* MpCopyString(char** pDest, const char* sSource, uint16_t usExtra = 0);
