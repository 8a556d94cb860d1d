// Fuzz target: reading INI files and DD files.
//
// The input is written to a file, read with MpIniFile the way every DD reader opens it, and
// queried section by section and key by key; then the same file is read as a DDFile for its
// record lengths, its offered fields in both modes, the numeric test of every field and the
// check of its mistakes.
#include <cctype>
#include <cstdint>
#include <cstring>

#include "CsvReadiness.h"
#include "DDCheck.h"
#include "DDFile.h"
#include "FuzzSupport.h"
#include "MpException.h"
#include "MpIniFile.h"
#include "MpIniLine.h"
#include "MpIniSection.h"

using namespace lathwell;

namespace {

// How the DD readers open the file: all sections loaded, created when missing, read only.
constexpr uint32_t kDDOpenFlags = 769;

bool IsTrimmed(const char* text) {
    const size_t length = std::strlen(text);
    auto isBlank = [](char byte) { return static_cast<unsigned char>(byte) <= 32; };
    return length == 0 || (!isBlank(text[0]) && !isBlank(text[length - 1]));
}

bool EqualIgnoringCase(const char* left, const char* right) {
    for (; *left != '\0' && *right != '\0'; ++left, ++right) {
        if (std::toupper(static_cast<unsigned char>(*left)) != std::toupper(static_cast<unsigned char>(*right))) {
            return false;
        }
    }
    return *left == *right;
}

void QuerySection(MpIniSection& section) {
    for (int32_t index = 0; index < section.GetNumLines(); ++index) {
        const MpIniLine& line = *section.GetLine(index);
        const MpString key(line.GetKey());
        FUZZ_CHECK(IsTrimmed(key.GetCString()));
        const int32_t found = section.FindKey(key.GetCString());
        FUZZ_CHECK(found >= 0 && found <= index);
        FUZZ_CHECK(std::strcmp(section.GetString(key.GetCString(), "default"),
                               section.GetLine(found)->GetValue()) == 0);
        section.GetInt(key.GetCString(), 7);
        section.GetBool(key.GetCString(), true);
        char shortCopy[4];
        section.GetString(key.GetCString(), nullptr, shortCopy, sizeof shortCopy);
        FUZZ_CHECK(std::strlen(shortCopy) < sizeof shortCopy);
    }
    FUZZ_CHECK(section.FindKey(nullptr) == -1);
    for (int32_t block = 0; block <= section.GetNumLines(); ++block) {
        section.GetCommentBlock(block);
    }
}

void QueryIniFile(const char* fileName) {
    MpIniFile ini(fileName, true, true, kDDOpenFlags);
    const int32_t count = ini.GetNumSections();
    for (int32_t index = 0; index < count; ++index) {
        const MpString name(ini.GetSectionName(index));
        const size_t length = name.GetLength();
        FUZZ_CHECK(length >= 2 && name.GetCString()[0] == '[' && name.GetCString()[length - 1] == ']');
        MpIniSection& section = *ini.GetSection(index);
        FUZZ_CHECK(std::strcmp(section.GetName(), name.GetCString()) == 0);
        QuerySection(section);

        // Lookups by name find this section or an earlier one of the same name.
        const int32_t first = ini.GetSectionIndex(name.GetCString(), 0, false);
        FUZZ_CHECK(first >= 0 && first <= index);
        FUZZ_CHECK(EqualIgnoringCase(ini.GetSectionName(first), name.GetCString()));
        FUZZ_CHECK(ini.GetSectionIndex(name.GetCString(), index, true) == index);
        FUZZ_CHECK(ini.GetSection(name.GetCString()) == ini.GetSection(first));
    }
    FUZZ_CHECK(ini.GetNumSections() == count);
    ini.GetSection("FileInfo")->GetInt("RecordLength", 0);
    // A name the file lacks is added in memory.
    const int32_t before = ini.GetNumSections();
    const bool hadProbe = ini.GetSectionIndex("[lathwell fuzz probe]", 0, false) >= 0;
    ini.GetSection("lathwell fuzz probe");
    FUZZ_CHECK(ini.GetNumSections() == before + (hadProbe ? 0 : 1));
}

void QueryDDFile(const char* fileName) {
    DDFile dd(fileName);
    dd.GetRecordLength();
    dd.GetPopRecordLength();
    for (const bool populationMode : {false, true}) {
        for (const AvailableField& field : dd.GetAvailableFields(populationMode)) {
            FUZZ_CHECK(field.sectionIndex >= 0 && field.sectionIndex < dd.GetNumSections());
            FUZZ_CHECK(GetFieldSectionKind(dd.GetSection(field.sectionIndex)->GetName()) !=
                       FieldSectionKind::NotAField);
            FUZZ_CHECK(!field.shownName.empty());
        }
    }
    const int32_t count = dd.GetNumSections();
    for (int32_t index = 0; index < count; ++index) {
        const MpString fieldName = dd.GetFieldName(index);
        dd.IsNumericField(fieldName.GetCString());
    }
    // The check lists at most its bound and counts every finding.
    for (const bool populationMode : {false, true}) {
        const DDCheckResult check = CheckDDFile(dd, populationMode, 5);
        FUZZ_CHECK(check.findings.size() <= 5);
        FUZZ_CHECK(check.total >= static_cast<int64_t>(check.findings.size()));
        FUZZ_CHECK(check.MoreText().empty() == (check.total == static_cast<int64_t>(check.findings.size())));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile file(".dd");
    file.Write(data, size);
    try {
        QueryIniFile(file.Name());
    } catch (const MpException&) {
    }
    try {
        QueryDDFile(file.Name());
    } catch (const MpException&) {
    }
    ReadDDRecordLengths(file.Name());
    return 0;
}
