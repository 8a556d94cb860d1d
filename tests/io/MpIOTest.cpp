#include "MpIO.h"

#include <memory>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "IOTestSupport.h"
#include "MpIODescriptor.h"
#include "MpIOProxy.h"
#include "Mpiounbuffered.h"
#include "SkipOnWindows.h"
#include "TempDir.h"

namespace {

constexpr unsigned kOutput = IO_READ | IO_WRITE | IO_CREATE | IO_TRUNCATE;  // 27

std::string OpenFailure(const std::string& path) {
    return "Error in opening file '" + path + "'.  ";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening and closing
// ---------------------------------------------------------------------------------------------

TEST(MpIO, FailedOpensNameTheirReason) {
    TempDir dir;
    std::string missing = dir.File("missing.txt");
    std::string inMissingFolder = dir.File("no/such/dir.txt");
    struct Case {
        std::string path;
        unsigned uFlags;
        std::string message;
    } cases[] = {
        {missing, IO_READ, OpenFailure(missing) + "No such file or directory."},
        {missing, IO_WRITE | IO_TRUNCATE, OpenFailure(missing) + "No such file or directory."},
        {inMissingFolder, 26, OpenFailure(inMissingFolder) + "No such file or directory."},
        {dir.Path().string(), IO_READ, OpenFailure(dir.Path().string()) + "Permission denied."},
        {dir.Write("plain.txt", "x"), 0, "Invalid file flags"},
        {dir.File("plain.txt"), IO_TEXT, "Invalid file flags"},
    };
    for (const Case& c : cases) {
        MpIO file;
        Failure failure = FailureOf([&] { file.Open(c.path.c_str(), c.uFlags); });
        EXPECT_EQ(failure.message, c.message) << c.path << " " << c.uFlags;
        EXPECT_EQ(failure.className, "MpIO");
        EXPECT_EQ(failure.callpath, "Open of MpIO");
        EXPECT_FALSE(file.GetIsOpen());
        EXPECT_STREQ(file.GetFileName(), "");
    }
    EXPECT_EQ(MessageOf([] { MpIO().Open(nullptr, IO_READ); }), "Null pointer to filename");
}

TEST(MpIO, FailedOpenIsAnOpenFailureThroughTheConstructor) {
    TempDir dir;
    std::string missing = dir.File("missing.txt");
    try {
        MpIO file(missing.c_str(), IO_READ);
        ADD_FAILURE() << "opened a missing file";
    } catch (MpFileOpenFailedException& e) {
        EXPECT_EQ(std::string(e.GetErrorMessage()), OpenFailure(missing) + "No such file or directory.");
        EXPECT_STREQ(e.GetCallpath(), "Open of MpIO\r\nConstructor(char * sFile...) of MpIO");
    }
}

TEST(MpIO, RefusedAccessAndExhaustedDescriptorsAreReported) {
    LATHWELL_SKIP_ON_WINDOWS("Windows's permissions are access lists; its handles have no limit to set");
#ifndef _WIN32
    TempDir dir;
    std::string secret = dir.Write("secret.txt", "x");
    ASSERT_EQ(chmod(dir.Path().string().c_str(), 0755), 0);
    ASSERT_EQ(chmod(secret.c_str(), 0), 0);
    std::string denied = InChildProcess([&] { return MessageOf([&] { MpIO file(secret.c_str(), IO_READ); }); },
                                        true);
    EXPECT_EQ(denied, OpenFailure(secret) + "Permission denied.");

#ifndef __SANITIZE_ADDRESS__
    // Not under the sanitizers: their runtime opens descriptors of its own to check memory
    // and reports false errors when none is left.
    std::string plain = dir.Write("plain.txt", "x");
    std::string exhausted = InChildProcess([&] {
        rlimit limit{3, 3};  // only the standard streams
        setrlimit(RLIMIT_NOFILE, &limit);
        return MessageOf([&] { MpIO file(plain.c_str(), IO_READ); });
    });
    EXPECT_EQ(exhausted, OpenFailure(plain) + "Too many open files.");
#endif
#endif
}

TEST(MpIO, InvalidOpenKeepsTheCurrentFileOpen) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "abc");
    MpIO file(path.c_str(), IO_READ);
    EXPECT_EQ(MessageOf([&] { file.Open(path.c_str(), IO_CREATE); }), "Invalid file flags");
    EXPECT_EQ(MessageOf([&] { file.Open(nullptr, IO_READ); }), "Null pointer to filename");
    EXPECT_STREQ(file.GetFileName(), path.c_str());
    EXPECT_EQ(file.GetOpenFlags(), IO_READ);
    char c = 0;
    EXPECT_EQ(file.Read(&c, 1, true), 1);
    EXPECT_EQ(c, 'a');
}

