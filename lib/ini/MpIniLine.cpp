#include "MpIniLine.h"

#include <cstring>

namespace {

const char kClass[] = "MpIniLine";

bool IsBlank(char c) {
    unsigned char uc = static_cast<unsigned char>(c);
    return uc >= 1 && uc <= 32;
}

}  // namespace

MpIniLine::MpIniLine(const char* sLine) : m_pText(new char[2]{'\0', '\0'}), m_ulValueAt(1) {
    try {
        SetLine(sLine);
    } catch (MpException& e) {
        e.AddCallpath("Constructor(char *sLine)", kClass);
        throw;
    }
}

MpIniLine::MpIniLine(const char* sKey, const char* sValue) : m_pText(new char[2]{'\0', '\0'}), m_ulValueAt(1) {
    try {
        SetKey(sKey);
        SetValue(sValue);
    } catch (MpException& e) {
        e.AddCallpath("Constructor(char *sKey, char *sValue)", kClass);
        throw;
    }
}

MpIniLine::MpIniLine(const MpIniLine& rhs) : m_pText(new char[2]{'\0', '\0'}), m_ulValueAt(1) {
    try {
        Copy(rhs);
    } catch (MpException& e) {
        e.AddCallpath("Constructor(MpIniLine &rhs)", kClass);
        throw;
    }
}

MpIniLine::~MpIniLine() = default;

MpIniLine* MpIniLine::Clone() const { return new MpIniLine(*this); }

void MpIniLine::Copy(const MpIniLine& rhs) {
    try {
        Store(rhs.GetKey(), std::strlen(rhs.GetKey()), rhs.GetValue());
    } catch (MpException& e) {
        e.AddCallpath("Copy()", kClass);
        throw;
    }
}

void MpIniLine::SetKey(const char* sKey) {
    try {
        const char* pFirst = sKey == nullptr ? "" : sKey;
        while (IsBlank(*pFirst)) ++pFirst;
        const char* pEnd = pFirst + std::strlen(pFirst);
        while (pEnd > pFirst && IsBlank(pEnd[-1])) --pEnd;
        Store(pFirst, static_cast<size_t>(pEnd - pFirst), GetValue());
    } catch (MpException& e) {
        e.AddCallpath("SetKey()", kClass);
        throw;
    }
}

void MpIniLine::SetValue(const char* sValue) {
    try {
        Store(GetKey(), std::strlen(GetKey()), sValue);
    } catch (MpException& e) {
        e.AddCallpath("SetValue()", kClass);
        throw;
    }
}

void MpIniLine::Store(const char* pKey, size_t ulKeyLength, const char* sValue) {
    const char* pValue = sValue == nullptr ? "" : sValue;
    size_t ulValueLength = std::strlen(pValue);
    std::unique_ptr<char[]> pText(new char[ulKeyLength + ulValueLength + 2]);
    std::memcpy(pText.get(), pKey, ulKeyLength);
    pText[ulKeyLength] = '\0';
    std::memcpy(pText.get() + ulKeyLength + 1, pValue, ulValueLength + 1);
    m_pText = std::move(pText);
    m_ulValueAt = ulKeyLength + 1;
}

void MpIniLine::SetLine(const char* sLine) {
    try {
        const char* pEquals = sLine == nullptr ? nullptr : std::strchr(sLine, '=');
        if (pEquals == nullptr) {
            SetKey(sLine);
            SetValue("");
        } else {
            MpString sKey;
            sKey.AppendBytes(sLine, static_cast<uint32_t>(pEquals - sLine));
            SetKey(sKey.GetCString());
            SetValue(pEquals + 1);
        }
    } catch (MpException& e) {
        e.AddCallpath("SetLine()", kClass);
        throw;
    }
}
