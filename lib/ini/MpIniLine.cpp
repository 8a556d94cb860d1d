#include "MpIniLine.h"

#include <cstring>

namespace {
const char kClass[] = "MpIniLine";
}

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
        SetKey(sKey);
        SetValue(sValue);
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
        SetKey(rhs.GetKey());
        SetValue(rhs.GetValue());
    } catch (MpException& e) {
        e.AddCallpath("Copy()", kClass);
        throw;
    }
}

void MpIniLine::SetKey(const char* sKey) {
    try {
        m_sKey.Copy(sKey);
        m_sKey.Deblank();
    } catch (MpException& e) {
        e.AddCallpath("SetKey()", kClass);
        throw;
    }
}

void MpIniLine::SetValue(const char* sValue) {
    try {
        m_sValue.Copy(sValue);
    } catch (MpException& e) {
        e.AddCallpath("SetValue()", kClass);
        throw;
    }
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
