#include <gtest/gtest.h>

#include <string>

#include "MpIO.h"
#include "MpIOSystem.h"
#include "MpIniFile.h"
#include "TempDir.h"

namespace {

// The flags every DD file reader of the program passes: IO_READ plus the bits 256 and 512.
const uint32_t kReaderFlags = 769;

const char kSample[] =
    "Orphan=before any header\r\n"
    "[FileInfo]\r\n"
    "; lengths of the record\r\n"
    "RecordLength = 120\r\n"
    "\r\n"
    "PopRecordLength=\"  80 \"\r\n"
    ";trailing comment\r\n"
    "[Field1]\n"
    "FieldName=Name\n"
    "[Broken\n"
    "Lost=1\n"
    "[ FileInfo ]\n"
    "Other=2\n"
    "[field1]\n"
    "FieldName=Second\n";

class MpIniFileTest : public ::testing::Test {
protected:
    // The library start-up picks the lock calls before any file is read.
    void SetUp() override { MpIOSystem::SetOSCapabilities(); }

    TempDir m_dir;
};

TEST_F(MpIniFileTest, ReadsSectionsKeysAndComments) {
    MpIniFile file(m_dir.Write("a.dd", kSample).c_str(), true, true, kReaderFlags);
    ASSERT_EQ(4, file.GetNumSections());
    EXPECT_STREQ("[FileInfo]", file.GetSectionName(0));
    EXPECT_STREQ("[Field1]", file.GetSectionName(1));
    EXPECT_STREQ("[ FileInfo ]", file.GetSectionName(2));
    EXPECT_STREQ("[field1]", file.GetSectionName(3));

    MpIniSection* pInfo = file.GetSection(0);
    ASSERT_EQ(2, pInfo->GetNumLines());
    EXPECT_EQ(120, pInfo->GetInt("recordlength", 0));
    EXPECT_STREQ("  80 ", pInfo->GetString("PopRecordLength", ""));
    EXPECT_STREQ(" lengths of the record", pInfo->GetCommentBlock(0).at(0).GetCString());
    EXPECT_TRUE(pInfo->GetCommentBlock(1).empty());
    EXPECT_STREQ("trailing comment", pInfo->GetCommentBlock(2).at(0).GetCString());
    EXPECT_TRUE(pInfo->GetIsLoaded());
    EXPECT_FALSE(pInfo->GetIsModified());

    // A "[" without "]" ends [Field1]; the lines after it belong to no section.
    MpIniSection* pField = file.GetSection(1);
    EXPECT_EQ(1, pField->GetNumLines());
    EXPECT_EQ(-1, pField->FindKey("Lost"));
}

TEST_F(MpIniFileTest, SectionLookupIgnoresCaseAndBrackets) {
    MpIniFile file(m_dir.Write("a.dd", kSample).c_str(), true, true, kReaderFlags);
    for (const char* sName : {"FileInfo", "[FileInfo]", "[fileinfo]", "FILEINFO"}) {
        EXPECT_EQ(0, file.GetSectionIndex(sName, 0, false)) << sName;
    }
    EXPECT_EQ(2, file.GetSectionIndex("[ FileInfo ]", 0, false));
    EXPECT_EQ(-1, file.GetSectionIndex("FileInfo", 1, false));
    EXPECT_EQ(1, file.GetSectionIndex("Field", 0, true));
    EXPECT_EQ(3, file.GetSectionIndex("[Field]", 2, true));
    EXPECT_EQ(-1, file.GetSectionIndex(nullptr, 0, false));
    // Two sections of one name: lookups by name find the first.
    EXPECT_STREQ("Name", file.GetSection("Field1")->GetString("FieldName", ""));
    // Sections added or renamed after a lookup are found by their names from then on.
    MpIniSection* pAdded = file.AddSection("Later");
    EXPECT_EQ(file.GetNumSections() - 1, file.GetSectionIndex("LATER", 0, false));
    pAdded->SetName("Renamed");
    EXPECT_EQ(-1, file.GetSectionIndex("Later", 0, false));
    EXPECT_EQ(file.GetNumSections() - 1, file.GetSectionIndex("renamed", 0, false));
}

TEST_F(MpIniFileTest, MissingSectionIsAddedInMemoryOnly) {
    std::string sPath = m_dir.Write("a.dd", kSample);
    MpIniFile file(sPath.c_str(), true, true, kReaderFlags);
    MpIniSection* pSection = file.GetSection("Format=X");
    ASSERT_NE(nullptr, pSection);
    EXPECT_STREQ("[Format=X]", pSection->GetName());
    EXPECT_EQ(0, pSection->GetNumLines());
    EXPECT_EQ(7, pSection->GetInt("RecordLength", 7));
    EXPECT_EQ(5, file.GetNumSections());
    EXPECT_EQ(nullptr, file.GetSection(""));
    EXPECT_EQ(nullptr, file.GetSection(static_cast<const char*>(nullptr)));
    EXPECT_EQ(kSample, TempDir::Read(sPath));
}

TEST_F(MpIniFileTest, ByteOrderMarkHidesTheFirstHeader) {
    std::string sText = "\xEF\xBB\xBF[FileInfo]\r\nRecordLength=10\r\n[Field1]\r\nFieldName=A\r\n";
    MpIniFile file(m_dir.Write("bom.dd", sText).c_str(), true, true, kReaderFlags);
    ASSERT_EQ(1, file.GetNumSections());
    EXPECT_STREQ("[Field1]", file.GetSectionName(0));
    EXPECT_EQ(0, file.GetSection("FileInfo")->GetInt("RecordLength", 0));
}

TEST_F(MpIniFileTest, LazySectionsAreReadOnFirstUse) {
    MpIniFile file(m_dir.Write("a.dd", kSample).c_str(), false, true, kReaderFlags);
    ASSERT_EQ(4, file.GetNumSections());
    EXPECT_STREQ("Name", file.GetSection("[field1]")->GetString("FieldName", ""));
    // The second of two sections named alike reads its own body, not the first one's.
    MpIniSection* pSecond = file.GetSection(3);
    EXPECT_TRUE(pSecond->GetIsLoaded());
    EXPECT_STREQ("Second", pSecond->GetString("FieldName", ""));
    EXPECT_EQ(120, file.GetSection(0)->GetInt("RecordLength", 0));
}

TEST_F(MpIniFileTest, MissingFileWithoutCreateFlagRaises) {
    std::string sPath = m_dir.File("missing.dd");
    try {
        MpIniFile file(sPath.c_str(), true, false, kReaderFlags);
        FAIL() << "no exception";
    } catch (MpFileException& e) {
        EXPECT_EQ("\"" + sPath + "\" does not exist.", e.GetErrorMessage());
        EXPECT_STREQ("MpIniFile", e.GetClassName());
        EXPECT_STREQ("SetName() of MpIniFile\r\nConstructor() of MpIniFile", e.GetCallpath());
    }
}

TEST_F(MpIniFileTest, MissingFileIsCreatedEmptyByAReader) {
    std::string sPath = m_dir.File("missing.dd");
    MpIniFile file(sPath.c_str(), true, true, kReaderFlags);
    EXPECT_EQ(0, file.GetNumSections());
    EXPECT_EQ(0, file.GetSection("FileInfo")->GetInt("RecordLength", 0));
    EXPECT_TRUE(MpIOInterface::Exists(sPath.c_str()));
    EXPECT_EQ("", TempDir::Read(sPath));
}

TEST_F(MpIniFileTest, MissingFileIsCreatedForAWriter) {
    std::string sPath = m_dir.File("new.ini");
    MpIniFile file(sPath.c_str(), true, true, IO_READ | IO_WRITE);
    EXPECT_EQ(0, file.GetNumSections());
    EXPECT_TRUE(MpIOInterface::Exists(sPath.c_str()));
    EXPECT_EQ("", TempDir::Read(sPath));
}

TEST_F(MpIniFileTest, AddSectionRefusesAnExistingName) {
    MpIniFile file;
    file.AddSection("Fields");
    try {
        file.AddSection("[FIELDS]");
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Section already exists.", e.GetErrorMessage());
        EXPECT_STREQ("AddSection(MpIniSection *pSection) of MpIniFile\r\n"
                     "AddSection(char *sSectionName) of MpIniFile",
                     e.GetCallpath());
    }
    EXPECT_EQ(1, file.GetNumSections());
    EXPECT_TRUE(file.GetSection(0)->GetIsLoaded());
}

TEST_F(MpIniFileTest, FileObjectWithoutANameCannotSeekOrLoad) {
    MpIniFile file;
    try {
        file.GetSection(0);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Index 0 out of range; array is from 0 to -1", e.GetErrorMessage());
        EXPECT_STREQ("GetSection(long lIndex) of MpIniFile", e.GetCallpath());
    }
    try {
        file.SeekToNextSection();
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Cannot find section without a file", e.GetErrorMessage());
    }
    file.AddSection("A")->SetIsLoaded(false);
    try {
        file.GetSection(0);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Cannot load section 0 without a file", e.GetErrorMessage());
        EXPECT_STREQ("GetSection(long lIndex) of MpIniFile", e.GetCallpath());
    }
}

// True when another opening of the file can take an exclusive lock on all of it, that is, when
// no reading pass still holds its shared lock.
bool NobodyLocks(const std::string& sPath) {
    MpIO other(sPath.c_str(), IO_READ | IO_WRITE);
    bool bFree = other.TryLock(IO_LOCK_WRITE, 0, 0);
    other.UnLock(IO_LOCK_WRITE, 0, 0);
    return bFree;
}

TEST_F(MpIniFileTest, ReadLockIsGivenUpWhenAPassFails) {
    // The body of [A] is longer than the I/O buffer, so reading [B] later goes back to the disk,
    // where [B] has meanwhile got a lone CR.
    std::string sBody;
    for (int i = 0; i < 1000; ++i) sBody += "Key=123456\n";
    std::string sPath = m_dir.Write("a.ini", "[A]\n" + sBody + "[B]\ny=2\nz=3\n");
    MpIniFile file(sPath.c_str(), false, true, kReaderFlags);
    m_dir.Write("a.ini", "[A]\n" + sBody + "[B]\ny=2\rz=3\n");
    try {
        file.GetSection(1);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Return character not followed by newline; unknown end of line type",
                     e.GetErrorMessage());
        EXPECT_STREQ("ReadLine() of MpInputStreamInterface\r\n"
                     "ReadLine() of MPInputStreamInterface\r\n"
                     "LoadSection() of MpIniFile\r\n"
                     "GetSection(long lIndex) of MpIniFile",
                     e.GetCallpath());
    }
    EXPECT_TRUE(NobodyLocks(sPath));
}

