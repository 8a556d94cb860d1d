#include "MpIOProxy.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "IOTestSupport.h"
#include "MpIO.h"
#include "TempDir.h"

TEST(MpIOProxy, TwoProxiesSeeEachOthersWritesBeforeTheyReachTheDisk) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789abcdef");
    MpIO target(path.c_str(), IO_READ | IO_WRITE);
    MpIOProxy writer(target);
    MpIOProxy reader(target);
    writer.Write("ABCDEFGHIJ", 10);
    EXPECT_EQ(TempDir::Read(path), "0123456789abcdef");  // still in the target's buffer
    char bytes[10];
    EXPECT_EQ(reader.Read(bytes, 10, true), 10);
    EXPECT_EQ(std::string(bytes, 10), "ABCDEFGHIJ");
    EXPECT_EQ(writer.Tell64(), 10);
    EXPECT_EQ(reader.Tell64(), 10);
    EXPECT_EQ(target.Tell64(), 0);  // the target's own position is untouched
    target.Close();
    EXPECT_EQ(TempDir::Read(path), "ABCDEFGHIJabcdef");
}

TEST(MpIOProxy, PositionsAreTheProxysOwn) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789");
    MpIO target(path.c_str(), IO_READ | IO_WRITE);
    MpIOProxy proxy(target);
    EXPECT_EQ(proxy.Seek64FromEnd(0), 10);
    char c;
    EXPECT_EQ(proxy.Read(&c, 1, false), 0);
    EXPECT_TRUE(proxy.GetIsEOF());
    EXPECT_EQ(proxy.Seek64FromCurrent(-3), 7);
    proxy.Seek64Absolute(-1);
    Failure failure = FailureOf([&] { proxy.Read(&c, 1, true); });
    EXPECT_EQ(failure.callpath.substr(failure.callpath.rfind("\r\n") + 2), "Read() of MpIOProxy");

    MpIOProxy other(target);
    other.Seek64Absolute(3);
    proxy.Swap(other);
    EXPECT_EQ(proxy.Tell64(), 3);
    EXPECT_EQ(other.Tell64(), -1);
    std::unique_ptr<MpIOInterface> clone(proxy.Clone());
    EXPECT_EQ(clone->Tell64(), 3);
    EXPECT_EQ(clone->Read(&c, 1, true), 1);
    EXPECT_EQ(c, '3');
    MpString sLine;
    EXPECT_EQ(clone->ReadLine(sLine), 6u);
    EXPECT_EQ(sLine, "456789");
}

TEST(MpIOProxy, ForwardsEverythingElseToTheTarget) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789");
    MpIO target(path.c_str(), IO_READ | IO_WRITE);
    MpIOProxy proxy(target);
    EXPECT_STREQ(proxy.GetFileName(), path.c_str());
    EXPECT_EQ(proxy.GetOpenFlags(), IO_READ | IO_WRITE);
    proxy.Truncate64(4);
    EXPECT_EQ(proxy.GetFileSize64(), 6);
    std::unique_ptr<MpIOInterface> other(proxy.CloneForFile(dir.File("b.txt").c_str(), IO_WRITE | IO_CREATE));
    EXPECT_NE(dynamic_cast<MpIO*>(other.get()), nullptr);

    MpIO holder(path.c_str(), IO_READ);
    holder.Lock(IO_LOCK_READ, 0, 0);
    EXPECT_FALSE(proxy.TryLock(IO_LOCK_WRITE, 0, 0));
    EXPECT_EQ(target.GetLockCount(), 1);  // the target's lock list
    Failure failure = FailureOf([&] { proxy.Lock(IO_LOCK_READ, 0, 0); });
    EXPECT_EQ(failure.callpath, "Lock() of MpIOInterfaceWithLocking\r\nLock() of MpIOProxy");
    EXPECT_TRUE(proxy.UnLock(IO_LOCK_WRITE, 0, 0));

    proxy.Seek64Absolute(5);
    proxy.Open(dir.File("b.txt").c_str(), IO_READ);
    EXPECT_EQ(proxy.Tell64(), 0);
    EXPECT_STREQ(target.GetFileName(), dir.File("b.txt").c_str());
    proxy.Close();
    EXPECT_FALSE(target.GetIsOpen());
}
