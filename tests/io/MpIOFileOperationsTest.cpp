#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "IOTestSupport.h"
#include "MpIO.h"
#include "MpProgress.h"
#include "TempDir.h"

namespace {

// Records what a block copy tells it; answers "go on" until told otherwise.
class RecordingProgress : public MpProgressInterface {
public:
    explicit RecordingProgress(int iStopAfter = -1) : m_iStopAfter(iStopAfter) {}

    void ShowMessage(const char* pText) override { messages.push_back(pText); }
    void SetRange(nativeint llMinimum, nativeint llMaximum) override {
        m_llMaximum = llMaximum;
        range = std::to_string(llMinimum) + ".." + std::to_string(llMaximum);
    }
    void SetPosition(nativeint llPosition) override { positions.push_back(llPosition); }
    nativeint GetMaximum() const override { return m_llMaximum; }
    bool GoOn() override { return ++questions != m_iStopAfter; }

    std::vector<std::string> messages;
    std::string range;
    std::vector<nativeint> positions;
    int questions = 0;

private:
    int m_iStopAfter;
    nativeint m_llMaximum = 0;
};

std::string Pattern(size_t ulCount) {
    std::string bytes(ulCount, '\0');
    for (size_t i = 0; i < ulCount; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return bytes;
}

}  // namespace

TEST(MpIOFileOperations, CreateEmptiesOrReportsTheOpenFailure) {
    TempDir dir;
    std::string existing = dir.Write("a.txt", "contents");
    MpIOInterface::Create(existing.c_str());
    EXPECT_EQ(TempDir::Read(existing), "");
    MpIOInterface::Create(dir.File("new.txt").c_str());
    EXPECT_TRUE(MpIOInterface::Exists(dir.File("new.txt").c_str()));

    std::string bad = dir.File("missing/x.txt");
    Failure failure = FailureOf([&] { MpIOInterface::Create(bad.c_str()); });
    EXPECT_EQ(failure.message, "Error in opening file '" + bad + "'.  No such file or directory.");
    EXPECT_EQ(failure.callpath, "Open of MpIO\r\nCreate() of MpIOInterface");
}

TEST(MpIOFileOperations, DeleteIgnoresMissingFilesAndReportsOnesThatStay) {
    TempDir dir;
    std::string file = dir.Write("a.txt", "x");
    MpIOInterface::Delete(file.c_str());
    EXPECT_FALSE(MpIOInterface::Exists(file.c_str()));
    MpIOInterface::Delete(file.c_str());

    std::string folder = dir.Path().string();
    Failure failure = FailureOf([&] { MpIOInterface::Delete(folder.c_str()); });
    EXPECT_EQ(failure.message, "Error in deleting file '" + folder + "'.  Permission denied.");
    EXPECT_EQ(failure.className, "MpIO");
    EXPECT_EQ(failure.callpath, "Delete() of MpIOInterface");

#ifndef _WIN32  // Windows's permissions are access lists
    std::string kept = dir.Write("kept.txt", "x");
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(InChildProcess([&] { return MessageOf([&] { MpIOInterface::Delete(kept.c_str()); }); }, true),
              "Error in deleting file '" + kept + "'.  Permission denied.");
#endif
}

TEST(MpIOFileOperations, ExistsAndSizeByNameNeverFail) {
    TempDir dir;
    EXPECT_TRUE(MpIOInterface::Exists(dir.Path().string().c_str()));
    EXPECT_FALSE(MpIOInterface::Exists(dir.File("missing").c_str()));
    EXPECT_FALSE(MpIOInterface::Exists(nullptr));
    EXPECT_EQ(MpIOInterface::GetFileSizeByName(dir.File("missing").c_str()), 0);
    EXPECT_EQ(MpIOInterface::GetFileSizeByName(dir.Write("a.txt", "12345").c_str()), 5);
    // The full size, also beyond what 32 bits hold.
    std::string sparse = dir.File("sparse.bin");
    {
        MpIO file(sparse.c_str(), IO_WRITE | IO_CREATE);
        file.WriteTo(5000000000LL, "x", 1);
    }
    EXPECT_EQ(MpIOInterface::GetFileSizeByName(sparse.c_str()), 5000000001LL);
}

TEST(MpIOFileOperations, RenameMovesAndReplaces) {
    TempDir dir;
    std::string from = dir.Write("from.txt", "new");
    std::string to = dir.Write("to.txt", "old and longer");
    MpIOInterface::Rename(to.c_str(), from.c_str());
    EXPECT_FALSE(MpIOInterface::Exists(from.c_str()));
    EXPECT_EQ(TempDir::Read(to), "new");
    std::string missing = dir.File("missing.txt");
    EXPECT_EQ(FailureOf([&] { MpIOInterface::Rename(to.c_str(), missing.c_str()); }).callpath,
              "Open of MpIO\r\nConstructor(char * sFile...) of MpIO\r\nCopy() of MpIOInterface\r\n"
              "Rename() of MpIOInterface");
}

TEST(MpIOFileOperations, CopyLeavesExactlyTheSourceInTheTarget) {
    TempDir dir;
    std::string source = dir.Write("source.txt", Pattern(20000));
    std::string longer = dir.Write("longer.txt", Pattern(50000));
    MpIOInterface::Copy(longer.c_str(), source.c_str(), &MpNullProgress::Shared());
    EXPECT_EQ(TempDir::Read(longer), Pattern(20000));

    std::string created = dir.File("created.txt");
    MpIOInterface::Copy(created.c_str(), source.c_str(), nullptr);
    EXPECT_EQ(TempDir::Read(created), Pattern(20000));

    MpIOInterface::Copy(source.c_str(), source.c_str(), nullptr);  // onto itself
    EXPECT_EQ(TempDir::Read(source), Pattern(20000));

    // Both files are free again afterwards.
    MpIO check(longer.c_str(), IO_READ | IO_WRITE);
    EXPECT_TRUE(check.TryLock(IO_LOCK_WRITE, 0, 0));
}

TEST(MpIOFileOperations, CopyFromAMissingSourceLeavesTheTargetAlone) {
    TempDir dir;
    std::string target = dir.Write("target.txt", "keep");
    std::string missing = dir.File("missing.txt");
    Failure failure = FailureOf([&] { MpIOInterface::Copy(target.c_str(), missing.c_str(), nullptr); });
    EXPECT_EQ(failure.message, "Error in opening file '" + missing + "'.  No such file or directory.");
    EXPECT_EQ(TempDir::Read(target), "keep");
}

TEST(MpIOFileOperations, BlockCopyStepsAndProgress) {
    TempDir dir;
    std::string source = dir.Write("source.bin", Pattern(8192));
    struct Case {
        nativeint llLength;
        std::vector<nativeint> positions;
    } cases[] = {
        {8192, {0, 50000, 100000}},  // a whole block, then an empty one
        {0, {0, 100000}},
        {10000, {0, 50000, 100000}},
    };
    for (const Case& c : cases) {
        MpIO in(source.c_str(), IO_READ);
        MpIO out(dir.File("target.bin").c_str(), IO_READ | IO_WRITE | IO_CREATE | IO_TRUNCATE);
        out.Write("--", 2);
        RecordingProgress progress;
        if (c.llLength > 8192) {
            EXPECT_EQ(MessageOf([&] { MpIOInterface::CopyBlockToFile(in, out, 2, 0, c.llLength, &progress); }),
                      "Unable to perform a required read at offset 8192 of \"" + source + "\"");
            continue;
        }
        MpIOInterface::CopyBlockToFile(in, out, 2, 0, c.llLength, &progress);
        EXPECT_EQ(progress.messages,
                  (std::vector<std::string>{"Copying files...", "\"" + source + "\" --> \"" + out.GetFileName() + "\""}));
        EXPECT_EQ(progress.range, "0..100000");
        EXPECT_EQ(progress.positions, c.positions) << c.llLength;
        out.Close();
        EXPECT_EQ(TempDir::Read(dir.File("target.bin")), "--" + Pattern(static_cast<size_t>(c.llLength)));
    }
}

TEST(MpIOFileOperations, ACancelledBlockCopySaysWhatRemained) {
    TempDir dir;
    MpIO in(dir.Write("source.bin", Pattern(20000)).c_str(), IO_READ);
    MpIO out(dir.File("target.bin").c_str(), IO_READ | IO_WRITE | IO_CREATE);
    RecordingProgress progress(1);
    try {
        MpIOInterface::CopyBlockToFile(in, out, 0, 0, 20000, &progress);
        ADD_FAILURE() << "not cancelled";
    } catch (MpCanceledException& e) {
        EXPECT_STREQ(e.GetErrorMessage(), "Block copy canceled; 11808 bytes remained to be copied");
        EXPECT_STREQ(e.GetClassName(), "MpIOInterface");
        EXPECT_EQ(e.GetLevel(), 3);
        EXPECT_STREQ(e.GetCallpath(), "CopyBlockToFile() of MpIOInterface");
    }
}

TEST(MpIOFileOperations, CopyBlockMovesOverlappingRangesWhole) {
    TempDir dir;
    const size_t ulLength = 3 * 8192 + 100;
    std::string original = Pattern(ulLength + 1);
    std::string path = dir.Write("a.bin", original);
    MpIO file(path.c_str(), IO_READ | IO_WRITE);
    MpIOInterface::CopyBlock(file, 1, 0, static_cast<nativeint>(ulLength));  // forward by one byte
    file.Flush();
    EXPECT_EQ(TempDir::Read(path), original.substr(0, 1) + original.substr(0, ulLength));

    std::string shifted = TempDir::Read(path);
    MpIOInterface::CopyBlock(file, 0, 5, 9000);  // backward by five bytes
    MpIOInterface::CopyBlock(file, 7, 7, 100);   // onto itself: nothing
    file.Close();
    EXPECT_EQ(TempDir::Read(path), shifted.substr(5, 9000) + shifted.substr(9000));
}

TEST(MpIOFileOperations, TemporaryFilesInAGivenOrTheSystemDirectory) {
    TempDir dir;
    MpString sName;
    const char* pName = MpIOInterface::GetTempFileName(sName, dir.Path().string().c_str(), "lw");
    EXPECT_EQ(pName, sName.GetCString());
    EXPECT_EQ(std::string(pName).rfind(dir.File("lw"), 0), 0u) << pName;
    EXPECT_TRUE(MpIOInterface::Exists(pName));

#ifndef _WIN32  // Windows takes the folder from TMP
    const char* pSaved = std::getenv("TMPDIR");
    std::string saved = pSaved != nullptr ? pSaved : "";
    setenv("TMPDIR", dir.Path().string().c_str(), 1);
    MpIOInterface::GetTempFileName(sName, nullptr, nullptr);
    EXPECT_EQ(std::string(sName.GetCString()).rfind(dir.Path().string() + "/", 0), 0u) << sName.GetCString();
    setenv("TMPDIR", dir.File("missing").c_str(), 1);
    Failure failure = FailureOf([&] { MpIOInterface::GetTempFileName(sName, nullptr, "x"); });
    EXPECT_EQ(failure.message, "Could not get temporary path name -- WIN32 : No such file or directory");
    EXPECT_EQ(failure.callpath, "GetTempFileName of MpIOInterface");
    if (pSaved != nullptr) {
        setenv("TMPDIR", saved.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
#endif
    EXPECT_EQ(MessageOf([&] { MpIOInterface::GetTempFileName(sName, dir.File("missing").c_str(), "x"); }),
              "Could not get temporary file name -- WIN32 : " + SystemText("No such file or directory", 267));  // ERROR_DIRECTORY
}

TEST(MpIOFileOperations, LongRepresentationOfNativeint) {
    EXPECT_EQ(MpIOInterface::GetLongRepresentationOfNativeint(-2147483648LL), INT32_MIN);
    EXPECT_EQ(MpIOInterface::GetLongRepresentationOfNativeint(2147483647LL), INT32_MAX);
    Failure failure = FailureOf([] { MpIOInterface::GetLongRepresentationOfNativeint(2147483648LL); });
    EXPECT_EQ(failure.message, "64-bit value 2147483648 is not representable in 32 bits (signed long).");
    EXPECT_EQ(failure.callpath, "GetLongRepresentationOfNativeint(nativeint) of MpIOInterface");
}
