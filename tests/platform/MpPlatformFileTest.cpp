#include "MpPlatformFile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "MpPlatformError.h"
#include "SkipOnWindows.h"
#include "TempDir.h"

namespace {

// The codes of the failures provoked here, as each system numbers them.
#ifdef _WIN32
constexpr int kNoSuchFile = ERROR_FILE_NOT_FOUND, kInvalid = ERROR_INVALID_PARAMETER, kIsFolder = ERROR_ACCESS_DENIED,
              kBeforeStart = ERROR_NEGATIVE_SEEK;
#else
constexpr int kNoSuchFile = ENOENT, kInvalid = EINVAL, kIsFolder = EISDIR, kBeforeStart = EINVAL;
#endif

// Opens a file and closes it again when the test ends.
class Descriptor {
public:
    Descriptor(const std::string& path, unsigned uFlags) : m_iDescriptor(MpPlatformFileOpen(path.c_str(), uFlags)) {}
    ~Descriptor() {
        if (m_iDescriptor >= 0) MpPlatformFileClose(m_iDescriptor);
    }
    int Get() const { return m_iDescriptor; }

private:
    int m_iDescriptor;
};

struct OpenCase {
    unsigned uFlags;
    bool bFileExists;
    int iExpectedError;           // 0: the open succeeds
    const char* pExpectedContent;  // what the file holds afterwards (when it exists)
};

}  // namespace

TEST(MpPlatformFile, OpenMapsTheFlagsWordOntoTheCreationRule) {
    const OpenCase cases[] = {
        {kMpOpenRead, true, 0, "old"},
        {kMpOpenRead, false, kNoSuchFile, nullptr},
        {kMpOpenRead | kMpOpenCreate | kMpOpenTruncate, true, 0, "old"},  // only with write access
        {kMpOpenWrite, false, kNoSuchFile, nullptr},
        {kMpOpenWrite | kMpOpenCreate, false, 0, ""},
        {kMpOpenWrite | kMpOpenCreate, true, 0, "old"},
        {kMpOpenWrite | kMpOpenTruncate, false, kNoSuchFile, nullptr},
        {kMpOpenWrite | kMpOpenTruncate, true, 0, ""},
        {kMpOpenRead | kMpOpenWrite | kMpOpenCreate | kMpOpenTruncate, true, 0, ""},
        {kMpOpenRead | kMpOpenWrite | kMpOpenCreate | kMpOpenTruncate | 256 | 512, false, 0, ""},
        {0, true, kInvalid, "old"},
        {kMpOpenText, true, kInvalid, "old"},
    };
    for (const OpenCase& c : cases) {
        TempDir dir;
        std::string path = dir.File("f.txt");
        if (c.bFileExists) dir.Write("f.txt", "old");
        MpPlatformSetLastError(0);
        Descriptor file(path, c.uFlags);
        int iError = file.Get() >= 0 ? 0 : MpPlatformLastError();
        EXPECT_EQ(iError, c.iExpectedError) << "flags " << c.uFlags;
        if (c.pExpectedContent != nullptr) {
            EXPECT_EQ(TempDir::Read(path), c.pExpectedContent) << "flags " << c.uFlags;
        } else {
            EXPECT_FALSE(MpPlatformPathExists(path.c_str())) << "flags " << c.uFlags;
        }
    }
}

TEST(MpPlatformFile, OpenRefusesADirectory) {
    TempDir dir;
    MpPlatformSetLastError(0);
    EXPECT_EQ(MpPlatformFileOpen(dir.Path().string().c_str(), kMpOpenRead), -1);
    EXPECT_EQ(MpPlatformLastError(), kIsFolder);
}

// A FIFO opened read-write would count as a writer of itself and never report the end of its
// input; reading one must end when the writer closes.
TEST(MpPlatformFile, AFifoOpenedForReadingSeesTheEndOfItsInput) {
    LATHWELL_SKIP_ON_WINDOWS("a FIFO and fork are Linux's");
#ifndef _WIN32
    TempDir dir;
    const std::string path = dir.File("fifo");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        int iOut = open(path.c_str(), O_WRONLY);
        _exit(iOut >= 0 && write(iOut, "line\n", 5) == 5 ? 0 : 1);
    }
    int iDescriptor = MpPlatformFileOpen(path.c_str(), kMpOpenRead);
    ASSERT_GE(iDescriptor, 0);
    EXPECT_TRUE(MpPlatformFileMayWaitForInput(iDescriptor));
    char buffer[16];
    std::string received;
    int64_t llRead;
    while ((llRead = MpPlatformFileRead(iDescriptor, buffer, sizeof buffer)) > 0) received.append(buffer, llRead);
    EXPECT_EQ(llRead, 0);
    EXPECT_EQ(received, "line\n");
    EXPECT_TRUE(MpPlatformFileClose(iDescriptor));
    int iStatus = 0;
    waitpid(writer, &iStatus, 0);
    EXPECT_EQ(iStatus, 0);