TEST_F(MpIniFileTest, EveryCutOfASampleLoadsOrRaises) {
    const std::string sSample = std::string(kSample) + "Cr=1\rx\n[Last]\nA=\"q\"\n";
    std::string sPath = m_dir.File("cut.ini");
    for (size_t ulLength = 0; ulLength <= sSample.size(); ++ulLength) {
        m_dir.Write("cut.ini", sSample.substr(0, ulLength));
        for (bool bLoadAll : {true, false}) {
            try {
                MpIniFile file(sPath.c_str(), bLoadAll, true, kReaderFlags);
                for (int32_t lIndex = 0; lIndex < file.GetNumSections(); ++lIndex) {
                    file.GetSection(lIndex)->GetInt("RecordLength", 0);
                }
            } catch (MpException& e) {
                EXPECT_STREQ("Return character not followed by newline; unknown end of line type",
                             e.GetErrorMessage())
                    << "cut at " << ulLength;
            }
        }
    }
}

// Each row edits [A] and [B], looked up once before, and reports what lookups find afterwards.
TEST(MpIniNameIndex, LookupsFollowRenamedAndCopiedSectionsAndARefusedSectionStaysTheCallers) {
    static auto index = [](MpIniFile& f, const char* sName) { return std::to_string(f.GetSectionIndex(sName, 0, false)); };
    static MpIniSection* pRefused = nullptr;  // the caller still owns it after the refusal: deleted below
    for (auto row : std::initializer_list<std::pair<std::string (*)(MpIniFile&), const char*>>{
             {[](MpIniFile& f) { f.GetSection(0)->SetName("C"); auto c = index(f, "c"); return c + index(f, "A"); }, "0-1"},
             {[](MpIniFile& f) { f.GetSection(0)->SetName("[b]"); return index(f, "B"); }, "0"},
             {[](MpIniFile& f) { f.GetSection(0)->SetName("C"); f.GetSection("C"); return std::to_string(f.GetNumSections()); }, "2"},
             {[](MpIniFile& f) { f.GetSection(1)->SetName("C"); return std::string(f.AddSection("C")->GetName()); }, "Section already exists."},
             {[](MpIniFile& f) { f.GetSection(1)->Copy(MpIniSection("Z")); auto z = index(f, "Z"); return z + index(f, "B"); }, "1-1"},
             {[](MpIniFile& f) { return std::string(f.AddSection(pRefused = new MpIniSection("a"))->GetName()); }, "Section already exists.[a]"}}) {
        MpIniFile file;
        file.AddSection("A"), file.AddSection("B");
        ASSERT_EQ(index(file, "A"), "0");  // indexed before the change
        std::string outcome;
        try { outcome = row.first(file); } catch (MpException& e) { outcome = e.GetErrorMessage(); }
        EXPECT_EQ(outcome + (pRefused ? pRefused->GetName() : ""), row.second);
        delete std::exchange(pRefused, nullptr);
    }
}

}  // namespace
