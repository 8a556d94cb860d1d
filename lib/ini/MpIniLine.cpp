#include "MpIniLine.h"

#include <cstring>
#include <utility>

namespace {

const char kClass[] = "MpIniLine";

bool IsBlank(char c) {
    unsigned char uc = static_cast<unsigned char>(c);
    return uc >= 1 && uc <= 32;
}

// The first ulLength bytes of pText without the blanks (codes 1 to 32) at both ends, as a start
// and a length.
std::pair<const char*, size_t> Trimmed(const char* pText, size_t ulLength) {
    const char* pEnd = pText + ulLength;
    while (pText < pEnd && IsBlank(*pText)) ++pText;
    while (pEnd > pText && IsBlank(pEnd[-1])) --pEnd;
    return {pText, static_cast<size_t>(pEnd - pText)};
}

// A whole zero-terminated text trimmed (null: empty).
std::pair<const char*, size_t> Trimmed(const char* sText) {
    return sText == nullptr ? std::make_pair("", size_t{0}) : Trimmed(sText, std::strlen(sText));
}

}  // namespace

MpIniLine::MpIniLine(const char* sLine) {
    try {
        SetLine(sLine);
    } catch (MpException& e) {
        e.AddCallpath("Constructor(char *sLine)", kClass);
        throw;
    }
}

MpIniLine::MpIniLine(const char* sKey, const char* sValue) {
    try {
        const auto key = Trimmed(sKey);
        Store(key.first, key.second, sValue);
    } catch (MpException& e) {
        e.AddCallpath("Constructor(char *sKey, char *sValue)", kClass);
        throw;
    }
}

MpIniLine::MpIniLine(const MpIniLine& rhs) {
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
        const auto key = Trimmed(sKey);
        Store(key.first, key.second, GetValue());
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
        const char* sText = sLine == nullptr ? "" : sLine;
        const char* pEquals = std::strchr(sText, '=');
        const size_t ulKeyLength = pEquals == nullptr ? std::strlen(sText) : static_cast<size_t>(pEquals - sText);
        const auto key = Trimmed(sText, ulKeyLength);
        Store(key.first, key.second, pEquals == nullptr ? "" : pEquals + 1);
    } catch (MpException& e) {
        e.AddCallpath("SetLine()", kClass);
        throw;
    }
}
