// Exceptions, their call paths, messages and subclasses.
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "MpException.h"
#include "MpPlatformError.h"

namespace {

std::string SystemText(int iCode) {
    char text[kMpPlatformErrorTextSize];
    EXPECT_TRUE(MpPlatformErrorText(iCode, text, sizeof text));
    return text;
}

}  // namespace

TEST(MpException, FreshExceptionHasEmptyFields) {
    MpException e;
    EXPECT_STREQ("", e.GetErrorMessage());
    EXPECT_STREQ("", e.GetClassName());
    EXPECT_STREQ("", e.GetCallpath());
    EXPECT_EQ(0, e.GetLevel());
}

TEST(MpException, ConstructorsSetMessageAndClassName) {
    MpException a("boom");
    EXPECT_STREQ("boom", a.GetErrorMessage());
    EXPECT_STREQ("", a.GetClassName());

    MpException b("boom", "MpThing");
    EXPECT_STREQ("boom", b.GetErrorMessage());
    EXPECT_STREQ("MpThing", b.GetClassName());

    MpException c(nullptr, nullptr);
    EXPECT_STREQ("", c.GetErrorMessage());
    EXPECT_STREQ("", c.GetClassName());

    MpException d("%d of %s", "MpThing", 3, 7, "eight");
    EXPECT_STREQ("7 of eight", d.GetErrorMessage());
    EXPECT_STREQ("MpThing", d.GetClassName());
    EXPECT_EQ(3, d.GetLevel());
}

TEST(MpException, ConvertsStandardException) {
    std::runtime_error standard("disk on fire");
    MpException e(standard, "Open()", "MpIO");
    EXPECT_STREQ("disk on fire", e.GetErrorMessage());
    EXPECT_STREQ("MpIO", e.GetClassName());
    EXPECT_STREQ("Open() of MpIO", e.GetCallpath());
}

TEST(MpException, CallpathEntriesAreJoinedByCrLfInnermostFirst) {
    MpException e("m");
    e.AddCallpath("Resize()", "MpResizableChunk");
    EXPECT_STREQ("Resize() of MpResizableChunk", e.GetCallpath());
    e.AddCallpath("ResizeStringBuffer()", "MpString");
    EXPECT_STREQ("Resize() of MpResizableChunk\r\nResizeStringBuffer() of MpString", e.GetCallpath());
}

TEST(MpException, CallpathEntryForms) {
    MpException noClass;
    noClass.AddCallpath("Find()", nullptr);
    EXPECT_STREQ("Find()", noClass.GetCallpath());

    MpException onlyClass;
    onlyClass.AddCallpath(nullptr, "MpString");
    EXPECT_STREQ(" of MpString", onlyClass.GetCallpath());

    MpException detail;
    detail.AddCallpath("Open()", "MpIO", "data.txt");
    EXPECT_STREQ("Open() of MpIO (data.txt)", detail.GetCallpath());

    MpException nothing;
    nothing.AddCallpath(nullptr, nullptr, nullptr);
    EXPECT_STREQ("", nothing.GetCallpath());
}

TEST(MpException, RethrowKeepsEveryEntry) {
    auto inner = [] {
        try {
            MpException::Raise("failed", "MpInner");
        } catch (MpException& e) {
            e.AddCallpath("Inner()", "MpInner");
            throw;
        }
    };
    auto middle = [&] {
        try {
            inner();
        } catch (MpException& e) {
            e.AddCallpath("Middle()", "MpMiddle");
            throw;
        }
    };
    try {
        try {
            middle();
        } catch (MpException& e) {
            e.AddCallpath("Outer()", "MpOuter");
            throw;
        }
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("failed", e.GetErrorMessage());
        EXPECT_STREQ("MpInner", e.GetClassName());
        EXPECT_STREQ("Inner() of MpInner\r\nMiddle() of MpMiddle\r\nOuter() of MpOuter", e.GetCallpath());
    }
}

TEST(MpException, SetErrorMessageReallocatesOnlyWhenLonger) {
    MpException e("0123456789");
    const char* pBefore = e.GetErrorMessage();
    e.SetErrorMessage("%s", "short");
    EXPECT_STREQ("short", e.GetErrorMessage());
    EXPECT_EQ(pBefore, e.GetErrorMessage()) << "a shorter text reuses the buffer";

    e.SetErrorMessage("%s and %d more", "a much longer text", 42);
    EXPECT_STREQ("a much longer text and 42 more", e.GetErrorMessage());

    e.SetErrorMessage(nullptr);
    EXPECT_STREQ("", e.GetErrorMessage());
}

// The message itself as the format, on purpose: builds that make -Wformat-security an error
// (Debian's) would refuse it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
TEST(MpException, SetErrorMessageWithOwnBufferAsFormatEmptiesIt) {
    MpException e("text");
    e.SetErrorMessage(e.GetErrorMessage());
    EXPECT_STREQ("", e.GetErrorMessage());
}
#pragma GCC diagnostic pop

