#include "Mpiounbuffered.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "IOTestSupport.h"
#include "MpIO.h"
#include "TempDir.h"

// The positions and transfers every implementation shares: MpIOInterfaceContractTest.cpp.
TEST(MpIOUnbuffered, ReadsAndWritesGoStraightToTheFile) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789");
    MpIOUnbuffered file(path.c_str(), IO_READ | IO_WRITE);
    file.Seek64Absolute(4);
    file.Write("ab", 2);
    EXPECT_EQ(TempDir::Read(path), "0123ab6789");  // no buffer, nothing to flush
}

TEST(MpIOUnbuffered, FailuresAndTheirMessages) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "abc");
    MpIOUnbuffered reader(path.c_str(), IO_READ);
    Failure failure = FailureOf([&] { reader.Write("x", 1); });
    EXPECT_EQ(failure.message, "Could not write 1 bytes to \"" + path + "\"");
    EXPECT_EQ(failure.className, "MpIOUnbuffered");
    EXPECT_EQ(failure.callpath, "Write() of MpIOUnbuffered");
    EXPECT_EQ(TempDir::Read(path), "abc");
    EXPECT_EQ(MessageOf([&] { reader.WriteTo(0, "x", 1); }),
              "Could not write 1 bytes to 0 in file \"" + path + "\"" + SystemText("Bad file descriptor", 5));  // ERROR_ACCESS_DENIED
    EXPECT_EQ(MessageOf([&] { reader.WriteTo(-1, "x", 1); }), "Cannot write to a negative offset, -1");

    char bytes[4];
    failure = FailureOf([&] { reader.Read(bytes, 4, true); });
    EXPECT_EQ(failure.message, "Unable to read 4 bytes from \"" + path + "\"");
    EXPECT_EQ(failure.callpath, "Read of MpIOUnbuffered");
    failure = FailureOf([&] { reader.ReadFrom(1, bytes, 4, true); });
    EXPECT_EQ(failure.message, "Unable to read 4 bytes from position 1 of file \"" + path + "\"; file length is 3");
    EXPECT_EQ(failure.className, "MpIOUnbuffered");
    failure = FailureOf([&] { reader.Seek64Absolute(-1); });
    EXPECT_EQ(failure.message, "Unable to position file pointer of \"" + path + "\" to byte -1" + SystemText("Invalid argument", 131));  // ERROR_NEGATIVE_SEEK
    EXPECT_EQ(failure.callpath, "SysFileSeek(nativeint,int) of MpIOUnbuffered\r\nSeek64Absolute() of MpIOUnbuffered");
    EXPECT_EQ(MessageOf([&] { reader.Truncate64(0); }),
              "Attempt to truncate file \"" + path + "\" without write permission.");

    MpIOUnbuffered writer(path.c_str(), IO_WRITE);
    EXPECT_EQ(MessageOf([&] { writer.Read(bytes, 1, false); }), "Attempt to read from a write-only file");
    EXPECT_EQ(FailureOf([] { MpIOUnbuffered().Open(nullptr, IO_READ); }).className, "MpIOUnbuffered");
}

TEST(MpIOUnbuffered, CloseKeepsTheNameAndAClosedObjectHasNoEnd) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "abc");
    MpIOUnbuffered file(path.c_str(), IO_READ);
    file.Close();
    EXPECT_FALSE(file.GetIsOpen());
    EXPECT_STREQ(file.GetFileName(), path.c_str());
    EXPECT_EQ(MessageOf([&] { file.GetIsEOF(); }), "Cannot check for EOF on unopened file.");
    std::string missing = dir.File("missing.txt");
    Failure failure = FailureOf([&] { MpIOUnbuffered other(missing.c_str(), IO_READ); });
    EXPECT_EQ(failure.message, "Error in opening file '" + missing + "'.  No such file or directory.");
    EXPECT_EQ(failure.callpath, "Open of MpIOUnbuffered\r\nConstructor(char * sFile...) of MpIOUnbuffered");
}

TEST(MpIOUnbuffered, TruncateEmptiesAndReturnsToTheStart) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789");
    MpIOUnbuffered file(path.c_str(), IO_READ | IO_WRITE);
    file.Seek64Absolute(7);
    file.Truncate64(4);
    EXPECT_EQ(TempDir::Read(path), "012345");
    EXPECT_EQ(file.Tell64(), 0);
    file.Seek64Absolute(3);
    file.Truncate64(0);
    EXPECT_EQ(file.GetFileSize64(), 0);
    EXPECT_EQ(file.Tell64(), 0);
    EXPECT_EQ(MessageOf([&] { file.Truncate64(1); }), "Attempt to truncate 1 bytes from a file which is 0 bytes long");
}

TEST(MpIOUnbuffered, CopiesOpenTheSameFileAtTheSamePosition) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789");
    MpIOUnbuffered file(path.c_str(), IO_READ | IO_WRITE | IO_CREATE | IO_TRUNCATE | IO_APPEND);
    EXPECT_EQ(file.GetFileSize64(), 0);
    file.Write("abcdef", 6);
    file.Seek64Absolute(2);
    MpIOUnbuffered copy(file);
    EXPECT_EQ(copy.Tell64(), 2);
    EXPECT_EQ(copy.GetFileSize64(), 6);  // not emptied again
    std::unique_ptr<MpIOInterface> clone(file.Clone());
    EXPECT_NE(dynamic_cast<MpIOUnbuffered*>(clone.get()), nullptr);
    char c;
    EXPECT_EQ(clone->Read(&c, 1, true), 1);
    EXPECT_EQ(c, 'c');
    EXPECT_EQ(file.Tell64(), 2);  // each opening has its own position
}

TEST(MpIOUnbuffered, LocksExcludeOtherObjects) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "abc");
    MpIOUnbuffered file(path.c_str(), IO_READ);
    MpIO other(path.c_str(), IO_READ);
    file.Lock(IO_LOCK_WRITE, 0, 0);
    EXPECT_FALSE(other.TryLock(IO_LOCK_READ, 0, 0));
    EXPECT_TRUE(file.UnLock(IO_LOCK_WRITE, 0, 0));
    EXPECT_TRUE(other.TryLock(IO_LOCK_READ, 0, 0));
}
