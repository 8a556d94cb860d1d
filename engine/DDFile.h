// DDFile: a data definition file (*.dd), the INI file that describes the fixed-field records of
// a CSV conversion: [FileInfo] with the record lengths, one section per field, and
// "Format=<FieldName>" sections that list the codes of coded fields.
//
// A DDFile opens the file the way every DD reader of the program does (MpIniFile with load-all
// 1, create-if-missing 1, open flags 769), keeps it open while it lives and never writes it.
// While another program keeps the file locked against reading, the DDFile waits and asks a
// DDFileLockWait, given by the caller, whether to go on waiting.
// Keys and section names are looked up ignoring case; the kind of a field section is told by a
// case-sensitive test of how its bracketed name begins. Fields are identified by their section
// index: the 0-based position of the section among all sections, in file order.
// Failures of the INI layer pass through as MpException.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MpException.h"
#include "MpIniFile.h"
#include "MpString.h"

namespace lathwell {

enum class FieldSectionKind {
    NotAField,
    Field,             // "[Field..."
    DerivedField,      // "[DerivedField..."
    PopCountField,     // "[PopCountField..."
    ExpRateField,      // "[ExpRateField..."
    StdMilCountField,  // "[StdMilCountField..."
    CountField,        // "[CountField..."
    SummaryCountField  // "[SummaryCountField..."
};

// The kind of a section by the beginning of its bracketed name, compared case-sensitively:
// "[Field12]" and "[FieldA]" are fields, "[fieldA]" and "[ Field1]" are not.
FieldSectionKind GetFieldSectionKind(const char* bracketedName);

// A field that the field selection dialog offers for matching. Its texts are standard strings,
// which hold a short name without a heap block: a DD file offers up to millions of fields.
struct AvailableField {
    // FieldName, followed by " (Cases)" for count fields in ordinary mode or " (Populations)"
    // for population count fields.
    std::string shownName;
    // The ByteOffset value as written in the file, or "N/A" when the key is missing.
    std::string position;
    int32_t sectionIndex = 0;
};

// Hears of a DD file that another program keeps locked while a DDFile opens it, so a front end
// can tell the user and let them stop waiting. Called on the opening thread.
class DDFileLockWait {
public:
    virtual ~DDFileLockWait() = default;
    // Called about ten times a second while the file stays locked, with the time waited so far.
    // Returns whether to wait on; false makes the DDFile raise DDFileLockedException.
    virtual bool KeepWaiting(const char* fileName, int64_t waitedMilliseconds) = 0;
};

// Raised when the wait for a DD file that another program keeps locked was given up; the
// message is "Gave up waiting for \"<fileName>\", locked by another program". Its own class so
// that callers which read any other failure as an invalid DD file can tell the user this one.
class DDFileLockedException : public MpException {
public:
    explicit DDFileLockedException(const char* fileName);
};

class DDFile {
public:
    // Without a lockWait, a locked file is waited for five seconds at most.
    explicit DDFile(const char* fileName, DDFileLockWait* lockWait = nullptr);

    // [FileInfo] "RecordLength" and "PopRecordLength" (0 when missing). A DD file in which
    // either is a decimal number outside the 32-bit range is invalid: both raise MpException
    // "Invalid DD File \"<name>\": <key> <value> lies outside the 32-bit range".
    int32_t GetRecordLength();
    int32_t GetPopRecordLength();

    int32_t GetNumSections() const { return m_ini.GetNumSections(); }
    // REQUIRES (else raises the INI layer's index message): 0 <= index < GetNumSections().
    MpIniSection* GetSection(int32_t index) { return m_ini.GetSection(index); }

    // The fields offered for matching, in file order. Ordinary mode: [Field...] sections with
    // an empty MappedTo that are required or not hidden, every [ExpRateField...] and
    // [StdMilCountField...], every [CountField...] and [SummaryCountField...] (shown with
    // " (Cases)"). Population mode: [Field...] and [DerivedField...] sections whose
    // PopByteOffset is not 0 and that are required or not hidden, and every
    // [PopCountField...] (shown with " (Populations)"). Kinds shown by FieldName alone are left
    // out when their FieldName is empty.
    std::vector<AvailableField> GetAvailableFields(bool populationMode);

    // "FieldName" of the section with that index (empty when missing).
    MpString GetFieldName(int32_t sectionIndex);

    // A field is numeric unless its "Format=<fieldName>" section has a key with a byte other
    // than the digits, "-" and ","; without such a section, or with an empty one, it is
    // numeric. A conversion's reading of its layout adds a missing section empty in memory
    // (MissingFormat::AddEmpty), which later section counts show; other readers leave the file
    // as it was read, so a file of a million fields does not gain a million sections.
    enum class MissingFormat { Ignore, AddEmpty };
    bool IsNumericField(const char* fieldName, MissingFormat missing = MissingFormat::Ignore);

private:
    // Raises the message of GetRecordLength when a record length is out of range.
    void CheckRecordLengthsInRange();

    MpString m_fileName;
    MpIniFile m_ini;
};

}  // namespace lathwell
