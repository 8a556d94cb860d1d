#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <stdlib.h>

#include "MpIO.h"
#include "MpIOSystem.h"
#include "MpIniFile.h"
#include "TempDir.h"

namespace {

const uint32_t kEditFlags = IO_READ | IO_WRITE;

TEST(MpIniSectionEditing, SetStringReplacesAddsAndRemoves) {
    MpIniSection section("S");
    section.AddComment("about A");
    section.AddLine("A", "1");
    section.AddComment("about B");
    section.AddLine("B", "2");
    section.AddComment("end");

    section.SetString("a", "one");
    section.SetString("C", "");
    section.SetString(nullptr, "x");
    section.SetString("B", nullptr);
    EXPECT_STREQ("one", section.GetString("A", ""));
    EXPECT_EQ(2, section.GetNumLines());

    // Removing B keeps its comment, now in front of the trailing one.
    section.SetString("B", "");
    ASSERT_EQ(1, section.GetNumLines());
    EXPECT_EQ(-1, section.FindKey("B"));
    ASSERT_EQ(2u, section.GetCommentBlock(1).size());
    EXPECT_STREQ("about B", section.GetCommentBlock(1)[0].GetCString());
    EXPECT_STREQ("end", section.GetCommentBlock(1)[1].GetCString());

    section.SetInt("Zero", 0);
    section.SetBool("On", true);
    section.SetBool("Off", false);
    EXPECT_STREQ("0", section.GetString("Zero", "x"));
    EXPECT_TRUE(section.GetBool("On", false));
    EXPECT_STREQ("false", section.GetString("Off", ""));
    EXPECT_FALSE(section.GetBool("Off", true));
}

TEST(MpIniSectionEditing, BinaryStringsAreUpperCaseHexadecimal) {
    MpIniSection section("S");
    const unsigned char bytes[] = {0x01, 0xAB};
    section.SetBinaryString("Key", bytes, 2);
    EXPECT_STREQ("01AB", section.GetString("Key", ""));

    unsigned char buffer[4] = {9, 9, 9, 9};
    section.GetBinaryString("Key", buffer, 3, ' ');
    EXPECT_EQ(0x01, buffer[0]);
    EXPECT_EQ(0xAB, buffer[1]);
    EXPECT_EQ(0, buffer[2]);
    EXPECT_EQ(9, buffer[3]);

    section.GetBinaryString("Missing", buffer, 4, ' ');
    EXPECT_EQ(0, std::memcmp("   \0", buffer, 4));

    section.SetString("Odd", "ABC");
    section.GetBinaryString("Odd", buffer, 2, ' ');
    EXPECT_EQ(0xAB, buffer[0]);
    EXPECT_EQ(0, buffer[1]);

    section.SetBinaryString("Key", bytes, 0);
    EXPECT_EQ(-1, section.FindKey("Key"));
}

// Keys and values that the file could not read back are refused wherever they enter.
TEST(MpIniSectionEditing, KeysAndValuesTheFileCannotCarryAreRefused) {
    const std::string kBadKey = "\": a key must not be empty, hold \"=\" or a line end, or begin with \";\" or \"[\"";
    const struct {
        const char* sKey;
        const char* sValue;
        std::string sMessage;
    } cases[] = {
        {"Key", "a\r\nb", "Invalid value for key \"Key\": a value must not hold a line end"},
        {"Key", "a\n", "Invalid value for key \"Key\": a value must not hold a line end"},
        {"Key", "\r", "Invalid value for key \"Key\": a value must not hold a line end"},
        {"", "v", "Invalid key \"" + kBadKey},
        {"  ", "v", "Invalid key \"" + kBadKey},
        {";Key", "v", "Invalid key \";Key" + kBadKey},
        {" [Key", "v", "Invalid key \"[Key" + kBadKey},
        {"K\nK", "v", "Invalid key \"K\nK" + kBadKey},
        {"K=K", "v", "Invalid key \"K=K" + kBadKey},
    };
    for (const auto& c : cases) {
        MpIniSection section("S");
        const std::string sLine = std::string(c.sKey) + "=" + c.sValue;
        const bool bKeyHasEquals = std::strchr(c.sKey, '=') != nullptr;  // the line would split there
        const bool bValueIsBad = std::strpbrk(c.sValue, "\r\n") != nullptr;
        std::vector<std::function<void()>> entries = {[&] { section.SetString(c.sKey, c.sValue); },
                                                      [&] { section.AddLine(c.sKey, c.sValue); }};
        if (!bKeyHasEquals) entries.push_back([&] { section.AddLine(sLine.c_str()); });
        if (!bValueIsBad) entries.push_back([&] { section.SetInt(c.sKey, 7); });
        if (!bValueIsBad) entries.push_back([&] { section.SetBool(c.sKey, true); });
        for (const auto& enter : entries) {
            try {
                enter();
                ADD_FAILURE() << "no exception for key \"" << c.sKey << "\"";
            } catch (MpException& e) {
                EXPECT_EQ(c.sMessage, e.GetErrorMessage());
            }
            EXPECT_EQ(0, section.GetNumLines()) << c.sKey;
        }
    }
}

TEST(MpIniSectionEditing, BadBinaryStringsRaise) {
    struct Case {
        const char* sValue;
        uint16_t usSize;
        const char* sMessage;
    };
    const Case cases[] = {
        {"01AB", 2, "sReturn string not big enough"},
        {"01AB", 0, "sReturn string not big enough"},
        {"01ab", 3, "Invalid binary string"},
        {"0G", 2, "Invalid binary string"},
    };
    for (const Case& c : cases) {
        MpIniSection section("S");
        section.SetString("Key", c.sValue);
        unsigned char buffer[4];
        try {
            section.GetBinaryString("Key", buffer, c.usSize, ' ');
            ADD_FAILURE() << "no exception for " << c.sValue << " into " << c.usSize;
        } catch (MpException& e) {
            EXPECT_STREQ(c.sMessage, e.GetErrorMessage()) << c.sValue;
            EXPECT_STREQ("GetBinaryString() of MpIniSection", e.GetCallpath());
        }
    }
}

// Writing goes through a temporary file; TMPDIR points at a folder of the test's own so that
// the test can see what is left there.
class MpIniWriteTest : public ::testing::Test {
protected:
    // The variable that names the temporary directory (Windows reads TMP first).
#ifdef _WIN32
    static constexpr const char* kTmpDir = "TMP";
    static void SetTmpDir(const std::string& value) { _putenv_s(kTmpDir, value.c_str()); }
#else
    static constexpr const char* kTmpDir = "TMPDIR";
    static void SetTmpDir(const std::string& value) {
        if (value.empty()) {
            unsetenv(kTmpDir);
        } else {
            setenv(kTmpDir, value.c_str(), 1);
        }
    }
#endif
    void SetUp() override {
        MpIOSystem::SetOSCapabilities();
        const char* sOld = getenv(kTmpDir);
        m_bHadTmpDir = sOld != nullptr;
        if (m_bHadTmpDir) m_sOldTmpDir = sOld;
        std::filesystem::create_directory(m_dir.File("tmp"));
        SetTmpDir(m_dir.File("tmp"));
    }
    void TearDown() override { SetTmpDir(m_bHadTmpDir ? m_sOldTmpDir : ""); }
    std::vector<std::string> TemporaryFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.File("tmp"))) {
            names.push_back(entry.path().string());
        }
        return names;
    }

    TempDir m_dir;
    bool m_bHadTmpDir = false;
    std::string m_sOldTmpDir;
};

