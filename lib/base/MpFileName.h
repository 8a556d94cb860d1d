// MpFileName splits a file path into drive, directory, base name and extension, lets callers
// replace any part, and rebuilds paths from the parts.
//
// Paths follow the Windows rules: the drive is empty, a letter and a colon ('C:') or a UNC
// prefix ('\\server\share', no trailing separator); the directory is empty or ends with a
// separator ('\data\in\'); the extension is empty or begins with "." and belongs to the last
// component only ('a.txd.gz' has '.gz', 'C:\release.old\file' has none). Both "\" and "/"
// separate folders, so Linux paths ('/data/in/a.txd') split the same way with an empty drive.
// The full path is always drive + directory + base name + extension, nothing added.
//
// A path given as a whole (Set, the constructor) is first made absolute against the current
// directory by MpPlatformGetFullPathName; a full path of MP_MAX_PATH bytes or more (the
// platform's limit) is refused with "Could not get full path name of \"<path as given>\" -- "
// and the system's reason, as is a relative path when the current directory cannot be read.
//
// The object owns its parts. GetExtension and GetFileName return pointers to the parts
// themselves; GetCompleteFileName, GetLocation and GetFullPath build their result in one
// scratch string, so each call of one of these three overwrites the text the previous one
// returned. Every pointer is valid until the object next changes.
#pragma once

#include "MpString.h"

class MpFileName {
public:
    // All parts empty; with a path, Set(pPath).
    explicit MpFileName(const char* pPath = nullptr);
    // Copies the four parts through the setters, so their rules apply again.
    MpFileName(const MpFileName& other);
    MpFileName& operator=(const MpFileName& other);
    virtual ~MpFileName();

    // Replaces all four parts from a whole path, made absolute first (an empty path stays
    // empty and leaves every part empty) and trimmed of blanks.
    void Set(const char* pPath);
    // Replaces drive and directory from a text without a file part; the text is trimmed of
    // blanks but not made absolute. Base name and extension stay.
    void SetLocation(const char* pLocation);
    // A non-empty drive that neither begins with "\\" nor ends with ":" gets ":" appended.
    void SetDrive(const char* pDrive);
    // A non-empty directory that does not end with a separator gets one appended: the last
    // separator the text already uses, a backslash when it uses none.
    void SetDirectory(const char* pDirectory);
    // Stores the base name unchanged.
    void SetFileName(const char* pFileName);
    // A non-empty extension that does not begin with "." gets one in front.
    void SetExtension(const char* pExtension);
    // Makes the current full path absolute against the current directory and Sets it. An
    // empty full path stays empty.
    void ConvertToAbsolutePath();

    // The extension with its dot, or the empty text.
    const char* GetExtension() const;
    // The base name without extension.
    const char* GetFileName() const;
    // Base name + extension (in the scratch string).
    const char* GetCompleteFileName() const;
    // Drive + directory (in the scratch string).
    const char* GetLocation() const;
    // Drive + directory + base name + extension (in the scratch string).
    const char* GetFullPath() const;

private:
    // The part-by-part copy that the copy constructor and the assignment share.
    void Copy(const MpFileName& other);

    MpString m_sDrive;
    MpString m_sDirectory;
    MpString m_sFileName;
    MpString m_sExtension;
    mutable MpString m_sScratch;
};
