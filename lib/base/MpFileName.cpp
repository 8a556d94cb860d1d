#include "MpFileName.h"

#include <cstring>

#include "MpPlatformPath.h"

namespace {

const char* const kClassName = "MpFileName";

// Bytes that cannot stand in an extension: a dot followed by one of them is not an extension.
const char* const kNotInExtension = "\"/:<>\\|";

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Position of the first separator at or after ulFrom, or -1.
int32_t FindSeparator(const MpString& sText, uint32_t ulFrom) {
    const uint32_t ulLength = sText.GetLength();
    const char* pText = sText.GetCString();
    for (uint32_t ul = ulFrom; ul < ulLength; ++ul) {
        if (IsSeparator(pText[ul])) return static_cast<int32_t>(ul);
    }
    return -1;
}

// Position of the last separator, or -1.
int32_t FindLastSeparator(const char* pText) {
    const char* pBackslash = strrchr(pText, '\\');
    const char* pSlash = strrchr(pText, '/');
    const char* pLast = pBackslash > pSlash ? pBackslash : pSlash;
    return pLast == nullptr ? -1 : static_cast<int32_t>(pLast - pText);
}

// Removes the drive from the front of sText and returns it: a UNC prefix '\\server\share'
// (the share name must not be empty), a letter and a colon, or nothing.
MpString TakeDrive(MpString& sText) {
    uint32_t ulDriveLength = 0;
    if (sText.BeginsWith("\\\\")) {
        const int32_t lServerEnd = FindSeparator(sText, 2);
        const int32_t lShareEnd = lServerEnd < 0 ? -1 : FindSeparator(sText, lServerEnd + 2);
        if (lShareEnd < 0) MpException::Raise("Invalid UNC name", kClassName);
        ulDriveLength = static_cast<uint32_t>(lShareEnd);
    } else if (strchr(sText.GetCString(), ':') == sText.GetCString() + 1) {
        ulDriveLength = 2;
    }
    MpString sDrive = sText.GetSubstring(0, static_cast<int32_t>(ulDriveLength));
    sText.Remove(0, ulDriveLength);
    return sDrive;
}

void RaiseIfNull(const void* pArgument, const char* pMessage) {
    if (pArgument == nullptr) MpException::Raise(pMessage, kClassName);
}

}  // namespace

MpFileName::MpFileName(const char* pPath) {
    try {
        if (pPath != nullptr) Set(pPath);
    } catch (MpException& e) {
        e.AddCallpath("Constructor", kClassName);
        throw;
    }
}

MpFileName::MpFileName(const MpFileName& other) {
    try {
        Copy(other);
    } catch (MpException& e) {
        e.AddCallpath("Copy Constructor", kClassName);
        throw;
    }
}

MpFileName& MpFileName::operator=(const MpFileName& other) {
    try {
        if (this != &other) Copy(other);
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Assignment operator", kClassName);
        throw;
    }
}

MpFileName::~MpFileName() = default;

void MpFileName::Copy(const MpFileName& other) {
    try {
        SetDrive(other.m_sDrive.GetCString());
        SetDirectory(other.m_sDirectory.GetCString());
        SetFileName(other.m_sFileName.GetCString());
        SetExtension(other.m_sExtension.GetCString());
    } catch (MpException& e) {
        e.AddCallpath("Copy", "MpFilename");
        throw;
    }
}

void MpFileName::Set(const char* pPath) {
    try {
        RaiseIfNull(pPath, "Null pointer");
        MpString sRest;
        if (*pPath != '\0') {
            char absolute[MP_MAX_PATH];
            if (!MpPlatformGetFullPathName(pPath, absolute, sizeof absolute)) {
                MpException::RaiseFormattedWithSystemError("Could not get full path name of \"%s\" -- ", false,
                                                            kClassName, pPath);
            }
            sRest.Copy(absolute);
        }
        sRest.Deblank();

        MpString sExtension;
        const char* pDot = strrchr(sRest.GetCString(), '.');
        if (pDot != nullptr && strpbrk(pDot, kNotInExtension) == nullptr) {
            const uint32_t ulDot = static_cast<uint32_t>(pDot - sRest.GetCString());
            sExtension = sRest.GetSubstring(ulDot, -1);
            sRest.Truncate(ulDot);
        }

        // The base name follows the last separator, or the colon of a drive-relative 'C:x'.
        int32_t lSplit = FindLastSeparator(sRest.GetCString());
        if (lSplit < 0) lSplit = sRest.Find(':', 0, true);
        const uint32_t ulBaseStart = static_cast<uint32_t>(lSplit + 1);
        MpString sFileName = sRest.GetSubstring(ulBaseStart, -1);
        sRest.Truncate(ulBaseStart);

        const MpString sDrive = TakeDrive(sRest);
        SetDrive(sDrive.GetCString());
        SetDirectory(sRest.GetCString());
        SetFileName(sFileName.GetCString());
        SetExtension(sExtension.GetCString());
    } catch (MpException& e) {
        e.AddCallpath("Set()", kClassName);
        throw;
    }
}

