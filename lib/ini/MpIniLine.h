// MpIniLine: one key line of an INI section, a key and its value.
//
// The line owns copies of both texts. The key is always stored trimmed (bytes with codes 1 to
// 32 removed at both ends); the value is stored exactly as given. An MpIniSection owns its
// lines through an MpPointerVector, which copies them with Clone().
//
// Failures raise MpException; each operation that passes one on adds its call-path entry of
// class "MpIniLine".
#pragma once

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

    const char* GetKey() const { return m_sKey.GetCString(); }
    const char* GetValue() const { return m_sValue.GetCString(); }

    // Stores a trimmed copy of sKey (null: empty). Call-path entry "SetKey()".
    void SetKey(const char* sKey);
    // Stores sValue unchanged (null: empty). Call-path entry "SetValue()".
    void SetValue(const char* sValue);
    // Splits sLine at its first "=": the part before is the key (trimmed), the part after is
    // the value, kept unchanged (neither trimmed nor unquoted). Without "=" the whole text is
    // the key and the value is empty. Call-path entry "SetLine()".
    void SetLine(const char* sLine);

private:
    MpString m_sKey;
    MpString m_sValue;
};