#endif
}

TEST(MpPlatformFile, PositionedTransfersLeaveThePositionAlone) {
    TempDir dir;
    Descriptor file(dir.Write("f.bin", "0123456789"), kMpOpenRead | kMpOpenWrite);
    ASSERT_GE(file.Get(), 0);
    EXPECT_FALSE(MpPlatformFileMayWaitForInput(file.Get()));  // a read of a file answers at once
    ASSERT_EQ(MpPlatformFileSeek(file.Get(), 2, kMpSeekFromStart), 2);
    char buffer[8] = {};
    EXPECT_EQ(MpPlatformFileReadAt(file.Get(), buffer, 8, 6), 4);  // short at the end of file
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(MpPlatformFileWriteAt(file.Get(), "AB", 2, 12), 2);  // beyond the end: a hole of zeros
    EXPECT_EQ(MpPlatformFileSeek(file.Get(), 0, kMpSeekFromCurrent), 2);
    EXPECT_EQ(MpPlatformFileRead(file.Get(), buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "234");
    EXPECT_EQ(MpPlatformFileSize(file.Get()), 14);
    EXPECT_EQ(TempDir::Read(dir.File("f.bin")), std::string("0123456789\0\0AB", 14));
}

TEST(MpPlatformFile, SeekRefusesPositionsBeforeTheStartAndUnknownOrigins) {
    TempDir dir;
    Descriptor file(dir.Write("f.bin", "abc"), kMpOpenRead);
    MpPlatformSetLastError(0);
    EXPECT_EQ(MpPlatformFileSeek(file.Get(), -4, kMpSeekFromEnd), -1);
    EXPECT_EQ(MpPlatformLastError(), kBeforeStart);
    MpPlatformSetLastError(0);
    EXPECT_EQ(MpPlatformFileSeek(file.Get(), 0, 3), -1);
    EXPECT_EQ(MpPlatformLastError(), kInvalid);
}

TEST(MpPlatformFile, ClassifiesFailedOpensAndRemovals) {
    LATHWELL_SKIP_ON_WINDOWS("the codes are Linux's");
#ifndef _WIN32
    const std::pair<int, MpPlatformFileFailure> cases[] = {
        {ENOENT, MpPlatformFileFailure::NoSuchFile},       {ENOTDIR, MpPlatformFileFailure::NoSuchFile},
        {EMFILE, MpPlatformFileFailure::TooManyOpenFiles}, {ENFILE, MpPlatformFileFailure::TooManyOpenFiles},
        {EACCES, MpPlatformFileFailure::PermissionDenied}, {EISDIR, MpPlatformFileFailure::PermissionDenied},
        {EROFS, MpPlatformFileFailure::PermissionDenied},  {EINVAL, MpPlatformFileFailure::InvalidAccess},
        {EIO, MpPlatformFileFailure::Unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(MpPlatformClassifyFileFailure(c.first), c.second) << c.first;
#endif
}

TEST(MpPlatformFile, TemporaryFilesAreCreatedWithUniqueNames) {
    TempDir dir;
    std::string first;
    std::string second;
    ASSERT_TRUE(MpPlatformCreateTempFile(dir.Path().string().c_str(), "lw", first));
    ASSERT_TRUE(MpPlatformCreateTempFile((dir.Path() / "").string().c_str(), "lw", second));
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(dir.File("lw"), 0), 0u) << first;
    EXPECT_EQ(second.rfind(dir.File("lw"), 0), 0u) << second;
    EXPECT_EQ(MpPlatformFileSizeByName(first.c_str()), 0);
    EXPECT_FALSE(MpPlatformCreateTempFile(dir.File("missing").c_str(), "lw", first));
}

TEST(MpPlatformFile, TemporaryDirectoryFollowsTmpdirAndMustExist) {
    LATHWELL_SKIP_ON_WINDOWS("Windows takes it from TMP");
#ifndef _WIN32
    TempDir dir;
    const char* pSaved = std::getenv("TMPDIR");
    std::string saved = pSaved != nullptr ? pSaved : "";
    std::string folder;

    setenv("TMPDIR", dir.Path().string().c_str(), 1);
    EXPECT_TRUE(MpPlatformTempDirectory(folder));
    EXPECT_EQ(folder, dir.Path().string() + "/");

    setenv("TMPDIR", dir.File("missing").c_str(), 1);
    errno = 0;
    EXPECT_FALSE(MpPlatformTempDirectory(folder));
    EXPECT_EQ(errno, ENOENT);

    setenv("TMPDIR", dir.Write("plain", "x").c_str(), 1);
    EXPECT_FALSE(MpPlatformTempDirectory(folder));
    EXPECT_EQ(errno, ENOTDIR);

    if (pSaved != nullptr) {
        setenv("TMPDIR", saved.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
#endif
}

TEST(MpPlatformFile, SameFileComparesIdentityNotNames) {
    TempDir dir;
    std::string first = dir.Write("a.txt", "same");
    std::string other = dir.Write("b.txt", "same");
    std::string link = dir.File("link.txt");
    std::filesystem::create_hard_link(first, link);
    EXPECT_TRUE(MpPlatformSameFile(first.c_str(), link.c_str()));
    EXPECT_TRUE(MpPlatformSameFile(first.c_str(), (dir.Path().string() + "/./a.txt").c_str()));
    EXPECT_FALSE(MpPlatformSameFile(first.c_str(), other.c_str()));
    EXPECT_FALSE(MpPlatformSameFile(first.c_str(), dir.File("missing").c_str()));
}

TEST(MpPlatformFile, NamesExistRemoveAndRename) {
    TempDir dir;
    std::string from = dir.Write("from.txt", "12345");
    std::string to = dir.Write("to.txt", "old");
    EXPECT_TRUE(MpPlatformPathExists(dir.Path().string().c_str()));
    EXPECT_FALSE(MpPlatformPathExists(nullptr));
    ASSERT_TRUE(MpPlatformRenameFile(to.c_str(), from.c_str()));
    EXPECT_FALSE(MpPlatformPathExists(from.c_str()));
    EXPECT_EQ(MpPlatformFileSizeByName(to.c_str()), 5);
    EXPECT_TRUE(MpPlatformRemoveFile(to.c_str()));
    EXPECT_EQ(MpPlatformFileSizeByName(to.c_str()), -1);
    MpPlatformSetLastError(0);
    EXPECT_FALSE(MpPlatformRemoveFile(to.c_str()));
    EXPECT_EQ(MpPlatformLastError(), kNoSuchFile);
    EXPECT_FALSE(MpPlatformRemoveFile(dir.Path().string().c_str()));  // a directory is not a file
}

TEST(MpPlatformFile, ReportsTheLockCapabilities) {
    EXPECT_EQ(MpPlatformOSCapabilities(), 7);
}

// ---------------------------------------------------------------------------------------------
// Byte-range locks. A second, separate open of the file stands for another holder: locks of
// one open file exclude every other open file, in this process or another.
// ---------------------------------------------------------------------------------------------

namespace {

class LockedFile : public ::testing::Test {
protected:
    LockedFile()
        : m_path(m_dir.Write("locked.bin", "data")),
          m_owner(m_path, kMpOpenRead | kMpOpenWrite),
          m_other(m_path, kMpOpenRead | kMpOpenWrite) {}

    // Whether the other open file could take the lock now; it lets go at once.
    bool OtherCanTake(int64_t llOffset, int64_t llLength, bool bExclusive) {
        MpPlatformLockResult result = MpPlatformFileLock(m_other.Get(), llOffset, llLength, bExclusive, false);
        EXPECT_NE(result, MpPlatformLockResult::Failed);
        if (result != MpPlatformLockResult::Taken) return false;
        EXPECT_TRUE(MpPlatformFileUnlock(m_other.Get(), llOffset, llLength, bExclusive));
        return true;
    }
    void OwnerLocks(int64_t llOffset, int64_t llLength, bool bExclusive) {
        ASSERT_EQ(MpPlatformFileLock(m_owner.Get(), llOffset, llLength, bExclusive, true),
                  MpPlatformLockResult::Taken);
    }

    TempDir m_dir;
    std::string m_path;
    Descriptor m_owner;
    Descriptor m_other;
};

}  // namespace

TEST_F(LockedFile, SharedLocksShareAndExclusiveLocksExclude) {
    OwnerLocks(0, 100, false);
    EXPECT_TRUE(OtherCanTake(0, 100, false));
    EXPECT_FALSE(OtherCanTake(99, 1, true));
    EXPECT_TRUE(OtherCanTake(100, 1, true));
    ASSERT_TRUE(MpPlatformFileUnlock(m_owner.Get(), 0, 100, false));
    OwnerLocks(10, 10, true);
    EXPECT_FALSE(OtherCanTake(0, 11, false));
    EXPECT_TRUE(OtherCanTake(0, 10, true));
}

TEST_F(LockedFile, ARangeToTheLastOffsetCoversEverythingFromItsStart) {
    OwnerLocks(50, INT64_MAX, true);
    EXPECT_TRUE(OtherCanTake(0, 50, true));
    EXPECT_FALSE(OtherCanTake(INT64_MAX - 10, 5, false));
}

TEST_F(LockedFile, OverlappingLocksOfOneFileAreReleasedIndependently) {
    LATHWELL_SKIP_ON_WINDOWS("an exclusive lock of one handle may not overlap its other locks there (the library takes one lock per range)");
    OwnerLocks(0, 100, false);
    OwnerLocks(50, 100, true);
    EXPECT_FALSE(OtherCanTake(60, 10, false));  // exclusive over the shared range
    ASSERT_TRUE(MpPlatformFileUnlock(m_owner.Get(), 50, 100, true));
    EXPECT_TRUE(OtherCanTake(60, 10, false));
    EXPECT_FALSE(OtherCanTake(60, 10, true));  // the shared lock still holds its bytes
    EXPECT_TRUE(OtherCanTake(100, 50, true));
}

TEST_F(LockedFile, ASharedLockDoesNotWeakenAnExclusiveOneBeneathIt) {
    OwnerLocks(50, 100, true);
    OwnerLocks(0, 100, false);
    EXPECT_FALSE(OtherCanTake(60, 10, false));
    ASSERT_TRUE(MpPlatformFileUnlock(m_owner.Get(), 0, 100, false));
    EXPECT_FALSE(OtherCanTake(60, 10, false));
    EXPECT_TRUE(OtherCanTake(0, 50, true));
}

TEST_F(LockedFile, ARefusedRequestChangesNothing) {
    ASSERT_EQ(MpPlatformFileLock(m_other.Get(), 80, 10, true, false), MpPlatformLockResult::Taken);
    OwnerLocks(0, 50, false);
    // Raising [0, 50) would succeed, [80, 90) is refused: the shared lock must stay as it was.
    EXPECT_EQ(MpPlatformFileLock(m_owner.Get(), 0, 100, true, false), MpPlatformLockResult::Busy);
    ASSERT_TRUE(MpPlatformFileUnlock(m_other.Get(), 80, 10, true));
    EXPECT_TRUE(OtherCanTake(0, 50, false));
    EXPECT_TRUE(OtherCanTake(50, 50, true));
}

TEST_F(LockedFile, ClosingAnotherDescriptorKeepsTheLocks) {
    OwnerLocks(0, 10, true);
    {
        Descriptor third(m_path, kMpOpenRead);
    }
    EXPECT_FALSE(OtherCanTake(0, 10, false));
}

// A file opened for reading stays read-only (no write permission needed, no write-close seen by
// watchers) until an exclusive lock is asked of it; it then keeps its position and shared locks.
TEST_F(LockedFile, AFileOpenedForReadingTakesExclusiveLocks) {
    LATHWELL_SKIP_ON_WINDOWS("Windows grants exclusive locks on files open for reading");
#ifndef _WIN32
    Descriptor reader(m_path, kMpOpenRead);
    EXPECT_EQ(fcntl(reader.Get(), F_GETFL) & O_ACCMODE, O_RDONLY);
    ASSERT_EQ(MpPlatformFileSeek(reader.Get(), 2, kMpSeekFromStart), 2);
    ASSERT_EQ(MpPlatformFileLock(reader.Get(), 20, 10, false, false), MpPlatformLockResult::Taken);
    EXPECT_EQ(fcntl(reader.Get(), F_GETFL) & O_ACCMODE, O_RDONLY);
    ASSERT_EQ(MpPlatformFileLock(reader.Get(), 0, 10, true, false), MpPlatformLockResult::Taken);
    EXPECT_EQ(fcntl(reader.Get(), F_GETFL) & O_ACCMODE, O_RDWR);
    EXPECT_FALSE(OtherCanTake(0, 10, false));
    EXPECT_FALSE(OtherCanTake(25, 1, true));
    EXPECT_TRUE(OtherCanTake(25, 1, false));
    char rest[8];
    EXPECT_EQ(MpPlatformFileRead(reader.Get(), rest, sizeof rest), 2);
#endif
}

TEST_F(LockedFile, UnlockingWhatIsNotHeldAndInvalidRangesFail) {
    errno = 0;
    EXPECT_FALSE(MpPlatformFileUnlock(m_owner.Get(), 0, 10, false));
#ifndef _WIN32  // Wine and Windows differ in the code
    EXPECT_EQ(errno, EINVAL);
#endif
    EXPECT_EQ(MpPlatformFileLock(m_owner.Get(), -1, 10, false, false), MpPlatformLockResult::Failed);
    EXPECT_EQ(MpPlatformFileLock(m_owner.Get(), 0, 0, false, false), MpPlatformLockResult::Failed);
    OwnerLocks(0, 10, false);
#ifndef _WIN32  // Windows's unlock names the range only
    EXPECT_FALSE(MpPlatformFileUnlock(m_owner.Get(), 0, 10, true));  // another kind
#endif
}