void MpFileName::SetLocation(const char* pLocation) {
    try {
        RaiseIfNull(pLocation, "Null pointer");
        MpString sRest(pLocation);
        sRest.Deblank();
        const MpString sDrive = TakeDrive(sRest);
        SetDrive(sDrive.GetCString());
        SetDirectory(sRest.GetCString());
    } catch (MpException& e) {
        e.AddCallpath("SetLocation()", kClassName);
        throw;
    }
}

void MpFileName::SetDrive(const char* pDrive) {
    try {
        RaiseIfNull(pDrive, "Null parameter");
        m_sDrive.Copy(pDrive);
        if (!m_sDrive.IsEmpty() && !m_sDrive.BeginsWith("\\\\") && !m_sDrive.EndsWith(':')) {
            m_sDrive.Append(':');
        }
    } catch (MpException& e) {
        e.AddCallpath("SetDrive()", kClassName);
        throw;
    }
}

void MpFileName::SetDirectory(const char* pDirectory) {
    try {
        RaiseIfNull(pDirectory, "Null parameter");
        m_sDirectory.Copy(pDirectory);
        const char* pStored = m_sDirectory.GetCString();
        const uint32_t ulLength = m_sDirectory.GetLength();
        if (ulLength > 0 && !IsSeparator(pStored[ulLength - 1])) {
            const int32_t lLastSeparator = FindLastSeparator(pStored);
            m_sDirectory.Append(lLastSeparator < 0 ? '\\' : pStored[lLastSeparator]);
        }
    } catch (MpException& e) {
        e.AddCallpath("SetDirectory()", kClassName);
        throw;
    }
}

void MpFileName::SetFileName(const char* pFileName) {
    try {
        RaiseIfNull(pFileName, "Null parameter");
        m_sFileName.Copy(pFileName);
    } catch (MpException& e) {
        e.AddCallpath("SetFileName()", kClassName);
        throw;
    }
}

void MpFileName::SetExtension(const char* pExtension) {
    try {
        RaiseIfNull(pExtension, "Null parameter");
        m_sExtension.Copy(pExtension);
        if (!m_sExtension.IsEmpty() && !m_sExtension.BeginsWith(".")) m_sExtension.Insert(".", 0);
    } catch (MpException& e) {
        e.AddCallpath("SetExtension()", kClassName);
        throw;
    }
}

void MpFileName::ConvertToAbsolutePath() {
    try {
        const char* pFullPath = GetFullPath();
        if (*pFullPath == '\0') return;
        char absolute[MP_MAX_PATH];
        if (!MpPlatformGetFullPathName(pFullPath, absolute, sizeof absolute)) {
            MpException::RaiseFormattedWithSystemError("Could not convert \"%s\" into an absolute name -- ", false,
                                                        kClassName, pFullPath);
        }
        Set(absolute);
    } catch (MpException& e) {
        e.AddCallpath("ConvertToAbsolutePath()", kClassName);
        throw;
    }
}

const char* MpFileName::GetExtension() const {
    return m_sExtension.GetCString();
}

const char* MpFileName::GetFileName() const {
    return m_sFileName.GetCString();
}

const char* MpFileName::GetCompleteFileName() const {
    m_sScratch.Copy(m_sFileName.GetCString());
    m_sScratch.Append(m_sExtension);
    return m_sScratch.GetCString();
}

const char* MpFileName::GetLocation() const {
    m_sScratch.Copy(m_sDrive.GetCString());
    m_sScratch.Append(m_sDirectory);
    return m_sScratch.GetCString();
}

const char* MpFileName::GetFullPath() const {
    GetLocation();
    m_sScratch.Append(m_sFileName);
    m_sScratch.Append(m_sExtension);
    return m_sScratch.GetCString();
}
