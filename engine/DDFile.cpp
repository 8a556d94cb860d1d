#include "DDFile.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include "MpException.h"
#include "MpIniLine.h"
#include "MpIniSection.h"

namespace lathwell {

namespace {

// How every DD reader of the program opens the file: read only (IO_READ plus the lock-type bits
// that MpIO keeps without effect), all sections loaded at once, created when missing.
constexpr uint32_t kDDOpenFlags = 769;

struct SectionPrefix {
    const char* prefix;
    FieldSectionKind kind;
};

constexpr SectionPrefix kSectionPrefixes[] = {
    {"[Field", FieldSectionKind::Field},
    {"[DerivedField", FieldSectionKind::DerivedField},
    {"[PopCountField", FieldSectionKind::PopCountField},
    {"[ExpRateField", FieldSectionKind::ExpRateField},
    {"[StdMilCountField", FieldSectionKind::StdMilCountField},
    {"[CountField", FieldSectionKind::CountField},
    {"[SummaryCountField", FieldSectionKind::SummaryCountField},
};

// A field of an ordinary or derived kind is offered when it is required or not hidden.
bool IsShown(MpIniSection& section) {
    return section.GetBool("Required", false) || !section.GetBool("Hidden", false);
}

// The shown name of an offered section, or an empty text when the rule of the mode leaves it
// out. Kinds shown with a suffix are offered even without a FieldName.
MpString ShownNameInOrdinaryMode(FieldSectionKind kind, MpIniSection& section) {
    switch (kind) {
    case FieldSectionKind::Field:
        if (*section.GetString("MappedTo", "") != '\0' || !IsShown(section)) return MpString();
        return MpString(section.GetString("FieldName", ""));
    case FieldSectionKind::ExpRateField:
    case FieldSectionKind::StdMilCountField:
        return MpString(section.GetString("FieldName", ""));
    case FieldSectionKind::CountField:
    case FieldSectionKind::SummaryCountField:
        return MpString(section.GetString("FieldName", "")).Append(" (Cases)");
    default:
        return MpString();
    }
}

MpString ShownNameInPopulationMode(FieldSectionKind kind, MpIniSection& section) {
    switch (kind) {
    case FieldSectionKind::Field:
    case FieldSectionKind::DerivedField:
        if (section.GetInt("PopByteOffset", 0) == 0 || !IsShown(section)) return MpString();
        return MpString(section.GetString("FieldName", ""));
    case FieldSectionKind::PopCountField:
        return MpString(section.GetString("FieldName", "")).Append(" (Populations)");
    default:
        return MpString();
    }
}

const char* const kRecordLengthKeys[] = {"RecordLength", "PopRecordLength"};

// Whether a value that GetInt reads as a decimal number (only "-" and digits after trimming)
// lies outside the 32-bit range that GetInt clamps it into.
bool IsDecimalOutOfRange(const char* value) {
    MpString text(value);
    text.Deblank();
    const char* digits = text.GetCString();
    if (*digits == '\0' || digits[std::strspn(digits, "-0123456789")] != '\0') return false;
    errno = 0;
    long long number = std::strtoll(digits, nullptr, 10);
    return errno == ERANGE || number > INT32_MAX || number < INT32_MIN;
}

constexpr auto kLockPollInterval = std::chrono::milliseconds(100);

// The wait of a DDFile opened without one: a bounded wait, so a window never hangs on a file
// another program keeps locked.
class BoundedLockWait : public DDFileLockWait {
public:
    bool KeepWaiting(const char* /*fileName*/, int64_t waitedMilliseconds) override {
        return waitedMilliseconds < 5000;
    }
};

// Waits until the file the INI reader opened can be read, polling the shared lock the reader is
// about to take (the reader itself would wait without end and without a word), and gives the
// lock back at once: where shared locks are not available it would exclude the reader too.
void WaitUntilReadable(MpIO& file, const char* fileName, DDFileLockWait* lockWait) {
    BoundedLockWait boundedWait;
    DDFileLockWait& wait = lockWait != nullptr ? *lockWait : boundedWait;
    const auto start = std::chrono::steady_clock::now();
    while (!file.TryLock(IO_LOCK_READ, 0, 0)) {
        std::this_thread::sleep_for(kLockPollInterval);
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (!wait.KeepWaiting(fileName, waited.count())) {
            throw DDFileLockedException(fileName);
        }
    }
    file.UnLock(IO_LOCK_READ, 0, 0);
}

}  // namespace

DDFileLockedException::DDFileLockedException(const char* fileName)
    : MpException("Gave up waiting for \"%s\", locked by another program", "DDFile", 0, fileName) {}

FieldSectionKind GetFieldSectionKind(const char* bracketedName) {
    for (const SectionPrefix& entry : kSectionPrefixes) {
        if (std::strncmp(bracketedName, entry.prefix, std::strlen(entry.prefix)) == 0) return entry.kind;
    }
    return FieldSectionKind::NotAField;
}

DDFile::DDFile(const char* fileName, DDFileLockWait* lockWait) : m_fileName(fileName) {
    // One opening of the file: waited for, then read.
    m_ini.SetName(fileName, true, kDDOpenFlags);
    WaitUntilReadable(m_ini.GetIO(), fileName, lockWait);
    m_ini.LoadSectionNames(true);
}

void DDFile::CheckRecordLengthsInRange() {
    MpIniSection& fileInfo = *m_ini.GetSection("FileInfo");
    for (const char* key : kRecordLengthKeys) {
        MpString value(fileInfo.GetString(key, ""));
        if (IsDecimalOutOfRange(value.GetCString())) {
            MpException::RaiseFormatted("Invalid DD File \"%s\": %s %s lies outside the 32-bit range", "DDFile",
                                        m_fileName.GetCString(), key, value.GetCString());
        }
    }
}

int32_t DDFile::GetRecordLength() {
    CheckRecordLengthsInRange();
    return m_ini.GetSection("FileInfo")->GetInt("RecordLength", 0);
}

int32_t DDFile::GetPopRecordLength() {
    CheckRecordLengthsInRange();
    return m_ini.GetSection("FileInfo")->GetInt("PopRecordLength", 0);
}

std::vector<AvailableField> DDFile::GetAvailableFields(bool populationMode) {
    std::vector<AvailableField> fields;
    int32_t count = m_ini.GetNumSections();
    for (int32_t index = 0; index < count; ++index) {
        MpIniSection& section = *m_ini.GetSection(index);
        FieldSectionKind kind = GetFieldSectionKind(section.GetName());
        MpString shownName = populationMode ? ShownNameInPopulationMode(kind, section)
                                            : ShownNameInOrdinaryMode(kind, section);
        if (shownName.IsEmpty()) continue;
        AvailableField field;
        field.shownName = shownName.GetCString();
        field.position = section.GetString("ByteOffset", "N/A");
        field.sectionIndex = index;
        fields.push_back(std::move(field));
    }
    return fields;
}

MpString DDFile::GetFieldName(int32_t sectionIndex) {
    return MpString(m_ini.GetSection(sectionIndex)->GetString("FieldName", ""));
}

bool DDFile::IsNumericField(const char* fieldName, MissingFormat missing) {
    MpString formatName("Format=");
    formatName.Append(fieldName);
    const int32_t index = m_ini.GetSectionIndex(formatName.GetCString(), 0, false);
    if (index < 0) {
        if (missing == MissingFormat::AddEmpty) m_ini.AddSection(formatName.GetCString());
        return true;
    }
    MpIniSection& format = *m_ini.GetSection(index);
    for (int32_t line = 0; line < format.GetNumLines(); ++line) {
        const char* code = format.GetLine(line)->GetKey();
        if (code[std::strspn(code, "0123456789-,")] != '\0') return false;
    }
    return true;
}

}  // namespace lathwell
