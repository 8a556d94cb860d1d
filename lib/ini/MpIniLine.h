// MpIniLine: one key line of an INI section, a key and its value.
//
// The line owns copies of both texts, kept together in one heap block (key, zero byte, value,
// zero byte) so that files of millions of lines stay small in memory. The key is always stored
// trimmed (bytes with codes 1 to 32 removed at both ends); the value is stored exactly as given.
// An MpIniSection owns its lines through an MpPointerVector, which copies them with Clone().
//
// Failures raise MpException; each operation that passes one on adds its call-path entry of
// class "MpIniLine".
#pragma once

#include <cstddef>
#include <memory>

#include "MpString.h"

class MpIniLine {
public:
    // SetLine(sLine). Call-path entry "Constructor(char *sLine)".
    explicit MpIniLine(const char* sLine);
    // SetKey(sKey), SetValue(sValue). Call-path entry "Constructor(char *sKey, char *sValue)".
    MpIniLine(const char* sKey, const char* sValue);
    // Copy(rhs). Call-path entry "Constructor(MpIniLine &rhs)".
    MpIniLine(const MpIniLine& rhs);
    MpIniLine& operator=(const MpIniLine& rhs) = delete;
    virtual ~MpIniLine();
    // A new heap copy, owned by the caller.
    virtual MpIniLine* Clone() const;

    // Takes over the other line's key and value. Call-path entry "Copy()".
    void Copy(const MpIniLine& rhs);

    const char* GetKey() const { return m_pText.get(); }
    const char* GetValue() const { return m_pText.get() + m_ulValueAt; }

    // Stores a trimmed copy of sKey (null: empty). Call-path entry "SetKey()".
    void SetKey(const char* sKey);
    // Stores sValue unchanged (null: empty). Call-path entry "SetValue()".
    void SetValue(const char* sValue);
    // Splits sLine at its first "=": the part before is the key (trimmed), the part after is
    // the value, kept unchanged (neither trimmed nor unquoted). Without "=" the whole text is
    // the key and the value is empty. Call-path entry "SetLine()".
    void SetLine(const char* sLine);

private:
    // Replaces both texts, in one allocation: ulKeyLength bytes of pKey, then sValue (null:
    // empty). Either may point into the texts replaced.
    void Store(const char* pKey, size_t ulKeyLength, const char* sValue);

    std::unique_ptr<char[]> m_pText;  // the key, a zero byte, the value, a zero byte
    size_t m_ulValueAt = 0;           // where the value begins
};