TEST(MpException, SetErrorMessageMayQuoteTheOldMessage) {
    // The lock code extends a caught message this way.
    MpException e("Could not lock file -- ");
    e.SetErrorMessage("%s (%s)", e.GetErrorMessage(), "data.txt");
    EXPECT_STREQ("Could not lock file --  (data.txt)", e.GetErrorMessage());

    // A same-length-or-shorter result built from the old text must not read a half-written buffer.
    MpException f("abcdef");
    f.SetErrorMessage("%.3s", f.GetErrorMessage() + 2);
    EXPECT_STREQ("cde", f.GetErrorMessage());
}

TEST(MpException, RaiseWithSystemErrorAppendsTheSystemText) {
    MpPlatformSetLastError(ENOENT);
    try {
        MpException::RaiseWithSystemError("Could not get full path name -- ", false, "MpFileName");
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_EQ("Could not get full path name -- " + SystemText(ENOENT), e.GetErrorMessage());
        EXPECT_STREQ("MpFileName", e.GetClassName());
        EXPECT_STREQ("", e.GetCallpath());
    }
}

TEST(MpException, RaiseWithSystemErrorCanPrepend) {
    MpPlatformSetLastError(EACCES);
    try {
        MpException::RaiseWithSystemError(" -- while opening", true, "MpIO");
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_EQ(SystemText(EACCES) + " -- while opening", e.GetErrorMessage());
    }
}

TEST(MpException, RaiseFormattedWithSystemError) {
    MpPlatformSetLastError(EBADF);
    try {
        MpException::RaiseFormattedWithSystemError("Could not lock %d bytes -- ", false, "MpOSLock", 10);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_EQ("Could not lock 10 bytes -- " + SystemText(EBADF), e.GetErrorMessage());
        EXPECT_STREQ("MpOSLock", e.GetClassName());
    }
}

TEST(MpException, AddSystemErrorTextUsesTheCurrentLastError) {
    MpException e("left ");
    MpPlatformSetLastError(ENOSPC);
    e.AddSystemErrorText(false);
    EXPECT_EQ("left " + SystemText(ENOSPC), e.GetErrorMessage());
}

TEST(MpException, RaiseFormattedFillsPlaceholdersInOrder) {
    try {
        MpException::RaiseFormatted("Index %d out of range; array is from %d to %d", "MpVector", 3, 0, 2);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Index 3 out of range; array is from 0 to 2", e.GetErrorMessage());
        EXPECT_STREQ("MpVector", e.GetClassName());
        EXPECT_EQ(0, e.GetLevel());
    }
}

TEST(MpException, CopyCarriesAllFourFields) {
    MpException e("%s", "MpThing", 3, "msg");
    e.AddCallpath("A()", "MpThing");
    MpException copy(e);
    EXPECT_STREQ("msg", copy.GetErrorMessage());
    EXPECT_STREQ("MpThing", copy.GetClassName());
    EXPECT_STREQ("A() of MpThing", copy.GetCallpath());
    EXPECT_EQ(3, copy.GetLevel());
    EXPECT_NE(e.GetErrorMessage(), copy.GetErrorMessage()) << "copies own separate strings";

    MpException assigned;
    assigned = e;
    EXPECT_STREQ("A() of MpThing", assigned.GetCallpath());
}

TEST(MpException, SettersReplaceAndSelfPointersEmpty) {
    MpException e;
    e.SetMessage("m");
    e.SetClassName("C");
    e.SetCallpath("P");
    e.SetLevel(7);
    EXPECT_STREQ("m", e.GetErrorMessage());
    EXPECT_STREQ("C", e.GetClassName());
    EXPECT_STREQ("P", e.GetCallpath());
    EXPECT_EQ(7, e.GetLevel());
    e.SetClassName(e.GetClassName());
    e.SetCallpath(e.GetCallpath());
    EXPECT_STREQ("", e.GetClassName());
    EXPECT_STREQ("", e.GetCallpath());
    e.SetMessage(nullptr);
    EXPECT_STREQ("", e.GetErrorMessage());
}

TEST(MpMemoryException, CaughtAsBadAllocAndAsMpException) {
    try {
        throw MpMemoryException("Out of memory - tried to allocate 5 bytes.");
    } catch (std::bad_alloc& e) {
        EXPECT_STREQ("Out of memory - tried to allocate 5 bytes.", e.what());
    }
    try {
        throw MpMemoryException("Out of memory - tried to allocate 5 bytes.");
    } catch (MpException& e) {
        EXPECT_STREQ("Out of memory - tried to allocate 5 bytes.", e.GetErrorMessage());
        EXPECT_STREQ("", e.GetClassName());
        EXPECT_EQ(0, e.GetLevel());
        // Rethrown after adding an entry it is still a bad_alloc.
        try {
            e.AddCallpath("Resize()", "MpResizableChunk");
            throw;
        } catch (std::bad_alloc&) {
            SUCCEED();
        }
    }
}

