#include "MpIniFile.h"

#include <cstring>
#include <memory>
#include <strings.h>

#include "MpFileName.h"
#include "MpProgress.h"
#include "MpSignal.h"

namespace {

const char kClass[] = "MpIniFile";

// Holds the shared whole-file lock for one reading pass over the file. Release() gives it up
// and reports a failure to do so; when a failure passes through the pass instead, the
// destructor gives the lock up and swallows any second failure.
class ReadPassLock {
public:
    explicit ReadPassLock(MpIO& io) : m_io(io) {
        m_io.Lock(IO_LOCK_READ, 0, 0);
        m_bHeld = true;
    }
    ~ReadPassLock() {
        if (!m_bHeld) return;
        try {
            m_io.UnLock(IO_LOCK_READ, 0, 0);
        } catch (...) {
        }
    }
    ReadPassLock(const ReadPassLock&) = delete;
    ReadPassLock& operator=(const ReadPassLock&) = delete;

    void Release() {
        m_bHeld = false;
        m_io.UnLock(IO_LOCK_READ, 0, 0);
    }

private:
    MpIO& m_io;
    bool m_bHeld = false;
};

bool IsHeader(const MpString& sTrimmedLine) {
    return sTrimmedLine.BeginsWith("[") && sTrimmedLine.EndsWith(']');
}

}  // namespace

MpIniFile::MpIniFile() = default;

MpIniFile::MpIniFile(const char* sFileName, bool bLoadAll, bool bCreateIfMissing,
                     uint32_t ulOpenFlags) {
    try {
        SetName(sFileName, bCreateIfMissing, ulOpenFlags);
        LoadSectionNames(bLoadAll);
    } catch (MpException& e) {
        e.AddCallpath("Constructor()", kClass);
        throw;
    }
}

MpIniFile::~MpIniFile() {
    try {
        m_io.Close();
    } catch (...) {
    }
}

void MpIniFile::SetName(const char* sFileName, bool bCreateIfMissing, uint32_t ulOpenFlags) {
    try {
        MpFileName name(sFileName);
        m_sFileName.Copy(name.GetFullPath());
        const char* sPath = m_sFileName.GetCString();
        if (!MpIOInterface::Exists(sPath)) {
            if (!bCreateIfMissing) {
                const char* sGiven = sFileName == nullptr ? "" : sFileName;
                MpFileException::RaiseFormatted("\"%s\" does not exist.", kClass, sGiven, sGiven);
            }
            // Every use creates the missing file, readers too: a DD name that does not exist
            // becomes an empty file, which its readers then find invalid.
            MpIOInterface::Create(sPath);
        }
        m_io.Open(sPath, ulOpenFlags);
    } catch (MpException& e) {
        e.AddCallpath("SetName()", kClass);
        throw;
    }
}

bool MpIniFile::HasNoFileYet() const {
    return !m_io.GetIsOpen() && !MpIOInterface::Exists(m_sFileName.GetCString());
}

void MpIniFile::ReadHeader(MpString& sHeader) {
    m_io.ReadLine(sHeader);
    sHeader.Deblank();
}

void MpIniFile::LoadSectionNames(bool bLoad) {
    try {
        if (HasNoFileYet()) return;
        m_io.Seek64Absolute(0);
        ReadPassLock lock(m_io);
        MpString sHeader;
        while (SeekToNextSection()) {
            // A file of a million sections takes seconds: a user's stop ends it between two.
            if (MpSignal::StopRequested()) {
                MpIOCanceledException::Raise("Reading \"%s\" stopped", kClass, m_sFileName.GetCString());
            }
            ReadHeader(sHeader);
            std::unique_ptr<MpIniSection> section(new MpIniSection(sHeader.GetCString()));
            if (bLoad) section->ReadLines(m_io);
            Adopt(section.get());
            section.release();
        }
        lock.Release();
    } catch (MpException& e) {
        e.AddCallpath("LoadSectionNames()", kClass);
        throw;
    }
}