TEST(MpIO, OpenWithOutputFlagsEmptiesAndKeepsTheLockBitsInTheFlags) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "old contents");
    MpIO file(path.c_str(), kOutput | IO_LOCK_READ | IO_LOCK_WRITE);
    EXPECT_EQ(file.GetOpenFlags(), 27u + 256 + 512);
    EXPECT_EQ(file.GetFileSize64(), 0);
    // Reopening by the object's own name works although Close empties that name.
    file.Open(file.GetFileName(), IO_READ);
    EXPECT_STREQ(file.GetFileName(), path.c_str());
}

TEST(MpIO, AppendStartsAtTheEnd) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "abc");
    {
        MpIO file(path.c_str(), IO_READ | IO_WRITE | IO_APPEND);
        EXPECT_EQ(file.Tell64(), 3);
        file.Write("de", 2);
    }
    EXPECT_EQ(TempDir::Read(path), "abcde");
}

TEST(MpIO, CloseEmptiesTheNameAndOperationsOnAClosedObjectDoNotPretend) {
    TempDir dir;
    MpIO file(dir.Write("a.txt", "abc").c_str(), kOutput);
    file.Close();
    file.Close();
    EXPECT_FALSE(file.GetIsOpen());
    EXPECT_STREQ(file.GetFileName(), "");
    EXPECT_EQ(file.GetOpenFlags(), kOutput);
    char c;
    EXPECT_EQ(file.Read(&c, 1, false), 0);
    EXPECT_EQ(MessageOf([&] { file.Write("x", 1); }), "Unable to write 1 bytes at offset 0 of file \"\"");
}

// ---------------------------------------------------------------------------------------------
// The buffer
// ---------------------------------------------------------------------------------------------

TEST(MpIO, AFullBufferIsStoredAtOnceAPartialOneOnlyWhenAsked) {
    TempDir dir;
    std::string block(8000, 'x');
    MpIO full(dir.File("full.bin").c_str(), kOutput);
    full.Write(block.data(), 8000);
    EXPECT_EQ(full.GetFileSize64(), 8000);

    MpIO partial(dir.File("partial.bin").c_str(), kOutput);
    partial.Write(block.data(), 7999);
    EXPECT_EQ(partial.GetFileSize64(), 0);
    partial.Flush();
    EXPECT_EQ(partial.GetFileSize64(), 7999);
    EXPECT_EQ(partial.Tell64(), 7999);

    MpIO moved(dir.File("moved.bin").c_str(), kOutput);
    moved.Write(block.data(), 10);
    moved.Seek64Absolute(20000);  // out of the window
    EXPECT_EQ(moved.GetFileSize64(), 10);
}

TEST(MpIO, ReadingAfterAFullBufferWasStoredContinuesWithTheFile) {
    TempDir dir;
    std::string path = dir.Write("a.txt", std::string(8000, 'a') + "next line\nlast");
    MpIO file(path.c_str(), IO_READ | IO_WRITE);
    std::string block(8000, 'x');
    file.Write(block.data(), 8000);
    EXPECT_EQ(file.Tell64(), 8000);
    MpString sLine;
    EXPECT_EQ(file.ReadLine(sLine), 10u);
    EXPECT_EQ(sLine, "next line");
    file.Write(block.data(), 8000);  // over the end of the file
    file.Seek64Absolute(8010);
    char bytes[4];
    EXPECT_EQ(file.Read(bytes, 4, true), 4);
    EXPECT_EQ(std::string(bytes, 4), "xxxx");
    file.Close();
    EXPECT_EQ(TempDir::Read(path), block + "next line\n" + block);
}

TEST(MpIO, WriteThroughStoresWhatIsBufferedFirstAndReadsOnAfterIt) {
    TempDir dir;
    std::string path = dir.Write("a.txt", std::string(30, '.') + "tail\n");
    MpIO file(path.c_str(), IO_READ | IO_WRITE);
    file.Write("ab", 2);
    file.WriteThrough("0123456789", 10);
    EXPECT_EQ(file.Tell64(), 12);
    // Stored at once, the buffered bytes before it.
    EXPECT_EQ(TempDir::Read(path), "ab0123456789" + std::string(18, '.') + "tail\n");
    file.Write("cd", 2);
    file.Seek64Absolute(30);
    MpString sLine;
    EXPECT_EQ(file.ReadLine(sLine), 5u);
    EXPECT_EQ(sLine, "tail");
    file.Close();
    EXPECT_EQ(TempDir::Read(path), "ab0123456789cd" + std::string(16, '.') + "tail\n");
}