TEST(MpFileException, RaiseCarriesFileName) {
    try {
        MpFileException::Raise("\"x.ini\" does not exist.", "MpIniFile", "x.ini");
        FAIL() << "no exception";
    } catch (MpFileException& e) {
        EXPECT_STREQ("\"x.ini\" does not exist.", e.GetErrorMessage());
        EXPECT_STREQ("MpIniFile", e.GetClassName());
        EXPECT_STREQ("x.ini", e.GetFileName());
    }
    try {
        MpFileException::RaiseFormatted("\"%s\" does not exist.", "MpIniFile", nullptr, "y.ini");
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("\"y.ini\" does not exist.", e.GetErrorMessage());
        auto* pFile = dynamic_cast<MpFileException*>(&e);
        ASSERT_NE(nullptr, pFile);
        EXPECT_STREQ("", pFile->GetFileName());
    }
}

TEST(MpLRECLException, HoldsOneExceptionPartAndTheRecordLength) {
    try {
        MpLRECLException::Raise("bad record", "MpTXDFile", "f.txd", 80);
        FAIL() << "no exception";
    } catch (MpFileException& e) {
        EXPECT_STREQ("bad record", e.GetErrorMessage());
        EXPECT_STREQ("f.txd", e.GetFileName());
        auto* pLrecl = dynamic_cast<MpLRECLException*>(&e);
        ASSERT_NE(nullptr, pLrecl);
        EXPECT_EQ(80, pLrecl->GetRecordLength());
        // One MpException part, reached along both paths.
        MpException& viaFile = static_cast<MpFileException&>(*pLrecl);
        MpException& direct = *pLrecl;
        EXPECT_EQ(&viaFile, &direct);
    }
}

TEST(MpExceptionLevels, SubclassesCarryTheirLevels) {
    EXPECT_EQ(3, MpNotImplementedError("x").GetLevel());
    EXPECT_EQ(3, MpCanceledException("x").GetLevel());
    EXPECT_EQ(3, MpIOCanceledException("x").GetLevel());
    EXPECT_EQ(3, MpIOStreamingException("x").GetLevel());
    EXPECT_EQ(0, MpFileOpenFailedException("x").GetLevel());
    EXPECT_EQ(0, MpStringTokenizerException("x", "MpStringTokenizer").GetLevel());
    EXPECT_EQ(0, MpFileException("x").GetLevel());
    EXPECT_EQ(0, MpMemoryException("x").GetLevel());
}

TEST(MpExceptionSubclasses, RaisingOperations) {
    try {
        MpNotImplementedError::Raise("%s is not implemented", "MpEngine", "Sort");
    } catch (MpNotImplementedError& e) {
        EXPECT_STREQ("Sort is not implemented", e.GetErrorMessage());
        EXPECT_STREQ("MpEngine", e.GetClassName());
        EXPECT_EQ(3, e.GetLevel());
    }
    try {
        MpIOCanceledException::Raise("Block copy canceled; %d bytes remained to be copied", "MpIOInterface", 100);
    } catch (MpCanceledException& e) {  // one handler catches every cancellation
        EXPECT_STREQ("Block copy canceled; 100 bytes remained to be copied", e.GetErrorMessage());
        EXPECT_STREQ("MpIOInterface", e.GetClassName());
        EXPECT_EQ(3, e.GetLevel());
        EXPECT_NE(nullptr, dynamic_cast<MpIOCanceledException*>(&e));
    }
    try {
        MpIOStreamingException::Raise("Invalid header found", "MpInputStreamInterface", 0);
    } catch (MpIOStreamingException& e) {
        EXPECT_STREQ("Invalid header found", e.GetErrorMessage());
        EXPECT_STREQ("MpInputStreamInterface", e.GetClassName());
        EXPECT_EQ(0, e.GetFlag());
        EXPECT_EQ(3, e.GetLevel());
    }
    MpFileOpenFailedException open("Error in opening file 'a'.  No such file or directory.");
    EXPECT_STREQ("MpIO", open.GetClassName());
    MpFileOpenFailedException copy(open);
    EXPECT_STREQ("Error in opening file 'a'.  No such file or directory.", copy.GetErrorMessage());
    EXPECT_STREQ("MpIO", copy.GetClassName());
}

TEST(MpExceptionSubclasses, CopiesKeepSubclassFields) {
    MpLRECLException e("m", "C", "file", 12);
    e.AddCallpath("Read()", "C");
    MpLRECLException copy(e);
    EXPECT_STREQ("m", copy.GetErrorMessage());
    EXPECT_STREQ("file", copy.GetFileName());
    EXPECT_STREQ("Read() of C", copy.GetCallpath());
    EXPECT_EQ(12, copy.GetRecordLength());

    MpIOCanceledException canceled("c", "X");
    MpIOCanceledException canceledCopy(canceled);
    EXPECT_EQ(3, canceledCopy.GetLevel());
    EXPECT_STREQ("X", canceledCopy.GetClassName());

    MpIOStreamingException streaming("s", "Y", 5);
    MpIOStreamingException streamingCopy(streaming);
    EXPECT_EQ(5, streamingCopy.GetFlag());
    EXPECT_EQ(3, streamingCopy.GetLevel());
}
