#include "DDFile.h"
#include "CsvReadiness.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "MpIO.h"

#include "TempDir.h"

namespace lathwell {

namespace {

const char kDD[] =
    "; sample layout\n"
    "[fileinfo]\n"
    "RecordLength=100\n"
    "PopRecordLength=0x20\n"
    "[Format=Sex]\n"
    "M=Male\n"
    "F=Female\n"
    "[Format=Age]\n"
    "01-05=young\n"
    "1,000=old\n"
    "[Field1]\n"                           // 3
    "FieldName=Age\n"
    "ByteOffset=1\n"
    "PopByteOffset=5\n"
    "[Field12]\n"                          // 4
    "FieldName=Sex\n"
    "ByteOffset=4\n"
    "MappedTo=Gender\n"
    "PopByteOffset=9\n"
    "[FieldA]\n"                           // 5
    "FieldName=Hidden one\n"
    "Hidden=yes\n"
    "ByteOffset=7\n"
    "[FieldB]\n"                           // 6
    "FieldName=Required one\n"
    "Hidden=yes\n"
    "Required=1\n"
    "[fieldC]\n"                           // 7
    "FieldName=Lower case\n"
    "[DerivedField1]\n"                    // 8
    "FieldName=Derived\n"
    "ByteOffset=20\n"
    "PopByteOffset=30\n"
    "[CountField3]\n"                      // 9
    "FieldName=Deaths\n"
    "ByteOffset=40\n"
    "[PopCountField1]\n"                   // 10
    "FieldName=Persons\n"
    "ByteOffset=50\n"
    "[ExpRateField1]\n"                    // 11
    "FieldName=Rate\n"
    "ByteOffset=60\n"
    "[Field9]\n"                           // 12
    "ByteOffset=70\n"
    "[SummaryCountField1]\n"               // 13
    "ByteOffset=80\n";

struct Offered {
    std::string shown;
    std::string position;
    int32_t section;
    bool operator==(const Offered& o) const {
        return shown == o.shown && position == o.position && section == o.section;
    }
};

std::ostream& operator<<(std::ostream& out, const Offered& o) {
    return out << "{" << o.shown << ", " << o.position << ", " << o.section << "}";
}

std::vector<Offered> Offers(DDFile& dd, bool population) {
    std::vector<Offered> result;
    for (const AvailableField& f : dd.GetAvailableFields(population)) {
        result.push_back({f.shownName.c_str(), f.position.c_str(), f.sectionIndex});
    }
    return result;
}

}  // namespace

TEST(DDFile, TellsFieldSectionKindsByCaseSensitivePrefix) {
    const struct {
        const char* name;
        FieldSectionKind kind;
    } cases[] = {
        {"[Field1]", FieldSectionKind::Field},
        {"[Field12]", FieldSectionKind::Field},
        {"[FieldA]", FieldSectionKind::Field},
        {"[fieldA]", FieldSectionKind::NotAField},
        {"[ Field1]", FieldSectionKind::NotAField},
        {"[DerivedField2]", FieldSectionKind::DerivedField},
        {"[PopCountField1]", FieldSectionKind::PopCountField},
        {"[ExpRateField1]", FieldSectionKind::ExpRateField},
        {"[StdMilCountField1]", FieldSectionKind::StdMilCountField},
        {"[CountField3]", FieldSectionKind::CountField},
        {"[SummaryCountField]", FieldSectionKind::SummaryCountField},
        {"[FileInfo]", FieldSectionKind::NotAField},
        {"[Format=Sex]", FieldSectionKind::NotAField},
    };
    for (const auto& c : cases) EXPECT_EQ(c.kind, GetFieldSectionKind(c.name)) << c.name;
}

TEST(DDFile, ReadsRecordLengthsFromFileInfoIgnoringCase) {
    TempDir dir;
    DDFile dd(dir.Write("a.dd", kDD).c_str());
    EXPECT_EQ(100, dd.GetRecordLength());
    EXPECT_EQ(32, dd.GetPopRecordLength());
    EXPECT_EQ(100, ReadDDRecordLengths(dir.File("a.dd").c_str()).ForMode(false));
    EXPECT_EQ(32, ReadDDRecordLengths(dir.File("a.dd").c_str()).ForMode(true));
}

TEST(DDFile, RecordLengthIsZeroWithoutFileInfoOrWhenUnreadable) {
    TempDir dir;
    DDFile dd(dir.Write("b.dd", "[Field1]\nFieldName=A\n").c_str());
    EXPECT_EQ(0, dd.GetRecordLength());
    EXPECT_EQ(0, ReadDDRecordLengths(dir.Path().string().c_str()).ForMode(false));  // a folder, not a file
}

TEST(DDFile, RecordLengthOutsideThe32BitRangeMakesTheFileInvalid) {
    const struct {
        const char* lengths;
        const char* outOfRange;  // empty: a valid file of RecordLength 7
    } cases[] = {
        {"RecordLength=7\nPopRecordLength=2147483647\n", ""},
        {"RecordLength=7\nPopRecordLength=-2147483648\n", ""},
        {"RecordLength=99999999999\n", "RecordLength 99999999999"},
        {"RecordLength=7\nPopRecordLength=2147483648\n", "PopRecordLength 2147483648"},
        {"RecordLength=-99999999999999999999\n", "RecordLength -99999999999999999999"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        std::string name = dir.Write("c.dd", std::string("[FileInfo]\n") + c.lengths);
        std::string expected = *c.outOfRange == '\0' ? "" : "Invalid DD File \"" + name + "\": " + c.outOfRange +
                                                             " lies outside the 32-bit range";
        for (bool population : {false, true}) {
            std::string message;
            try {
                DDFile dd(name.c_str());
                population ? dd.GetPopRecordLength() : dd.GetRecordLength();
            } catch (MpException& error) {
                message = error.GetErrorMessage();
            }
            EXPECT_EQ(expected, message) << c.lengths;
        }
        EXPECT_EQ(expected.empty() ? 7 : 0, ReadDDRecordLengths(name.c_str()).ForMode(false)) << c.lengths;
    }
}

// Releases the other program's lock at the given call, or stops waiting at it.
class ScriptedLockWait : public DDFileLockWait {
public:
    ScriptedLockWait(MpIO& otherProgram, bool releaseAtThirdCall) : m_other(otherProgram), m_release(releaseAtThirdCall) {}
    bool KeepWaiting(const char* fileName, int64_t waitedMilliseconds) override {
        names.push_back(fileName);
        EXPECT_GE(waitedMilliseconds, 100 * static_cast<int64_t>(names.size()));
        if (names.size() < 3) return true;
        if (m_release) m_other.UnLock(IO_LOCK_WRITE, 0, 0);
        return m_release;
    }
    std::vector<std::string> names;

private:
    MpIO& m_other;
    bool m_release;
};

TEST(DDFile, WaitsForAFileLockedByAnotherProgramAsLongAsTheCallerWants) {
    TempDir dir;
    const std::string name = dir.Write("a.dd", kDD);
    MpIO otherProgram(name.c_str(), IO_READ | IO_WRITE);
    ASSERT_TRUE(otherProgram.TryLock(IO_LOCK_WRITE, 0, 0));
    ScriptedLockWait stopping(otherProgram, false);
    try {
        DDFile dd(name.c_str(), &stopping);
        ADD_FAILURE() << "opened a locked file";
    } catch (MpException& error) {
        EXPECT_EQ("Gave up waiting for \"" + name + "\", locked by another program",
                  std::string(error.GetErrorMessage()));
    }
    EXPECT_EQ(std::vector<std::string>(3, name), stopping.names);

    ScriptedLockWait releasing(otherProgram, true);
    DDFile dd(name.c_str(), &releasing);
    EXPECT_EQ(100, dd.GetRecordLength());
    EXPECT_EQ(3u, releasing.names.size());
}

TEST(DDFile, OffersFieldsInOrdinaryMode) {
    TempDir dir;
    DDFile dd(dir.Write("a.dd", kDD).c_str());
    std::vector<Offered> expected = {
        {"Age", "1", 3},          {"Required one", "N/A", 6}, {"Deaths (Cases)", "40", 9},
        {"Rate", "60", 11},       {" (Cases)", "80", 13},
    };
    EXPECT_EQ(expected, Offers(dd, false));
}

TEST(DDFile, OffersFieldsInPopulationMode) {
    TempDir dir;
    DDFile dd(dir.Write("a.dd", kDD).c_str());
    std::vector<Offered> expected = {
        {"Age", "1", 3}, {"Sex", "4", 4}, {"Derived", "20", 8}, {"Persons (Populations)", "50", 10},
    };
    EXPECT_EQ(expected, Offers(dd, true));
}

TEST(DDFile, FieldIsNumericUnlessAFormatCodeHasOtherBytes) {
    TempDir dir;
    std::string text = std::string(kDD) +
                       "[Format=Digits]\n1=a\n2=b\n9=c\n"
                       "[Format=Decimal]\n1=a\n1.5=b\n"
                       "[Format=Empty]\n; only a comment\n";
    DDFile dd(dir.Write("c.dd", text).c_str());
    const struct {
        const char* field;
        bool numeric;
    } cases[] = {
        {"Digits", true}, {"Sex", false}, {"Age", true}, {"Decimal", false},
        {"Empty", true},  {"NoFormat", true}, {"sex", false},
    };
    const int32_t sections = dd.GetNumSections();
    for (const auto& c : cases) EXPECT_EQ(c.numeric, dd.IsNumericField(c.field)) << c.field;
    // Only a conversion's reading adds the missing Format section, empty.
    EXPECT_EQ(sections, dd.GetNumSections());
    EXPECT_TRUE(dd.IsNumericField("NoFormat", DDFile::MissingFormat::AddEmpty));
    EXPECT_EQ(sections + 1, dd.GetNumSections());
}

}  // namespace lathwell