TEST(MpIO, SetBufferSizeClampsAndKeepsDataAndPosition) {
    TempDir dir;
    std::string path = dir.File("a.bin");
    MpIO file(path.c_str(), kOutput);
    file.SetBufferSize(100);
    EXPECT_EQ(file.GetBufferSize(), 8000u);
    file.Write("0123456789", 10);
    file.SetBufferSize(2000000);
    EXPECT_EQ(file.GetBufferSize(), 1024000u);
    EXPECT_EQ(file.Tell64(), 10);
    file.Write("abc", 3);
    file.Seek64Absolute(5);
    file.SetBufferSize(9000);
    EXPECT_EQ(file.GetBufferSize(), 9000u);
    char bytes[8] = {};
    EXPECT_EQ(file.Read(bytes, 8, true), 8);
    EXPECT_EQ(std::string(bytes, 8), "56789abc");
    file.Close();
    EXPECT_EQ(TempDir::Read(path), "0123456789abc");
}

// Reads, writes and seeks against a plain string: MpIOInterfaceContractTest.cpp.

TEST(MpIO, PositionedAccessSeesUnwrittenDataAndKeepsThePosition) {
    TempDir dir;
    std::string path = dir.Write("a.bin", "01234567");
    MpIO file(path.c_str(), IO_READ | IO_WRITE);
    file.Seek64Absolute(2);
    file.Write("ab", 2);
    char bytes[8] = {};
    EXPECT_EQ(file.ReadFrom(0, bytes, 6, true), 6);
    EXPECT_EQ(std::string(bytes, 6), "01ab45");
    file.WriteTo(6, "XYZ", 3);  // across the end of the window and the file
    EXPECT_EQ(file.Tell64(), 4);
    EXPECT_EQ(file.ReadFrom(5, bytes, 4, true), 4);
    EXPECT_EQ(std::string(bytes, 4), "5XYZ");
    Failure failure = FailureOf([&] { file.ReadFrom(5, bytes, 10, true); });
    // The part beyond the window is read from the file, and its shortfall is reported.
    EXPECT_EQ(failure.message, "Unable to read 7 bytes from position 8 of file \"" + path + "\"; file length is 9");
    EXPECT_EQ(failure.callpath, "PositionedRead() of MpIO\r\nReadFrom() of MpIO");
    file.Close();
    EXPECT_EQ(TempDir::Read(path), "01ab45XYZ");
}

TEST(MpIO, ReadAndWritePermissionsFollowTheFlags) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "abc");
    char bytes[4];
    MpIO writeOnly(path.c_str(), 26);
    EXPECT_EQ(writeOnly.Read(bytes, 0, true), 0);
    Failure failure = FailureOf([&] { writeOnly.Read(bytes, 1, false); });
    EXPECT_EQ(failure.message, "Attempt to read from a write-only file");
    EXPECT_EQ(failure.callpath, "Read of MpIO");

    MpIO readOnly(path.c_str(), IO_READ);
    failure = FailureOf([&] { readOnly.Write("x", 1); });
    EXPECT_EQ(failure.message, "Attempt to write to a read-only file");
    EXPECT_EQ(failure.callpath, "Write() of MpIO");
    EXPECT_EQ(MessageOf([&] { readOnly.WriteTo(0, "x", 1); }), "Attempt to write to a read-only file");
}

TEST(MpIO, RequiredReadAtTheEndFailsAfterDeliveringWhatThereIs) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "abc");
    MpIO file(path.c_str(), IO_READ);
    char bytes[5] = {};
    EXPECT_EQ(MessageOf([&] { file.Read(bytes, 5, true); }),
              "Unable to perform a required read at offset 3 of \"" + path + "\"");
    EXPECT_EQ(std::string(bytes, 3), "abc");
    EXPECT_EQ(file.Read(bytes, 5, false), 0);
}

// ---------------------------------------------------------------------------------------------
// Positions and truncation
// ---------------------------------------------------------------------------------------------