const char kOriginal[] =
    "; heading, before any section\r\n"
    "[Info]\r\n"
    "; length\r\n"
    "Length=10\r\n"
    "Name=\" padded \"\r\n"
    "[Untouched]\r\n"
    "Key = \"\"\"\"\r\n"
    ";only a comment\r\n"
    "[Empty]\r\n"
    "; nothing but this\r\n";

const char kRewritten[] =
    "[Info]\r\n"
    "; length\r\n"
    "Length=12\r\n"
    "Name=\" padded \"\r\n"
    "Blob=00FF\r\n"
    "Tab=\"\tx\"\r\n"
    "\r\n"
    "[Untouched]\r\n"
    "Key=\"\"\"\"\r\n"
    ";only a comment\r\n"
    "\r\n";

TEST_F(MpIniWriteTest, WriteKeepsSectionsNeverReadAndQuotesWhatTheReaderWouldTrim) {
    std::string sPath = m_dir.Write("a.ini", kOriginal);
    MpIniFile file(sPath.c_str(), false, true, kEditFlags);
    MpIniSection* pInfo = file.GetSection("Info");
    pInfo->SetInt("Length", 12);
    const unsigned char blob[] = {0x00, 0xFF};
    pInfo->SetBinaryString("Blob", blob, 2);
    pInfo->SetString("Tab", "\tx");
    file.Write(true, kEditFlags);

    EXPECT_EQ(kRewritten, TempDir::Read(sPath));
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_FALSE(pInfo->GetIsModified());

    MpIniFile reread(sPath.c_str(), true, false, kEditFlags);
    EXPECT_STREQ(" padded ", reread.GetSection("Info")->GetString("Name", ""));
    EXPECT_STREQ("\tx", reread.GetSection("Info")->GetString("Tab", ""));
    EXPECT_STREQ("\"\"", reread.GetSection("Untouched")->GetString("Key", ""));
}

TEST_F(MpIniWriteTest, WriteOfAReaderOfAMissingFileCreatesIt) {
    std::string sPath = m_dir.File("new.ini");
    MpIniFile file(sPath.c_str(), true, true, 769);
    file.GetSection("S")->SetString("K", "v");
    file.Write(true, 769);
    EXPECT_EQ("[S]\r\nK=v\r\n\r\n", TempDir::Read(sPath));
}