MpIniSection* MpIniFile::GetSection(int32_t lIndex) {
    try {
        MpIniSection* pSection = m_sections.At(lIndex);
        if (!pSection->GetIsLoaded()) {
            if (m_sFileName.IsEmpty()) {
                MpException::RaiseFormatted("Cannot load section %ld without a file", kClass,
                                            static_cast<long>(lIndex));
            }
            LoadSection(pSection);
        }
        return pSection;
    } catch (MpException& e) {
        e.AddCallpath("GetSection(long lIndex)", kClass);
        throw;
    }
}

MpIniSection* MpIniFile::GetSection(const char* sSectionName) {
    if (sSectionName == nullptr || sSectionName[0] == '\0') return nullptr;
    try {
        int32_t lIndex = GetSectionIndex(sSectionName, 0, false);
        return lIndex >= 0 ? GetSection(lIndex) : AddSection(sSectionName);
    } catch (MpException& e) {
        e.AddCallpath("GetSection(char *sSectionName)", kClass);
        throw;
    }
}

int32_t MpIniFile::GetSectionIndex(const char* sSectionName, int32_t lStart, bool bPrefix) const {
    if (sSectionName == nullptr) return -1;
    try {
        MpString sSought;
        if (sSectionName[0] == '[') {
            sSought.Copy(sSectionName);
            if (bPrefix && sSought.EndsWith(']')) sSought.Truncate(sSought.GetLength() - 1);
        } else {
            sSought << "[" << sSectionName;
            if (!bPrefix) sSought << "]";
        }
        if (lStart <= 0 && !bPrefix) return m_nameIndex.FindFirst(m_sections, sSought.GetCString());
        return ScanSections(sSought, lStart, bPrefix);
    } catch (MpException& e) {
        e.AddCallpath("GetSectionIndex()", kClass);
        throw;
    }
}

int32_t MpIniFile::ScanSections(const MpString& sSought, int32_t lStart, bool bPrefix) const {
    size_t ulSoughtLength = sSought.GetLength();
    for (int32_t lIndex = lStart < 0 ? 0 : lStart; lIndex < GetNumSections(); ++lIndex) {
        const char* sName = m_sections[lIndex]->GetName();
        bool bMatch = bPrefix ? strncasecmp(sName, sSought.GetCString(), ulSoughtLength) == 0
                              : strcasecmp(sName, sSought.GetCString()) == 0;
        if (bMatch) return lIndex;
    }
    return -1;
}

void MpIniFile::Adopt(MpIniSection* pSection) {
    m_sections.push_back(pSection);
    pSection->SetNameIndex(&m_nameIndex);
}

const char* MpIniFile::GetSectionName(int32_t lIndex) const {
    try {
        return m_sections.At(lIndex)->GetName();
    } catch (MpException& e) {
        e.AddCallpath("GetSectionName()", kClass);
        throw;
    }
}

MpIniSection* MpIniFile::AddSection(MpIniSection* pSection) {
    try {
        if (GetSectionIndex(pSection->GetName(), 0, false) >= 0) {
            MpException::Raise("Section already exists.", kClass);
        }
        Adopt(pSection);
        pSection->SetIsLoaded(true);
        return pSection;
    } catch (MpException& e) {
        e.AddCallpath("AddSection(MpIniSection *pSection)", kClass);
        throw;
    }
}

MpIniSection* MpIniFile::AddSection(const char* sSectionName) {
    try {
        std::unique_ptr<MpIniSection> section(new MpIniSection(sSectionName));
        AddSection(section.get());
        return section.release();
    } catch (MpException& e) {
        e.AddCallpath("AddSection(char *sSectionName)", kClass);
        throw;
    }
}

int32_t MpIniFile::OccurrenceOfName(const MpIniSection* pSection) const {
    int32_t lOccurrence = 0;
    for (const MpIniSection* pOther : m_sections) {
        if (pOther == pSection) break;
        if (std::strcmp(pOther->GetName(), pSection->GetName()) == 0) ++lOccurrence;
    }
    return lOccurrence;
}