TEST(MpIO, SeeksAndTheirFailures) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789");
    MpIO file(path.c_str(), IO_READ);
    file.Seek64Absolute(4);
    EXPECT_EQ(file.Seek64FromCurrent(-file.Tell64()), 0);
    file.Seek64Absolute(10);
    Failure failure = FailureOf([&] { file.Seek64FromCurrent(-11); });
    EXPECT_EQ(failure.message, "Cannot seek -11 bytes from current position, 10.");
    EXPECT_EQ(failure.className, "MpIOInterface");
    EXPECT_EQ(failure.callpath, "Seek64FromCurrent(nativeint) of MpIO");

    EXPECT_EQ(file.Seek64FromEnd(-2), 8);
    char bytes[2];
    EXPECT_EQ(file.Read(bytes, 2, true), 2);
    EXPECT_EQ(std::string(bytes, 2), "89");

    failure = FailureOf([&] { file.Seek64Absolute(-1); });
    EXPECT_EQ(failure.message, "Unable to position file pointer of \"" + path + "\" to byte -1" + SystemText("Invalid argument", 131));  // ERROR_NEGATIVE_SEEK
    EXPECT_EQ(failure.callpath, "SysFileSeek(nativeint,int) of MpIO\r\nSeek64Absolute(nativeint) of MpIO");

    failure = FailureOf([&] { file.Seek(0, 3); });
    EXPECT_EQ(failure.message, "Invalid value for 'iWhence': 3");
    EXPECT_EQ(failure.callpath, "Seek(long,int) of MpIOInterface");
    EXPECT_EQ(file.Seek(-3, 2), 7);
    EXPECT_EQ(file.Seek(1, 1), 8);
    EXPECT_EQ(file.Seek(2, 0), 2);
    EXPECT_EQ(file.Tell(), 2);
}

TEST(MpIO, ThirtyTwoBitFormsRefuseLargeValues) {
    TempDir dir;
    std::string path = dir.File("sparse.bin");
    MpIO file(path.c_str(), kOutput);
    const nativeint llLarge = 3000000000LL;
    file.WriteTo(llLarge, "x", 1);
    Failure failure = FailureOf([&] { file.GetFileSize(); });
    EXPECT_EQ(failure.message, "File size, 3000000001, is not representable in 32 bits (signed long).");
    EXPECT_EQ(failure.callpath, "GetFileSize() of MpIOInterface");
    EXPECT_EQ(MessageOf([&] { file.Seek(0, 2); }),
              "The resulting position (3000000001) is not representable in a long int (32 bits, signed).  "
              "Use \"Seek64\"().");
    failure = FailureOf([&] { file.Tell(); });
    EXPECT_EQ(failure.message,
              "The file position is not representable in a long int (32 bits, signed).  Use \"Tell64()\".");
    EXPECT_EQ(failure.className, "MpIO");
}

TEST(MpIO, TruncateCutsFromTheEndAndReturnsToTheStart) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789");
    MpIO file(path.c_str(), IO_READ | IO_WRITE);
    file.Seek64Absolute(8);
    file.Truncate64(3);
    EXPECT_EQ(file.Tell64(), 0);
    EXPECT_EQ(file.GetFileSize64(), 7);
    file.Seek64Absolute(7);
    file.Write("ab", 2);  // unwritten data counts towards the size being cut
    file.Truncate64(4);
    EXPECT_EQ(TempDir::Read(path), "01234");
    file.Truncate64(5);  // the whole size also empties the file
    EXPECT_EQ(file.GetFileSize64(), 0);
    file.Write("xyz", 3);
    file.Truncate(0);
    EXPECT_EQ(file.GetFileSize64(), 0);
    EXPECT_EQ(file.Tell64(), 0);

    file.Write("abcde", 5);
    Failure failure = FailureOf([&] { file.Truncate64(6); });
    EXPECT_EQ(failure.message, "Attempt to truncate 6 bytes from a file which is 5 bytes long");
    EXPECT_EQ(failure.callpath, "Truncate64(nativeint) of MpIO");
    EXPECT_EQ(MessageOf([&] { file.Truncate64(-1); }), "Cannot truncate -1 bytes from file, " + path + ".");
    MpIO readOnly(path.c_str(), IO_READ);
    EXPECT_EQ(MessageOf([&] { readOnly.Truncate64(0); }),
              "Attempt to truncate file \"" + path + "\" without write permission.");
}

TEST(MpIO, EndOfFileCountsUnwrittenData) {
    TempDir dir;
    MpIO file(dir.File("a.txt").c_str(), kOutput);
    EXPECT_TRUE(file.GetIsEOF());
    file.Write("abc", 3);
    file.Seek64Absolute(0);
    EXPECT_FALSE(file.GetIsEOF());
    file.Seek64Absolute(3);
    EXPECT_TRUE(file.GetIsEOF());
}