TEST_F(MpIniWriteTest, FailureBeforeTheCopyLeavesTheFileAsItWas) {
    std::string sPath = m_dir.Write("a.ini", kOriginal);
    MpIniFile file(sPath.c_str(), false, true, kEditFlags);
    file.AddSection(new MpIniSection())->AddLine("K", "v");
    try {
        file.Write(false, kEditFlags);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Cannot write a section which does not have a name.", e.GetErrorMessage());
        EXPECT_STREQ("Write() of MpIniSection\r\nWrite() of MpIniFile", e.GetCallpath());
    }
    EXPECT_EQ(kOriginal, TempDir::Read(sPath));
    EXPECT_TRUE(TemporaryFiles().empty());
    // Sections not read before still come from the INI file, not from the temporary one.
    EXPECT_EQ(1, file.GetSection(1)->GetNumLines());
}

// An INI file whose copy step fails, the way a full disk or a refused destination would.
class FailingCopyIniFile : public MpIniFile {
public:
    using MpIniFile::MpIniFile;

protected:
    void CopyOver(const char*, const char*) override { MpException::Raise("disk full", "Test"); }
};

TEST_F(MpIniWriteTest, FailedCopyKeepsTheNewTextAndSaysWhere) {
    std::string sPath = m_dir.Write("a.ini", kOriginal);
    FailingCopyIniFile file(sPath.c_str(), true, true, kEditFlags);
    file.GetSection("Info")->SetInt("Length", 12);
    file.GetSection("Info")->SetBinaryString("Blob", "\x00\xFF", 2);
    file.GetSection("Info")->SetString("Tab", "\tx");
    try {
        file.Write(true, kEditFlags);
        FAIL() << "no exception";
    } catch (MpException& e) {
        std::vector<std::string> temporaries = TemporaryFiles();
        ASSERT_EQ(1u, temporaries.size());
        EXPECT_EQ("disk full The complete new text is kept in \"" + temporaries[0] + "\".",
                  e.GetErrorMessage());
        EXPECT_STREQ("Write() of MpIniFile", e.GetCallpath());
        EXPECT_EQ(kRewritten, TempDir::Read(temporaries[0]));
    }
    EXPECT_EQ(kOriginal, TempDir::Read(sPath));
}

// Text of random bytes from an alphabet that holds everything the reader treats specially
// inside a value: blanks, tabs, quotes, "=", ";" and "[".
std::string RandomText(std::mt19937& random, const std::string& alphabet, int iMaxLength) {
    std::uniform_int_distribution<int> length(1, iMaxLength);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string sText;
    for (int i = length(random); i > 0; --i) sText += alphabet[pick(random)];
    return sText;
}

TEST_F(MpIniWriteTest, RandomContentReadsBackEqual) {
    const std::string kNameLetters = "abcXYZ019_-. ";
    const std::string kValueBytes = "ab Z9 \t\"=;[]#";
    std::mt19937 random(20240611);
    std::string sPath = m_dir.File("random.ini");
    for (int iRound = 0; iRound < 40; ++iRound) {
        MpIniFile file(sPath.c_str(), true, true, kEditFlags);
        for (int iSection = 0; iSection < 4; ++iSection) {
            // Section names and keys begin with a letter of their own, so none repeats.
            std::string sName = std::string(1, char('a' + iSection)) + RandomText(random, kNameLetters, 6);
            MpIniSection* pSection = file.AddSection(sName.c_str());
            for (int iKey = 0; iKey < 5; ++iKey) {
                pSection->AddComment(RandomText(random, kValueBytes, 8).append("c").c_str());
                std::string sKey = std::string(1, char('a' + iKey)) + RandomText(random, kNameLetters, 5) + "k";
                pSection->SetString(sKey.c_str(), RandomText(random, kValueBytes, 10).c_str());
            }
        }
        file.Write(true, kEditFlags);

        MpIniFile reread(sPath.c_str(), true, false, kEditFlags);
        ASSERT_EQ(file.GetNumSections(), reread.GetNumSections()) << "round " << iRound;
        for (int32_t lSection = 0; lSection < file.GetNumSections(); ++lSection) {
            MpIniSection* pWritten = file.GetSection(lSection);
            MpIniSection* pRead = reread.GetSection(lSection);
            EXPECT_STREQ(pWritten->GetName(), pRead->GetName());
            ASSERT_EQ(pWritten->GetNumLines(), pRead->GetNumLines()) << pWritten->GetName();
            for (int32_t lLine = 0; lLine < pWritten->GetNumLines(); ++lLine) {
                EXPECT_STREQ(pWritten->GetLine(lLine)->GetKey(), pRead->GetLine(lLine)->GetKey());
                EXPECT_STREQ(pWritten->GetLine(lLine)->GetValue(), pRead->GetLine(lLine)->GetValue())
                    << "round " << iRound << " key " << pWritten->GetLine(lLine)->GetKey();
                EXPECT_STREQ(pWritten->GetCommentBlock(lLine)[0].GetCString(),
                             pRead->GetCommentBlock(lLine)[0].GetCString());
            }
        }
        std::filesystem::remove(sPath);
    }
}

}  // namespace
