// MpIniFile: one INI file, read into sections (MpIniSection) of key lines (MpIniLine).
//
// File syntax as read: every line is trimmed of bytes 1 to 32 at both ends; empty lines are
// skipped; "[name]" starts a section (the name is the whole trimmed line, brackets included);
// inside a section ";" starts a comment and any other line is key=value. Lines before the first
// header belong to no section. A line that begins with "[" but does not end with "]" ends the
// section before it, and it and every line up to the next header are skipped.
//
// The file object owns its sections; section pointers returned by the accessors stay valid
// until the file object is destroyed or its section list changes. It keeps its own MpIO open
// on the file from construction to destruction and holds a shared whole-file lock during each
// reading pass (LoadSectionNames, LoadSection, LoadUnLoadedSections). Changes made in memory
// reach the file only through Write; the destructor never writes.
//
// Failures raise MpException; each operation that passes one on adds its call-path entry of
// class "MpIniFile".
#pragma once

#include <cstdint>

#include "MpIO.h"
#include "MpIniNameIndex.h"
#include "MpIniSection.h"
#include "MpString.h"
#include "MpVector.h"

class MpIniFile {
public:
    // No file name and no sections; sections can be added in memory.
    MpIniFile();
    // SetName(sFileName, bCreateIfMissing, ulOpenFlags), then LoadSectionNames(bLoadAll).
    // Call-path entry "Constructor()".
    MpIniFile(const char* sFileName, bool bLoadAll, bool bCreateIfMissing, uint32_t ulOpenFlags);
    MpIniFile(const MpIniFile&) = delete;
    MpIniFile& operator=(const MpIniFile&) = delete;
    // Closes the file (a failure is swallowed); never writes.
    virtual ~MpIniFile();

    // Stores the absolute path of sFileName and opens the I/O object on it with ulOpenFlags.
    // A missing file raises MpFileException "\"%s\" does not exist." unless bCreateIfMissing
    // is set. With the flag set, a missing file is created empty whatever ulOpenFlags say (a
    // reader too creates it). Call-path entry "SetName()".
    void SetName(const char* sFileName, bool bCreateIfMissing, uint32_t ulOpenFlags);
    // The absolute path (empty for a file object made without a name).
    const char* GetFileName() const { return m_sFileName.GetCString(); }
    // The file SetName opened, for a reader that waits for its lock in its own way before
    // LoadSectionNames (which would wait without end).
    MpIO& GetIO() { return m_io; }

    // Scans the file from the start and appends one section per header, in file order (no test
    // for duplicate names); with bLoad each section's lines are read at once, otherwise on
    // first use. Once the process caught a stop signal (MpSignal::StopRequested) it raises
    // MpIOCanceledException "Reading "<file>" stopped" before the next section.
    // Call-path entry "LoadSectionNames()".
    void LoadSectionNames(bool bLoad);

    int32_t GetNumSections() const { return m_sections.GetCount(); }
    // REQUIRES (else raises "Index %d out of range; array is from %d to %d"):
    // 0 <= lIndex < GetNumSections(). Reads the section's lines first if they are not loaded.
    // Call-path entry "GetSection(long lIndex)".
    MpIniSection* GetSection(int32_t lIndex);
    // Null for a null or empty name. Otherwise the first section of that name (see
    // GetSectionIndex); when there is none, a new empty section of that name is added in
    // memory and returned. Call-path entry "GetSection(char *sSectionName)".
    MpIniSection* GetSection(const char* sSectionName);
    // Index of the first section at or after lStart whose name equals sSectionName ignoring
    // case, or -1 (also for a null name). The sections' names as they are now count, however
    // they were renamed since they were added or read. A name that begins with "[" is used as it is, any
    // other is enclosed in brackets. With bPrefix a section matches when its name begins with
    // the text (then only "[" is put in front, or a final "]" dropped).
    // Call-path entry "GetSectionIndex()".
    int32_t GetSectionIndex(const char* sSectionName, int32_t lStart, bool bPrefix) const;
    // REQUIRES: 0 <= lIndex < GetNumSections(). The bracketed name.
    // Call-path entry "GetSectionName()".
    const char* GetSectionName(int32_t lIndex) const;

    // Marks pSection loaded, appends it and returns it. Raises "Section already exists." when a
    // section of that name (ignoring case) exists. Call-path entry
    // "AddSection(MpIniSection *pSection)".
    // Ownership: the file takes pSection only when the call succeeds. When it raises, the file
    // has neither kept nor deleted pSection: it is still the caller's, unchanged, to delete or
    // to use again.
    // REQUIRES: pSection not null, allocated with new, and not already in a file.
    MpIniSection* AddSection(MpIniSection* pSection);
    // A new empty section named sSectionName, added as above.
    // Call-path entry "AddSection(char *sSectionName)".
    MpIniSection* AddSection(const char* sSectionName);

    // Reads pSection's lines from the file: the body below the header that carries its name.
    // When several sections share one name, the one at the same place among them is read.
    // Call-path entry "LoadSection()".
    void LoadSection(MpIniSection* pSection);

    // Moves the I/O position to the start of the next header line and returns true, or returns
    // false at the end of the file. Raises "Cannot find section without a file" when the file
    // object has no name.
    bool SeekToNextSection();

    // Reads the lines of every section that is not loaded yet, matching the file's headers to
    // the sections in order, under the same shared lock as LoadSectionNames.
    // Call-path entry "LoadUnLoadedSections()".
    void LoadUnLoadedSections();
    // Writes every section, in order, to a new temporary file, copies that over the INI file,
    // deletes it and opens the I/O object on the INI file again with ulOpenFlags. With bLoad
    // the sections never read are read first, so that they are not written empty.
    // A failure before the copy leaves the INI file unchanged and the temporary file deleted;
    // a failed copy (which may leave the INI file half-written) keeps the temporary file and
    // names it in the message: "<reason> The complete new text is kept in \"<name>\".". After
    // any failure the I/O object is opened on the INI file again where it can be.
    // Call-path entry "Write()".
    void Write(bool bLoad, uint32_t ulOpenFlags);

protected:
    // Replaces the contents of sTo by those of sFrom (MpIOInterface::Copy); virtual so that
    // tests can make the copy fail.
    virtual void CopyOver(const char* sTo, const char* sFrom);

private:
    // True when no file is open and none exists under the name (a file object made without a
    // name, or one whose file was removed behind it).
    bool HasNoFileYet() const;
    // Index of pSection among the sections that share its exact name, counting from the first.
    int32_t OccurrenceOfName(const MpIniSection* pSection) const;
    // Reads the next line, which must be a header, trimmed, into sHeader.
    void ReadHeader(MpString& sHeader);
    // Closes the I/O object, writes every section to sTemporary and closes it again.
    void WriteSectionsTo(const char* sTemporary);
    // After a failed Write: opens the I/O object on the INI file again unless it still is;
    // a failure to do so is dropped.
    void ReopenAfterFailedWrite(uint32_t ulOpenFlags) noexcept;
    // Linear search from lStart, exact or by prefix, ignoring case.
    int32_t ScanSections(const MpString& sSought, int32_t lStart, bool bPrefix) const;
    // Appends a section the file now owns and gives it the name index.
    void Adopt(MpIniSection* pSection);

    // Finds whole names searched from the first section. Declared before the sections, which
    // point to it, so that it outlives them.
    mutable MpIniNameIndex m_nameIndex;
    MpIO m_io;
    MpString m_sFileName;
    MpPointerVector<MpIniSection> m_sections;
};