// ---------------------------------------------------------------------------------------------
// Files that cannot seek
// ---------------------------------------------------------------------------------------------

// A FIFO is read and written in order, a buffer-full at a time. The test keeps one raw end of
// the FIFO open so that its contents outlive the other end; they fit the pipe's capacity.
TEST(MpIO, AFifoIsReadAndWrittenInOrder) {
    LATHWELL_SKIP_ON_WINDOWS("a FIFO is Linux's");
#ifndef _WIN32
    TempDir dir;
    const std::string path = dir.File("fifo");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const std::string text = std::string(20000, 'x') + "\nend\n";
    int iReadEnd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(iReadEnd, 0);

    auto writer = std::make_unique<MpIO>(path.c_str(), kOutput);
    writer->Write(text.data(), static_cast<int32_t>(text.size()));
    writer->Close();
    std::string written(text.size() + 1, '\0');
    EXPECT_EQ(read(iReadEnd, written.data(), written.size()), static_cast<ssize_t>(text.size()));
    EXPECT_EQ(written.substr(0, text.size()), text);

    int iWriteEnd = open(path.c_str(), O_WRONLY);
    ASSERT_EQ(write(iWriteEnd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    MpIO reader(path.c_str(), IO_READ);
    close(iWriteEnd);
    std::string received(text.size() + 1, '\0');
    EXPECT_EQ(reader.Read(received.data(), static_cast<int32_t>(received.size()), false),
              static_cast<int32_t>(text.size()));
    EXPECT_EQ(received.substr(0, text.size()), text);
    close(iReadEnd);
#endif
}

// Each row works on a FIFO in a child (blocked: fails after 10 s): what it read or its failure, then what
// the test's end (peer; "@" is the FIFO) received. That end is open first: reading, or fed 20,000 bytes.
TEST(MpIO, FilesThatCannotSeekAreReadAndWrittenInOrderThroughEveryClass) {
    LATHWELL_SKIP_ON_WINDOWS("a FIFO and fork are Linux's");
#ifndef _WIN32
    static auto take = [](MpInputStreamInterface& in, int32_t c) { std::string s(c, 0); s.resize(in.Read(s.data(), c, false)); return s; };
    MpIODescriptor::IgnoreBrokenPipes();
    for (auto row : std::initializer_list<std::tuple<bool, std::string (*)(const char*, int&), const char*>>{
             {false, [](const char* p, int&) { MpIO w(p, IO_WRITE); w.Write("A", 1); w.SetBufferSize(16000); w.Write("B", 1); return std::string(); }, "|AB"},
             {false, [](const char* p, int&) { MpIO w(p, IO_READ | IO_WRITE);  // failures caught; Flush never reads
                  w.Write("A", 1); MessageOf([&] { w.Seek64FromEnd(0); }); w.Write("A", 1); MessageOf([&] { w.Truncate64(0); });
                  w.Write("A", 1); MessageOf([&] { w.Seek64Absolute(9); }); w.Flush();
                  return std::string(); }, "|AAA"},
             {false, [](const char* p, int& peer) { MpIO w(p, IO_WRITE); close(peer); w.Write("A", 1); w.Flush(); return std::string(); }, "Unable to write 1 bytes at offset 0 of file \"@\" -- Broken pipe|"},
             {false, [](const char* p, int& peer) { MpIOUnbuffered w(p, IO_WRITE); close(peer); w.Write("A", 1); return std::string(); }, "Could not write 1 bytes to \"@\" -- Broken pipe|"},
             {false, [](const char* p, int&) { MpIO w(p, IO_WRITE); MpIOProxy x(w); x.Write("AB", 2); x.Seek64Absolute(5); x.Write("C", 1); return std::string(); },
              "Unable to write 1 bytes at position 5 of file \"@\"Illegal seek|AB"},
             {true, [](const char* p, int& peer) { MpIO r(p, IO_READ); close(peer); MpIOProxy x(r); return take(x, 40000); }, nullptr},
             {true, [](const char* p, int& peer) {  // shrinking refused while 19,900 bytes wait, done with 4,900
                  MpIO r(p, IO_READ); close(peer); r.SetBufferSize(30000); std::string bytes = take(r, 100);
                  MessageOf([&] { r.SetBufferSize(8000); }); bytes += take(r, 15000); r.SetBufferSize(8000);
                  return bytes + take(r, 40000); }, nullptr},
             {true, [](const char* p, int&) { MpIO b(p, IO_READ | IO_WRITE); take(b, 2); b.Write("x", 1); return std::string(); },
              "Unable to write 1 bytes at offset 2 of file \"@\" -- Illegal seek|"}}) {  // input waits: no write
        TempDir dir;
        const std::string path = dir.File("fifo"), input(20000, 'i');
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        std::string outcome = InChildProcess([&] {
            alarm(10);
            int peer = open(path.c_str(), std::get<0>(row) ? O_RDWR : O_RDONLY | O_NONBLOCK);
            std::string result = std::get<0>(row) && write(peer, input.data(), input.size()) != 20000 ? "<unfed>" : "";
            std::string failure = MessageOf([&] { result += std::get<1>(row)(path.c_str(), peer); });
            result = (failure == "<no exception>" ? result : failure) + "|";
            char block[4096];
            for (ssize_t n; !std::get<0>(row) && (n = read(peer, block, sizeof block)) > 0;) result.append(block, n);
            return result;
        });
        std::string expected = std::get<2>(row) == nullptr ? input + "|" : std::get<2>(row);
        for (size_t at; (at = expected.find('@')) != std::string::npos;) expected.replace(at, 1, path);
        EXPECT_TRUE(outcome == expected) << outcome.substr(0, 200) << "\nexpected " << expected.substr(0, 200);
    }
#endif
}

// ---------------------------------------------------------------------------------------------
// Store failures
// ---------------------------------------------------------------------------------------------

TEST(MpIO, AFailedStoreIsReportedAndTheDestructorStaysQuiet) {
    if (!MpIOInterface::Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    auto file = std::make_unique<MpIO>("/dev/full", IO_READ | IO_WRITE);
    file->Write("0123456789", 10);
    Failure failure = FailureOf([&] { file->Close(); });
    EXPECT_EQ(failure.message, "Unable to write 8000 bytes at offset 0 of file \"/dev/full\" -- No space left on device");
    EXPECT_EQ(failure.callpath, "Close() of MpIO");
    EXPECT_TRUE(file->GetIsOpen());  // closing again or destroying is still possible
    EXPECT_NO_THROW(file.reset());

    MpIO writer("/dev/full", IO_READ | IO_WRITE);
    std::string block(8000, 'x');
    EXPECT_EQ(MessageOf([&] { writer.Write(block.data(), 8000); }),
              "Unable to write 8000 bytes at offset 0 of file \"/dev/full\" -- No space left on device");
    MpIO through("/dev/full", IO_READ | IO_WRITE);
    EXPECT_EQ(MessageOf([&] { through.WriteThrough(block.data(), 10); }),
              "Unable to write 10 bytes at offset 0 of file \"/dev/full\" -- No space left on device");
}

// ---------------------------------------------------------------------------------------------
// Copies
// ---------------------------------------------------------------------------------------------

TEST(MpIO, CopyIsASecondOpeningThatDoesNotEmptyTheFile) {
    TempDir dir;
    std::string path = dir.Write("a.txt", "0123456789");
    MpIO first(path.c_str(), kOutput);  // empties the file
    first.SetBufferSize(20000);
    first.Write("abcdef", 6);
    first.Flush();
    first.Write("gh", 2);  // not yet stored
    MpIO second(first);
    EXPECT_EQ(second.Tell64(), 8);
    EXPECT_EQ(second.GetBufferSize(), 20000u);
    EXPECT_STREQ(second.GetFileName(), path.c_str());
    EXPECT_EQ(second.GetFileSize64(), 6);
    second.Seek64Absolute(0);
    char bytes[8] = {};
    EXPECT_EQ(second.Read(bytes, 8, false), 6);
    EXPECT_EQ(std::string(bytes, 6), "abcdef");

    std::unique_ptr<MpIOInterface> clone(first.Clone());
    EXPECT_NE(dynamic_cast<MpIO*>(clone.get()), nullptr);
    EXPECT_EQ(clone->Tell64(), 8);
    std::unique_ptr<MpIOInterface> other(first.CloneForFile(dir.File("b.txt").c_str(), kOutput));
    EXPECT_EQ(other->GetOpenFlags(), kOutput);
    EXPECT_TRUE(MpIOInterface::Exists(dir.File("b.txt").c_str()));

    MpIO closed;
    MpIO copyOfClosed(closed);
    EXPECT_FALSE(copyOfClosed.GetIsOpen());
    MpString sName;
    first.GetStreamName(sName);
    EXPECT_EQ(sName, path.c_str());
}
