// Byte-range locks of MpIO on both lock paths: the extended calls (capability 7) and the older
// exclusive-only calls (capability 1).
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <unistd.h>

#include "SkipOnWindows.h"

#include "IOTestSupport.h"
#include "MpIO.h"
#include "MpIOSystem.h"
#include "TempDir.h"

namespace {

constexpr int kExtended = 7;
constexpr int kOlder = 1;

// Sets the capability word for one test and restores it afterwards.
class LockPath : public ::testing::TestWithParam<int> {
protected:
    LockPath() : m_saved(MpIOSystem::OSCapabilities), m_path(m_dir.Write("locked.txt", "0123456789")) {
        MpIOSystem::OSCapabilities = GetParam();
    }
    ~LockPath() override { MpIOSystem::OSCapabilities = m_saved; }

    bool Extended() const { return GetParam() == kExtended; }

    // A child process that opens the file and holds a lock on it.
    std::unique_ptr<LockHolder> HoldInChild(int iType, nativeint llOffset, nativeint llLength) {
        return std::make_unique<LockHolder>(m_path, iType, llOffset, llLength);
    }

    int m_saved;
    TempDir m_dir;
    std::string m_path;
};

std::string PathName(const ::testing::TestParamInfo<int>& info) {
    return info.param == kExtended ? "Extended" : "Older";
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(MpIOLock, LockPath, ::testing::Values(kExtended, kOlder), PathName);

TEST_P(LockPath, TryLockOnARangeAnotherProcessHoldsExclusivelyFailsAtOnce) {
    auto holder = HoldInChild(IO_LOCK_WRITE, 0, 0);
    ASSERT_TRUE(holder->IsReady());
    MpIO reader(m_path.c_str(), IO_READ);
    MpIO writer(m_path.c_str(), IO_READ | IO_WRITE);
    EXPECT_FALSE(reader.TryLock(IO_LOCK_READ, 0, 0));
    EXPECT_FALSE(writer.TryLock(IO_LOCK_WRITE, 0, 0));
    EXPECT_FALSE(writer.TryLock(IO_LOCK_WRITE, 5, 1));
    holder->Release();
    EXPECT_TRUE(reader.TryLock(IO_LOCK_READ, 0, 0));
    EXPECT_FALSE(writer.TryLock(IO_LOCK_WRITE, 5, 1));
    EXPECT_EQ(writer.TryLock(IO_LOCK_READ, 6, 1), Extended());  // the older calls: READ excludes
}

TEST_P(LockPath, ASharedLockIsSharedOnlyOnTheExtendedPath) {
    auto holder = HoldInChild(IO_LOCK_READ, 0, 0);
    ASSERT_TRUE(holder->IsReady());
    MpIO file(m_path.c_str(), IO_READ);
    EXPECT_EQ(file.TryLock(IO_LOCK_READ, 0, 0), Extended());
    EXPECT_FALSE(file.TryLock(IO_LOCK_WRITE, 100, 10));
}

TEST_P(LockPath, LockWaitsUntilTheOtherHolderLetsGo) {
    auto holder = HoldInChild(IO_LOCK_WRITE, 0, 0);
    ASSERT_TRUE(holder->IsReady());
    MpIO file(m_path.c_str(), IO_READ | IO_WRITE);
    std::thread releaser([&] {
        usleep(50000);
        holder->Release();
    });
    file.Lock(IO_LOCK_WRITE, 0, 0);
    releaser.join();
    MpIO other(m_path.c_str(), IO_READ);
    EXPECT_FALSE(other.TryLock(IO_LOCK_READ, 0, 0));
}

TEST_P(LockPath, TwoObjectsOfOneProcessExcludeEachOther) {
    MpIO first(m_path.c_str(), IO_READ);
    MpIO second(m_path.c_str(), IO_READ);
    first.Lock(IO_LOCK_WRITE, 0, 4);
    EXPECT_FALSE(second.TryLock(IO_LOCK_READ, 2, 4));
    EXPECT_TRUE(second.TryLock(IO_LOCK_READ, 4, 4));
    EXPECT_TRUE(first.UnLock(IO_LOCK_WRITE, 0, 4));
    EXPECT_TRUE(second.TryLock(IO_LOCK_WRITE, 0, 2));
}

TEST_P(LockPath, LocksOfOneRangeAreCountedAndReleasedByTheLastUnLock) {
    MpIO file(m_path.c_str(), IO_READ);
    MpIO other(m_path.c_str(), IO_READ);
    file.Lock(IO_LOCK_READ, 0, 0);
    EXPECT_TRUE(file.TryLock(IO_LOCK_READ, 0, 0));
    EXPECT_EQ(file.GetLockCount(), 1);
    EXPECT_FALSE(file.UnLock(IO_LOCK_READ, 0, 0));
    EXPECT_FALSE(other.TryLock(IO_LOCK_WRITE, 0, 0));
    EXPECT_TRUE(file.UnLock(IO_LOCK_WRITE, 0, 0));  // the type is not compared
    EXPECT_EQ(file.GetLockCount(), 0);
    EXPECT_TRUE(other.TryLock(IO_LOCK_WRITE, 0, 0));
}

TEST_P(LockPath, OverlappingRangesOfOneObjectAreDifferentLocks) {
    LATHWELL_SKIP_ON_WINDOWS("an exclusive lock of one handle may not overlap its other locks there: it waits");
    MpIO file(m_path.c_str(), IO_READ);
    MpIO other(m_path.c_str(), IO_READ);
    file.Lock(IO_LOCK_READ, 0, 100);
    file.Lock(IO_LOCK_WRITE, 50, 100);
    EXPECT_EQ(file.GetLockCount(), 2);
    EXPECT_TRUE(file.UnLock(IO_LOCK_WRITE, 50, 100));
    // The first lock still covers its bytes.
    EXPECT_FALSE(other.TryLock(IO_LOCK_WRITE, 60, 10));
    EXPECT_TRUE(other.TryLock(IO_LOCK_WRITE, 100, 10));
}

TEST_P(LockPath, TheSameRangeWithTheOtherTypeIsRefused) {
    MpIO file(m_path.c_str(), IO_READ);
    file.Lock(IO_LOCK_READ, 0, 0);
    Failure failure = FailureOf([&] { file.Lock(IO_LOCK_WRITE, 0, 0); });
    EXPECT_EQ(failure.message,
              "Could not establish a WRITE lock of length 0 at offset 0; READ lock already held! (" + m_path + ")");
    EXPECT_EQ(failure.className, "MpIOInterfaceWithLocking");
    EXPECT_EQ(failure.callpath, "Lock() of MpIOInterfaceWithLocking");
    EXPECT_EQ(MessageOf([&] { file.TryLock(IO_LOCK_WRITE, 0, 0); }),
              "Could not establish a WRITE lock of length 0 at offset 0; READ lock already held! (" + m_path + ")");
}

TEST_P(LockPath, UnlockingARangeNeverLockedSucceedsAndARefusedTryStaysListed) {
    MpIO file(m_path.c_str(), IO_READ);
    EXPECT_TRUE(file.UnLock(IO_LOCK_READ, 3, 3));
    MpIO holder(m_path.c_str(), IO_READ);
    holder.Lock(IO_LOCK_WRITE, 0, 0);
    EXPECT_FALSE(file.TryLock(IO_LOCK_READ, 0, 0));
    EXPECT_EQ(file.GetLockCount(), 1);
    EXPECT_TRUE(file.UnLock(IO_LOCK_READ, 0, 0));
    EXPECT_EQ(file.GetLockCount(), 0);
}

TEST_P(LockPath, CloseReleasesTheLocksAndAClosedObjectHasNoBaseLock) {
    MpIO file(m_path.c_str(), IO_READ | IO_WRITE);
    MpIO other(m_path.c_str(), IO_READ);
    file.Lock(IO_LOCK_WRITE, 0, 0);
    file.Close();
    EXPECT_TRUE(other.TryLock(IO_LOCK_WRITE, 0, 0));
    for (auto call : {+[](MpIO& f) { f.Lock(IO_LOCK_READ, 0, 0); },
                      +[](MpIO& f) { f.TryLock(IO_LOCK_READ, 0, 0); },
                      +[](MpIO& f) { f.UnLock(IO_LOCK_READ, 0, 0); }}) {
        Failure failure = FailureOf([&] { call(file); });
        EXPECT_EQ(failure.message, "Base lock not setup ()");
        EXPECT_EQ(failure.className, "MpIOInterfaceWithLocking");
    }
}

TEST_P(LockPath, DestroyingAnObjectReleasesItsLocks) {
    MpIO other(m_path.c_str(), IO_READ);
    {
        MpIO file(m_path.c_str(), IO_READ);
        file.Lock(IO_LOCK_READ, 0, 0);
        EXPECT_FALSE(other.TryLock(IO_LOCK_WRITE, 0, 0));
    }
    EXPECT_TRUE(other.TryLock(IO_LOCK_WRITE, 0, 0));
}

// A file opened for reading needs reopening for an exclusive lock: a child without /proc or the right asks.
TEST_P(LockPath, AnExclusiveLockThatCannotHaveWriteAccessIsRefusedClearly) {
    LATHWELL_SKIP_ON_WINDOWS("Windows grants exclusive locks on files open for reading");
#ifndef _WIN32
    if (geteuid() != 0) GTEST_SKIP() << "needs root to take /proc or the right to write away";
    MpIO file(m_path.c_str(), IO_READ);
    for (bool bUnprivileged : {false, true}) {
        EXPECT_EQ(InChildProcess([&] {
            std::string answer = !bUnprivileged && chroot(m_dir.Path().string().c_str()) != 0 ? "<no chroot>" : "";
            answer += MessageOf([&] { answer += file.TryLock(IO_LOCK_WRITE, 0, 0) ? "true" : "false"; });
            return answer + "|" + MessageOf([&] { file.Lock(IO_LOCK_WRITE, 0, 0); });
        }, bUnprivileged), "false<no exception>|Could not lock file -- an exclusive lock needs write access, and the file is open for reading only (" + m_path + ")");
    }
#endif
}

TEST(MpIOLock, OrderAndEqualityUseTheRangeAsUnsignedNumbers) {
    MpOSLock low(-1, IO_LOCK_READ, 5, 10);
    MpOSLock sameRangeOtherType(-1, IO_LOCK_WRITE, 5, 10);
    MpOSLock longer(-1, IO_LOCK_READ, 5, 11);
    MpOSLock negative(-1, IO_LOCK_READ, -1, 1);  // the largest offset as an unsigned number
    EXPECT_TRUE(low == sameRangeOtherType);
    EXPECT_FALSE(low < sameRangeOtherType);
    EXPECT_TRUE(low < longer);
    EXPECT_TRUE(longer < negative);
    EXPECT_FALSE(negative < low);
    EXPECT_STREQ(MpIOLock::GetTypeName(IO_LOCK_WRITE), "WRITE");
    EXPECT_STREQ(MpIOLock::GetTypeName(7), "READ");
}

TEST(MpIOLock, AFailingSystemLockNamesTheFileAndThePath) {
    int saved = MpIOSystem::OSCapabilities;
    MpIOSystem::OSCapabilities = kExtended;
    MpOSLock badDescriptor(-1, IO_LOCK_READ, 0, 0);
    Failure failure = FailureOf([&] { badDescriptor.Lock(); });
    EXPECT_EQ(failure.message, "Could not lock file -- " + SystemText("Bad file descriptor", 6));  // ERROR_INVALID_HANDLE
    EXPECT_EQ(failure.className, "MpIO");
    EXPECT_EQ(failure.callpath, "TrueLock() of MpOSLock\r\nLock() of MpIOLock");
    MpIOSystem::OSCapabilities = kOlder;
    failure = FailureOf([&] { badDescriptor.TryLock(); });
    EXPECT_EQ(failure.message, "Could not lock file -- " + SystemText("Bad file descriptor", 6));  // ERROR_INVALID_HANDLE
    EXPECT_EQ(failure.className, "MpOSLock");
    EXPECT_EQ(failure.callpath, "OldTryLock() of MpOSLock\r\nTrueTryLock() of MpOSLock\r\nTryLock() of MpIOLock");
    MpIOSystem::OSCapabilities = saved;
}

TEST(MpIOSystem, SetOSCapabilitiesChoosesTheExtendedCalls) {
    int saved = MpIOSystem::OSCapabilities;
    MpIOSystem::OSCapabilities = 0;
    MpIOSystem::SetOSCapabilities();
    EXPECT_EQ(MpIOSystem::OSCapabilities, 7);
    EXPECT_TRUE(MpIOSystem::HasExtendedLocks());
    MpIOSystem::OSCapabilities = saved;
}