void MpIniFile::LoadSection(MpIniSection* pSection) {
    try {
        int32_t lSkip = OccurrenceOfName(pSection);
        m_io.Seek64Absolute(0);
        ReadPassLock lock(m_io);
        MpString sHeader;
        while (SeekToNextSection()) {
            ReadHeader(sHeader);
            if (sHeader == pSection->GetName() && lSkip-- == 0) {
                pSection->ReadLines(m_io);
                break;
            }
        }
        lock.Release();
    } catch (MpException& e) {
        e.AddCallpath("LoadSection()", kClass);
        throw;
    }
}

bool MpIniFile::SeekToNextSection() {
    if (m_sFileName.IsEmpty()) MpException::Raise("Cannot find section without a file", kClass);
    MpString sLine;
    int64_t llLineStart = m_io.Tell64();
    while (m_io.ReadLine(sLine) != 0) {
        sLine.Deblank();
        if (IsHeader(sLine)) {
            m_io.Seek64Absolute(llLineStart);
            return true;
        }
        llLineStart = m_io.Tell64();
    }
    return false;
}

void MpIniFile::LoadUnLoadedSections() {
    try {
        if (HasNoFileYet()) return;
        m_io.Seek64Absolute(0);
        ReadPassLock lock(m_io);
        MpString sHeader;
        int32_t lIndex = 0;
        while (lIndex < GetNumSections() && SeekToNextSection()) {
            ReadHeader(sHeader);
            MpIniSection* pSection = m_sections[lIndex];
            if (sHeader == pSection->GetName()) {
                if (!pSection->GetIsLoaded()) pSection->ReadLines(m_io);
                ++lIndex;
            }
        }
        lock.Release();
    } catch (MpException& e) {
        e.AddCallpath("LoadUnLoadedSections()", kClass);
        throw;
    }
}

void MpIniFile::Write(bool bLoad, uint32_t ulOpenFlags) {
    MpString sTemporary;
    try {
        MpIOInterface::GetTempFileName(sTemporary, nullptr, nullptr);
        if (bLoad) LoadUnLoadedSections();
        WriteSectionsTo(sTemporary.GetCString());
    } catch (MpException& e) {
        // The INI file is untouched and the temporary file holds no complete text.
        ReopenAfterFailedWrite(ulOpenFlags);
        if (!sTemporary.IsEmpty()) {
            try {
                MpIOInterface::Delete(sTemporary.GetCString());
            } catch (MpException&) {
            }
        }
        e.AddCallpath("Write()", kClass);
        throw;
    }
    try {
        CopyOver(GetFileName(), sTemporary.GetCString());
    } catch (MpException& e) {
        // The INI file may be half-written now; the temporary file is the one complete copy.
        MpString sReason(e.GetErrorMessage());
        e.SetErrorMessage("%s The complete new text is kept in \"%s\".", sReason.GetCString(),
                          sTemporary.GetCString());
        ReopenAfterFailedWrite(ulOpenFlags);
        e.AddCallpath("Write()", kClass);
        throw;
    }
    try {
        MpIOInterface::Delete(sTemporary.GetCString());
        m_io.Open(GetFileName(), ulOpenFlags);
    } catch (MpException& e) {
        ReopenAfterFailedWrite(ulOpenFlags);
        e.AddCallpath("Write()", kClass);
        throw;
    }
}

void MpIniFile::CopyOver(const char* sTo, const char* sFrom) {
    MpIOInterface::Copy(sTo, sFrom, &MpNullProgress::Shared());
}

void MpIniFile::WriteSectionsTo(const char* sTemporary) {
    m_io.Close();
    m_io.Open(sTemporary, IO_READ | IO_WRITE | IO_CREATE);
    for (MpIniSection* pSection : m_sections) pSection->Write(m_io);
    m_io.Close();
}

void MpIniFile::ReopenAfterFailedWrite(uint32_t ulOpenFlags) noexcept {
    if (m_io.GetIsOpen() && m_sFileName == m_io.GetFileName()) return;
    try {
        m_io.Open(GetFileName(), ulOpenFlags);
    } catch (...) {
    }
}
