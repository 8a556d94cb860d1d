// MpResizableChunk, MpString, MpDeblank and MpCopyString.
#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stdexcept>
#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "MpAlloc.h"
#include "MpException.h"
#include "MpResizableChunk.h"
#include "MpString.h"
#include "SkipOnWindows.h"

namespace {

// Runs action, which must raise an MpException, and returns "message|class|call path".
std::string Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (MpException& e) {
        return std::string(e.GetErrorMessage()) + "|" + e.GetClassName() + "|" + e.GetCallpath();
    }
    return "no exception";
}

std::string Text(const MpString& s) { return s.GetCString(); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// MpResizableChunk

TEST(MpResizableChunk, Construction) {
    MpResizableChunk empty;
    EXPECT_EQ(0, empty.GetSize());
    EXPECT_EQ(nullptr, empty.AsPtr());

    MpResizableChunk zeros(4);
    ASSERT_EQ(4, zeros.GetSize());
    EXPECT_EQ(0, std::memcmp(zeros.AsPtr(), "\0\0\0\0", 4));

    MpResizableChunk filled(3, 'x');
    EXPECT_EQ(0, std::memcmp(filled.AsPtr(), "xxx", 3));
}

TEST(MpResizableChunk, ResizeKeepsLeadingBytesAndZeroLeavesNoBlock) {
    MpResizableChunk chunk(3, 'a');
    char* pBefore = chunk.AsPtr();
    chunk.Resize(3);
    EXPECT_EQ(pBefore, chunk.AsPtr()) << "resizing to the current size does nothing";
    chunk.Resize(100);
    EXPECT_EQ(100, chunk.GetSize());
    EXPECT_EQ(0, std::memcmp(chunk.AsPtr(), "aaa", 3));
    chunk.Resize(2);
    EXPECT_EQ(0, std::memcmp(chunk.AsPtr(), "aa", 2));
    chunk.Resize(0);
    EXPECT_EQ(0, chunk.GetSize());
    EXPECT_EQ(nullptr, chunk.AsPtr());
}

TEST(MpResizableChunk, NegativeSizeIsRefused) {
    MpResizableChunk chunk(2, 'q');
    EXPECT_EQ("lNewSize, value -1, must be non-negative.|MpResizableChunk|Resize() of MpResizableChunk",
              Failure([&] { chunk.Resize(-1); }));
    EXPECT_EQ(2, chunk.GetSize());
    EXPECT_EQ(
        "lNewSize, value -5, must be non-negative.|MpResizableChunk|Resize() of MpResizableChunk\r\n"
        "ResizeChunk() of MpResizableChunk",
        Failure([&] { chunk.ResizeChunk(-5, true, 0); }));
}

TEST(MpResizableChunk, FailedReallocationKeepsTheOldBlock) {
    MpResizableChunk chunk(8, 'k');
    char* pBefore = chunk.AsPtr();
    MpAllocationFailureScope failBig(1000);
    try {
        chunk.Resize(5000);
        FAIL() << "no exception";
    } catch (MpMemoryException& e) {
        EXPECT_STREQ("Could not reallocate chunk - tried to allocate 5000 bytes.", e.GetErrorMessage());
        EXPECT_STREQ("", e.GetClassName());
        EXPECT_STREQ("Resize() of MpResizableChunk", e.GetCallpath());
    }
    EXPECT_EQ(8, chunk.GetSize());
    EXPECT_EQ(pBefore, chunk.AsPtr());
    EXPECT_EQ(0, std::memcmp(chunk.AsPtr(), "kkkkkkkk", 8));
}

TEST(MpResizableChunk, ResizeChunkFillsAllOrOnlyTheGrowth) {
    MpResizableChunk chunk(2, 'a');
    chunk.ResizeChunk(4, false, 'b');
    EXPECT_EQ(0, std::memcmp(chunk.AsPtr(), "aabb", 4));
    chunk.ResizeChunk(3, false, 'c');
    EXPECT_EQ(0, std::memcmp(chunk.AsPtr(), "aab", 3));
    chunk.ResizeChunk(5, true, 'z');
    EXPECT_EQ(0, std::memcmp(chunk.AsPtr(), "zzzzz", 5));
    chunk.ResizeChunk(0, true, 'z');
    EXPECT_EQ(nullptr, chunk.AsPtr());
}

TEST(MpResizableChunk, AsPtrAtOffsetIsRangeTested) {
    MpResizableChunk chunk(4, 'a');
    EXPECT_EQ(chunk.AsPtr() + 3, chunk.AsPtrAtOffset<char>(3));
    EXPECT_EQ(static_cast<void*>(chunk.AsPtr() + 1), chunk.AsPtrAtOffset<void>(1));
    EXPECT_EQ("index (value=4) is out of range [0, 3]|MpResizableChunk|AsPtrAtOffset<char>() of MpResizableChunk",
              Failure([&] { chunk.AsPtrAtOffset<char>(4); }));
    EXPECT_EQ("index (value=-1) is out of range [0, 3]|MpResizableChunk|AsPtrAtOffset<void>() of MpResizableChunk",
              Failure([&] { chunk.AsPtrAtOffset<void>(-1); }));
    MpResizableChunk empty;
    EXPECT_EQ("index (value=0) is out of range [0, -1]|MpResizableChunk|AsPtrAtOffset<char>() of MpResizableChunk",
              Failure([&] { empty.AsPtrAtOffset<char>(0); }));
}

TEST(MpResizableChunk, CheckEmpty) {
    MpResizableChunk empty;
    MpResizableChunk full(1);
    empty.CheckEmpty(true);
    full.CheckEmpty(false);
    EXPECT_EQ("chunk must be empty|MpResizableChunk|", Failure([&] { full.CheckEmpty(true); }));
    EXPECT_EQ("chunk must not be empty|MpResizableChunk|", Failure([&] { empty.CheckEmpty(false); }));
}

TEST(MpResizableChunk, CopiesAreDeep) {
    MpResizableChunk chunk(3, 'a');
    MpResizableChunk copy(chunk);
    copy.AsPtr()[0] = 'b';
    EXPECT_EQ('a', chunk.AsPtr()[0]);

    MpResizableChunk assigned(10, 'x');
    assigned = chunk;
    EXPECT_EQ(3, assigned.GetSize());
    EXPECT_EQ(0, std::memcmp(assigned.AsPtr(), "aaa", 3));
    assigned = assigned;
    EXPECT_EQ(3, assigned.GetSize());

    std::unique_ptr<MpResizableChunk> clone(chunk.Clone());
    EXPECT_EQ(3, clone->GetSize());
    EXPECT_NE(chunk.AsPtr(), clone->AsPtr());
    EXPECT_EQ(0, std::memcmp(clone->AsPtr(), "aaa", 3));
}

TEST(MpResizableChunk, CopyRange) {
    MpResizableChunk source(5, 'x');
    std::memcpy(source.AsPtr(), "abcde", 5);
    MpResizableChunk target(4, '.');
    target.CopyRange(source, 2, 1, 1);
    EXPECT_EQ(0, std::memcmp(target.AsPtr(), ".bc.", 4));
    target.CopyRange(source, 100, 2, 3);  // count limited to what the source has; target grows
    ASSERT_EQ(6, target.GetSize());
    EXPECT_EQ(0, std::memcmp(target.AsPtr(), ".bccde", 6));
    target.CopyRange(target, 4, 0, 2);  // overlapping ranges inside one chunk
    EXPECT_EQ(0, std::memcmp(target.AsPtr(), ".b.bcc", 6));
    target.CopyRange(target, 6, 0, 4);  // growth while copying from itself
    ASSERT_EQ(10, target.GetSize());
    EXPECT_EQ(0, std::memcmp(target.AsPtr(), ".b.b.b.bcc", 10));
}

TEST(MpResizableChunk, SwapExchangesBlocks) {
    MpResizableChunk a(2, 'a');
    MpResizableChunk b(5, 'b');
    a.Swap(b);
    EXPECT_EQ(5, a.GetSize());
    EXPECT_EQ('b', a.AsPtr()[0]);
    EXPECT_EQ(2, b.GetSize());
}

// ---------------------------------------------------------------------------------------------
// MpString: construction, capacity and growth

TEST(MpString, NewStringIsEmptyWithCapacity64) {
    MpString s;
    EXPECT_EQ(0u, s.GetLength());
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(64u, s.GetCapacity());
    EXPECT_EQ(32u, s.GetBlockSize());
}

TEST(MpString, NullEmptyAndZeroCharGiveTheEmptyString) {
    EXPECT_EQ("", Text(MpString(nullptr)));
    EXPECT_EQ("", Text(MpString("")));
    EXPECT_EQ("", Text(MpString('\0')));
    EXPECT_EQ("q", Text(MpString('q')));
    EXPECT_EQ(64u, MpString('q').GetCapacity());
}

TEST(MpString, SixtyThreeBytesFitTheSixtyFourthReallocates) {
    MpString s;
    for (int i = 0; i < 63; ++i) s.Append('a');
    EXPECT_EQ(63u, s.GetLength());
    EXPECT_EQ(64u, s.GetCapacity());
    s.Append('a');
    EXPECT_EQ(64u, s.GetLength());
    EXPECT_EQ(160u, s.GetCapacity());
}

TEST(MpString, OneByteAppendsGrowInTheDocumentedSteps) {
    MpString s;
    std::vector<uint32_t> steps{s.GetCapacity()};
    for (int i = 0; i < 5000; ++i) {
        s.Append("z");
        if (s.GetCapacity() != steps.back()) steps.push_back(s.GetCapacity());
    }
    EXPECT_EQ((std::vector<uint32_t>{64, 160, 352, 736, 1504, 2560, 3616, 4672, 5728}), steps);
    EXPECT_EQ(5000u, s.GetLength());
}

TEST(MpString, LongAppendGetsItsLengthPlusHalf) {
    MpString s;
    s.Append(std::string(100, 'x').c_str());
    EXPECT_EQ(224u, s.GetCapacity());
    EXPECT_EQ(100u, s.GetLength());

    // Half the text, at most 1024: 5000 bytes on capacity 64 grow by 5000 + 1024.
    MpString big;
    big.Append(std::string(5000, 'y').c_str());
    EXPECT_EQ(32u * ((64 + 6024 + 1) / 32 + 1), big.GetCapacity());
}

TEST(MpString, ResizeStringBufferRule) {
    MpString s;
    MpResizableChunk chunk;
    s.ResizeStringBuffer(chunk, 31);
    EXPECT_EQ(64, chunk.GetSize());
    s.ResizeStringBuffer(chunk, 32);
    EXPECT_EQ(64, chunk.GetSize());
    s.ResizeStringBuffer(chunk, 63);
    EXPECT_EQ(96, chunk.GetSize());
    s.ResizeStringBuffer(chunk, 100);
    EXPECT_EQ(128, chunk.GetSize());
    s.ResizeStringBuffer(chunk, 10);
    EXPECT_EQ(128, chunk.GetSize()) << "never smaller";
    EXPECT_EQ("lNewLength, value=0, must be greater than 0.|MpString|ResizeStringBuffer() of MpString",
              Failure([&] { s.ResizeStringBuffer(chunk, 0); }));
    EXPECT_EQ("lNewLength, value=-4, must be greater than 0.|MpString|ResizeStringBuffer() of MpString",
              Failure([&] { s.ResizeStringBuffer(chunk, -4); }));
}

TEST(MpString, InitWithOtherBlockSizes) {
    MpString s("keep me?");
    s.Init(100);
    EXPECT_EQ(100u, s.GetBlockSize());
    EXPECT_EQ(200u, s.GetCapacity());
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(
        "lNewLength, value=0, must be greater than 0.|MpString|ResizeStringBuffer() of MpString\r\n"
        "Init() of MpString",
        Failure([&] { s.Init(0); }));
    EXPECT_EQ(100u, s.GetBlockSize()) << "a refused block size is not kept";
}

TEST(MpString, CopiesCarryCapacityAndBlockSize) {
    MpString big;
    big.Append(std::string(100, 'x').c_str());
    big.Truncate(3);
    MpString copy(big);
    EXPECT_EQ("xxx", Text(copy));
    EXPECT_EQ(224u, copy.GetCapacity());
    std::unique_ptr<MpString> clone(big.Clone());
    EXPECT_EQ(224u, clone->GetCapacity());
    EXPECT_EQ("xxx", Text(*clone));

    MpString small("ab");
    big = small;
    EXPECT_EQ("ab", Text(big));
    EXPECT_EQ(64u, big.GetCapacity()) << "copy assignment takes the source's capacity, even smaller";
    small = copy;
    EXPECT_EQ(224u, small.GetCapacity());
    small = small;
    EXPECT_EQ("xxx", Text(small));
}

TEST(MpString, EditingNeverShrinksTheCapacity) {
    MpString s;
    s.Append(std::string(300, 'a').c_str());
    uint32_t ulCapacity = s.GetCapacity();
    s.Truncate(1);
    s.Clear();
    s.Copy("x");
    s.printf("%d", 1);
    s.Append("tail").Remove(0, 2);
    EXPECT_EQ(ulCapacity, s.GetCapacity());
}

// ---------------------------------------------------------------------------------------------
// Appending

TEST(MpString, NumberAppends) {
    MpString s;
    s = -12;
    EXPECT_EQ("-12", Text(s));
    s = static_cast<int64_t>(7);
    EXPECT_EQ("7", Text(s));
    s.Clear();
    s.Append(2.5);
    EXPECT_EQ("2.500000", Text(s));
    s.Clear();
    s.Append(static_cast<int16_t>(-32768)).Append(' ');
    s.Append(static_cast<int32_t>(INT32_MIN)).Append(' ');
    s.Append(static_cast<int64_t>(-5)).Append(' ');
    s.Append(static_cast<uint16_t>(65535)).Append(' ');
    s.Append(static_cast<uint32_t>(4294967295u)).Append(' ');
    s.Append(static_cast<uint64_t>(12)).Append(' ');
    s.Append(-0.125);
    EXPECT_EQ("-32768 -2147483648 -5 65535 4294967295 12 -0.125000", Text(s));
}

TEST(MpString, DoubleAppendNeverOverflows) {
    MpString s;
    s.Append(1e308);
    char expected[400];
    std::snprintf(expected, sizeof expected, "%f", 1e308);
    EXPECT_EQ(expected, Text(s));
    EXPECT_EQ(316u, s.GetLength());
    s.Clear();
    s.Append(-1.7976931348623157e308);
    std::snprintf(expected, sizeof expected, "%f", -1.7976931348623157e308);
    EXPECT_EQ(expected, Text(s));
}

TEST(MpString, InsertionOperatorChains) {
    MpString s("old");
    s << EmptyString << "Format=" << MpString("F1") << ' ' << static_cast<int16_t>(1) << ' ' << 2 << ' '
      << static_cast<int64_t>(3) << ' ' << static_cast<uint16_t>(4) << ' ' << 5u << ' ' << static_cast<uint64_t>(6)
      << ' ' << 0.5 << ' ' << true << ' ' << false << EndLine;
    EXPECT_EQ("Format=F1 1 2 3 4 5 6 0.500000 true false\r\n", Text(s));
    s << static_cast<MpStringManipulator>(7);
    EXPECT_EQ("Format=F1 1 2 3 4 5 6 0.500000 true false\r\n", Text(s)) << "other values do nothing";
}

TEST(MpString, CompoundAssignment) {
    MpString s("a");
    s += MpString("b");
    s += "c";
    s += 'd';
    s += static_cast<int16_t>(-1);
    EXPECT_EQ("abcd-1", Text(s));
}

TEST(MpString, AppendEdgeCases) {
    MpString s("ab");
    s.Append('\0');
    EXPECT_EQ("ab", Text(s));
    s.Append(s);
    EXPECT_EQ("ab", Text(s)) << "appending a string to itself does nothing";
    EXPECT_EQ("null pointer: pString|MpString|Append(char *) of MpString",
              Failure([&] { s.Append(static_cast<const char*>(nullptr)); }));
    s.AppendBytes("xyz", 2);
    EXPECT_EQ("abxy", Text(s));
    s.AppendBytes(nullptr, 0);
    EXPECT_EQ("null pointer: pString|MpString|Append(char *) of MpString", Failure([&] { s.AppendBytes(nullptr, 1); }));
}

TEST(MpString, AppendOfItsOwnTextSurvivesGrowth) {
    MpString s;
    s.Append(std::string(60, 'a').c_str());
    s.Append("bcd");
    s.Append(s.GetCString() + 57);  // 'aaabcd' from inside the block, which must grow
    EXPECT_EQ(std::string(60, 'a') + "bcd" + "aaabcd", Text(s));
}

// ---------------------------------------------------------------------------------------------
// Access, comparison, search

TEST(MpString, CharAccess) {
    MpString s("abc");
    EXPECT_EQ('c', s.GetCharAt(2));
    s.SetCharAt(1, 'X');
    EXPECT_EQ("aXc", Text(s));
    s.SetCharAt(1, '\0');
    EXPECT_EQ("a", Text(s)) << "writing a zero shortens the string";
    EXPECT_EQ("index (value=1) is out of range, [0, 0]|MpString|GetCharAt of MpString",
              Failure([&] { s.GetCharAt(1); }));
    EXPECT_EQ("index (value=5) is out of range, [0, 0]|MpString|SetCharAt() of MpString",
              Failure([&] { s.SetCharAt(5, 'x'); }));
    MpString empty;
    EXPECT_EQ("index (value=0) is out of range, [0, -1]|MpString|GetCharAt of MpString",
              Failure([&] { empty.GetCharAt(0); }));
}

TEST(MpString, Comparisons) {
    EXPECT_TRUE(MpString("abc") == MpString("abc"));
    EXPECT_TRUE(MpString("abc") == "abc");
    EXPECT_FALSE(MpString("abc") == static_cast<const char*>(nullptr));
    EXPECT_TRUE(MpString("abc") != "abd");
    EXPECT_TRUE(MpString("ab") < MpString("abc")) << "a proper prefix orders first";
    EXPECT_TRUE(MpString("a") < MpString("\x80")) << "bytes compare as unsigned";
    EXPECT_FALSE(MpString("b") < MpString("a"));
    EXPECT_FALSE(MpString("Abc") == MpString("abc"));
}

TEST(MpString, BeginsAndEndsWith) {
    MpString s("Abc");
    EXPECT_FALSE(s.BeginsWith("a"));
    EXPECT_TRUE(s.BeginsWith("Ab"));
    EXPECT_TRUE(s.BeginsWith(""));
    EXPECT_FALSE(s.BeginsWith("Abcd"));
    EXPECT_TRUE(s.EndsWith(""));
    EXPECT_TRUE(s.EndsWith("bc"));
    EXPECT_TRUE(s.EndsWith('c'));
    EXPECT_FALSE(MpString("bc").EndsWith("abc"));
    EXPECT_TRUE(MpString("name.CSV").EndsWith(MpString(".CSV")));
    EXPECT_EQ("null pointer: sString|MpString|BeginsWith() of MpString", Failure([&] { s.BeginsWith(nullptr); }));
    EXPECT_EQ("null pointer: sString|MpString|EndsWith() of MpString",
              Failure([&] { s.EndsWith(static_cast<const char*>(nullptr)); }));
}

TEST(MpString, Find) {
    MpString s("a.b.c");
    EXPECT_EQ(1, s.Find("."));
    EXPECT_EQ(3, s.Find(".", 0, true));
    EXPECT_EQ(3, s.Find('.', 2));
    EXPECT_EQ(3, s.Find(MpString("."), 3, true));
    EXPECT_EQ(-1, s.Find(".", 4, true));
    EXPECT_EQ(-1, s.Find(".", 5)) << "lStart equal to the length finds nothing";
    EXPECT_EQ(-1, s.Find("x"));
    EXPECT_EQ(-1, s.Find("a.b.c.d"));
    EXPECT_EQ(0, s.Find("a.b.c", 0, true));
    EXPECT_EQ(1, MpString("aaaa").Find("aaa", 0, true)) << "matches may overlap";
    EXPECT_EQ(2, MpString("abcabc").Find("c", 0, false));
    EXPECT_EQ(5, MpString("abcabc").Find("c", 0, true));
    EXPECT_EQ("lStart (value=6) is past end of string (length=5)|MpString|Find() of MpString",
              Failure([&] { s.Find(".", 6); }));
    EXPECT_EQ("null pointer: sString|MpString|Find() of MpString",
              Failure([&] { s.Find(static_cast<const char*>(nullptr)); }));
}

TEST(MpString, FindOfEmptyTextIsFoundAtStartOnce) {
    MpString s("abc");
    EXPECT_EQ(0, s.Find(""));
    EXPECT_EQ(2, s.Find("", 2));
    EXPECT_EQ(2, s.Find("", 2, true)) << "the reverse search ends";
    EXPECT_EQ(3, s.Find("", 3, true));
    EXPECT_EQ(0, MpString().Find("", 0, true));
}

TEST(MpString, ReverseFindMatchesAForwardScan) {
    const char* texts[] = {"", "a", "ab", "aba", "abababa", "xxabxxab", "aaaaa", "abcabcab"};
    const char* sought[] = {"a", "b", "ab", "aba", "aa", "x", "abc", "zz"};
    for (const char* text : texts) {
        MpString s(text);
        std::string t(text);
        for (const char* needle : sought) {
            for (uint32_t start = 0; start <= t.size(); ++start) {
                int32_t expected = -1;
                for (std::size_t at = start; at + std::strlen(needle) <= t.size(); ++at) {
                    if (t.compare(at, std::strlen(needle), needle) == 0) expected = static_cast<int32_t>(at);
                }
                ASSERT_EQ(expected, s.Find(needle, start, true)) << text << " / " << needle << " from " << start;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Editing

TEST(MpString, CopyReplacesText) {
    MpString s("abc");
    s.Copy("longer text");
    EXPECT_EQ("longer text", Text(s));
    s.Copy(nullptr);
    EXPECT_EQ("", Text(s));
    std::string sixty(64, 's');
    s.Copy(sixty.c_str());
    EXPECT_EQ(sixty, Text(s));
    EXPECT_EQ(96u, s.GetCapacity()) << "ResizeStringBuffer(64)";
    MpString t("hello world");
    t.Copy(t.GetCString() + 6);
    EXPECT_EQ("world", Text(t)) << "copying from its own text";
    MpString u("abc");
    u = "xyz";
    EXPECT_EQ("xyz", Text(u));
}

TEST(MpString, InsertText) {
    MpString s("ad");
    s.Insert("bc", 1);
    EXPECT_EQ("abcd", Text(s));
    s.Insert("e", 4);
    EXPECT_EQ("abcde", Text(s));
    s.Insert("", 2);
    EXPECT_EQ("abcde", Text(s));
    EXPECT_EQ("lPosition (value=6) is invalid for string of length=5.|MpString|Insert() of MpString",
              Failure([&] { s.Insert("x", 6); }));
    EXPECT_EQ("null pointer: pString|MpString|Insert() of MpString", Failure([&] { s.Insert(nullptr, 0); }));
    EXPECT_EQ("abcde", Text(s));
}

TEST(MpString, InsertGrowsByTheTextLengthOnly) {
    MpString s(std::string(60, 'a').c_str());
    s.Insert(std::string(10, 'b').c_str(), 0);
    EXPECT_EQ(96u, s.GetCapacity()) << "ResizeStringBuffer(64 + 10), no doubling";
    EXPECT_EQ(std::string(10, 'b') + std::string(60, 'a'), Text(s));
}

TEST(MpString, InsertOfItsOwnText) {
    MpString s(std::string(60, 'a').c_str());
    s.Append("xyz");
    s.Insert(s.GetCString() + 60, 0);
    EXPECT_EQ("xyz" + std::string(60, 'a') + "xyz", Text(s));
}

TEST(MpString, InsertRepeatedChar) {
    MpString s("42");
    s.Insert('0', 0, 3);
    EXPECT_EQ("00042", Text(s));
    MpString t("42");
    t.Insert(' ', 2, 3);
    EXPECT_EQ("42   ", Text(t));
    t.Insert('x', 1, 0);
    EXPECT_EQ("42   ", Text(t));
    t.Insert('\0', 1, 3);
    EXPECT_EQ("42   ", Text(t)) << "a zero byte inserts nothing";
    EXPECT_EQ("lPosition (value=9) is invalid for string of length=5.|MpString|Insert() of MpString\r\n"
              "Insert() of MpString",
              Failure([&] { t.Insert('x', 9, 1); }));
    MpString big;
    big.Insert('-', 0, 65535);
    EXPECT_EQ(65535u, big.GetLength());
}

TEST(MpString, FailedReallocationInInsertCarriesFourCallpathEntries) {
    MpString s("42");
    MpAllocationFailureScope failBig(1000);
    try {
        s.Insert(' ', 2, 2000);
        FAIL() << "no exception";
    } catch (MpMemoryException& e) {
        EXPECT_STREQ("Could not reallocate chunk - tried to allocate 2080 bytes.", e.GetErrorMessage());
        EXPECT_STREQ(
            "Resize() of MpResizableChunk\r\nResizeStringBuffer() of MpString\r\nInsert() of MpString\r\n"
            "Insert() of MpString",
            e.GetCallpath());
    }
    EXPECT_EQ("42", Text(s)) << "the string keeps its text";
    EXPECT_EQ(64u, s.GetCapacity());
    EXPECT_FALSE(MpHasAllocationReserve());
}

TEST(MpString, FailedReallocationInAppend) {
    MpString s;
    MpAllocationFailureScope failBig(1000);
    EXPECT_EQ(
        "Could not reallocate chunk - tried to allocate 3072 bytes.||Resize() of MpResizableChunk\r\n"
        "ResizeStringBuffer() of MpString\r\nAppend(char *) of MpString",
        Failure([&] { s.Append(std::string(2000, 'x').c_str()); }));
    EXPECT_EQ(
        "Could not reallocate chunk - tried to allocate 3072 bytes.||Resize() of MpResizableChunk\r\n"
        "ResizeStringBuffer() of MpString\r\nAppend(char *) of MpString\r\nReplace() of MpString",
        Failure([&] {
            MpString r("a");
            r.Replace("a", std::string(2000, 'x').c_str());
        }));
}

TEST(MpString, Remove) {
    MpString s("abc");
    s.Remove(0, 3);
    EXPECT_EQ("", Text(s));
    MpString t("abcdef");
    t.Remove(1, 2);
    EXPECT_EQ("adef", Text(t));
    t.Remove(4, 0);
    EXPECT_EQ("adef", Text(t));
    MpString u("abc");
    EXPECT_EQ("Cannot remove 3 characters starting at position 1 from string of length 3.|MpString|Remove() of MpString",
              Failure([&] { u.Remove(1, 3); }));
    EXPECT_EQ("abc", Text(u));
    EXPECT_EQ("Cannot remove 1 characters starting at position -1 from string of length 3.|MpString|Remove() of MpString",
              Failure([&] { u.Remove(0xFFFFFFFFu, 1); }));
}

TEST(MpString, Replace) {
    MpString s("ababab");
    s.Replace("ab", "x", true);
    EXPECT_EQ("xxx", Text(s));
    MpString t("ababab");
    t.Replace("ab", "x");
    EXPECT_EQ("xabab", Text(t));
    MpString u("banana");
    u.Replace("a", "aa", true);
    EXPECT_EQ("baanaanaa", Text(u)) << "replacement text is never searched again";
    MpString v("abc");
    v.Replace("z", "y", true);
    EXPECT_EQ("abc", Text(v));
    v.Replace("b", "", true);
    EXPECT_EQ("ac", Text(v));
    MpString w("aaa");
    w.Replace("aa", "b", true);
    EXPECT_EQ("ba", Text(w));
    EXPECT_EQ("null pointer: sOriginal|MpString|Replace() of MpString", Failure([&] { v.Replace(nullptr, "x"); }));
    EXPECT_EQ("null pointer: sReplace|MpString|Replace() of MpString", Failure([&] { v.Replace("a", nullptr); }));
}

TEST(MpString, ReplaceOfEmptyTextChangesNothing) {
    MpString s("abc");
    s.Replace("", "x", true);
    EXPECT_EQ("abc", Text(s));
    s.Replace("", "x", false);
    EXPECT_EQ("abc", Text(s));
}

TEST(MpString, ReplaceWithItsOwnText) {
    MpString s("a-b");
    s.Replace("-", s.GetCString(), true);
    EXPECT_EQ("aa-bb", Text(s));
}

TEST(MpString, Truncate) {
    MpString s("abc");
    s.Truncate(3);
    EXPECT_EQ("abc", Text(s));
    EXPECT_EQ("ulLength (value=4) must not be greater than string length (value=3).|MpString|Truncate() of MpString",
              Failure([&] { s.Truncate(4); }));
    s.Truncate(1);
    EXPECT_EQ("a", Text(s));
    s.Truncate(0);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(MpString, ToUpperAndDeblank) {
    MpString s(" \tab\xe9 c\r\n");
    s.ToUpper();
    EXPECT_EQ(" \tAB\xe9 C\r\n", Text(s)) << "C locale: bytes above 127 stay";
    s.Deblank();
    EXPECT_EQ("AB\xe9 C", Text(s));
}

TEST(MpString, GetSubstring) {
    MpString s("abcdef");
    EXPECT_EQ("cdef", Text(s.GetSubstring(2, -1)));
    EXPECT_EQ("", Text(s.GetSubstring(6, 0)));
    EXPECT_EQ("bc", Text(s.GetSubstring(1, 2)));
    EXPECT_EQ("abcdef", Text(s.GetSubstring(0, 6)));
    EXPECT_EQ("lStart (value=7) must not be greater than GetLength (value=6)|MpString|GetSubstring() of MpString",
              Failure([&] { s.GetSubstring(7, 0); }));
    EXPECT_EQ(
        "Substring length (value=5) must be less than or equal to GetLength (value=6) minus lStart (value=2).|MpString|"
        "GetSubstring() of MpString",
        Failure([&] { s.GetSubstring(2, 5); }));
    MpString big;
    big.Append(std::string(100, 'x').c_str());
    MpString part = big.GetSubstring(0, 1);
    EXPECT_EQ("x", Text(part));
    EXPECT_EQ(224u, part.GetCapacity()) << "built by appending the rest, then truncating";
}

// ---------------------------------------------------------------------------------------------
// Formatting

TEST(MpString, PrintfReplacesTheText) {
    MpString s("old text");
    s.printf("%s=%d", "n", 5);
    EXPECT_EQ("n=5", Text(s));
    EXPECT_EQ(64u, s.GetCapacity());
}

TEST(MpString, PrintfGrowsToABlockMultipleAboveTheText) {
    MpString s;
    std::string text(100, 'p');
    s.printf("%s", text.c_str());
    EXPECT_EQ(text, Text(s));
    EXPECT_EQ(32u * ((101 + 1) / 32 + 1), s.GetCapacity());  // ResizeStringBuffer(n + 1)
    MpString exact;
    exact.printf("%s", std::string(63, 'e').c_str());
    EXPECT_EQ(64u, exact.GetCapacity()) << "63 characters fit a capacity of 64";
    exact.printf("%s", std::string(64, 'e').c_str());
    EXPECT_EQ(96u, exact.GetCapacity());
}

TEST(MpString, PrintfMayFormatItsOwnText) {
    MpString s("abc");
    s.printf("[%s|%s]", s.GetCString(), s.GetCString());
    EXPECT_EQ("[abc|abc]", Text(s));
    MpString t(std::string(50, 't').c_str());
    t.printf("%s%s", t.GetCString(), t.GetCString());
    EXPECT_EQ(std::string(100, 't'), Text(t));
}

TEST(MpString, PrintfErrorKeepsTheOldText) {
    LATHWELL_SKIP_ON_WINDOWS("its C library formats a wide character that the locale cannot convert without an error");
    MpString s("keep");
    // A wide character that the C locale cannot convert makes vsnprintf report an error.
    std::string failure = Failure([&] { s.printf("%lc", static_cast<wint_t>(0x7FFFFFFF)); });
    EXPECT_EQ(
        "error encountered in call to 'vsnprintf' with format string, \"%lc\".|MpString|vprintf() of MpString\r\n"
        "printf() of MpString",
        failure);
    EXPECT_EQ("keep", Text(s));
}

TEST(MpString, FailedPrintfGrowthKeepsTheOldText) {
    MpString s("keep");
    MpAllocationFailureScope failBig(1000);
    EXPECT_EQ(
        "Could not reallocate chunk - tried to allocate 2016 bytes.||Resize() of MpResizableChunk\r\n"
        "ResizeStringBuffer() of MpString\r\nvprintf() of MpString\r\nprintf() of MpString",
        Failure([&] { s.printf("%s", std::string(2000, 'z').c_str()); }));
    EXPECT_EQ("keep", Text(s));
    EXPECT_EQ(64u, s.GetCapacity());
}

// ---------------------------------------------------------------------------------------------
// Free functions

TEST(MpDeblank, TrimsBothSides) {
    char text[] = " \t x y \r\n";
    EXPECT_EQ(text, MpDeblank(text, true, true));
    EXPECT_STREQ("x y", text);
    char blanks[] = "   \t ";
    EXPECT_STREQ("", MpDeblank(blanks, true, true));
    char left[] = "  a  ";
    EXPECT_STREQ("a  ", MpDeblank(left, true, false));
    char right[] = "  a  ";
    EXPECT_STREQ("  a", MpDeblank(right, false, true));
    char high[] = "\xa0x\xa0";
    EXPECT_STREQ("\xa0x\xa0", MpDeblank(high, true, true)) << "0xA0 is not blank";
    char controls[] = "\x01\x1f" "a\x7f";
    EXPECT_STREQ("a\x7f", MpDeblank(controls, true, true));
    EXPECT_EQ("null pointer: sString|MpDeblank|", Failure([&] { MpDeblank(nullptr, true, true); }));
}

TEST(MpCopyString, CopiesWithRoomForExtraBytes) {
    char* pText = nullptr;
    MpCopyString(&pText, "key", 5);
    EXPECT_STREQ("key", pText);
    std::strcat(pText, "12345");  // the extra bytes are there
    EXPECT_STREQ("key12345", pText);
    char* pSame = pText;
    EXPECT_EQ(pSame, MpCopyString(&pText, pText, 0)) << "the very same string: nothing happens";
    EXPECT_EQ(pSame, pText);
    MpCopyString(&pText, pText + 3, 0);  // a source inside the old text
    EXPECT_STREQ("12345", pText);
    MpCopyString(&pText, nullptr, 2);
    EXPECT_STREQ("", pText);
    delete[] pText;
    EXPECT_EQ("null pointer: pDest|MpCopyString|MpCopyString of MpAlloc",
              Failure([&] { MpCopyString(nullptr, "x", 0); }));
}

TEST(MpCopyString, FailedAllocationLeavesTheOldText) {
    char* pText = nullptr;
    MpCopyString(&pText, "old", 0);
    {
        MpAllocationFailureScope failBig(1000);
        std::string big(2000, 'b');
        EXPECT_EQ("Out of memory - tried to allocate 2001 bytes.||MpCopyString of MpAlloc",
                  Failure([&] { MpCopyString(&pText, big.c_str(), 0); }));
    }
    EXPECT_STREQ("old", pText);
    delete[] pText;
}

// ---------------------------------------------------------------------------------------------
// Sizes of 2^31 bytes or more
// ---------------------------------------------------------------------------------------------

#ifndef _WIN32
namespace {

// A read-only C string of any length that costs one mebibyte of memory: the same block of 'a'
// bytes mapped again and again, then a last page with the remaining bytes and the terminator.
class LongCString {
public:
    static constexpr size_t kBlock = size_t{1} << 20;
    static constexpr size_t kPage = 4096;

    explicit LongCString(uint64_t ullLength) : m_ulMapped((ullLength / kBlock) * kBlock + kPage) {
        const size_t ulTail = ullLength % kBlock;
        int iFile = memfd_create("long-c-string", 0);
        std::string block(kBlock + kPage, '\0');
        std::memset(block.data(), 'a', kBlock + ulTail);
        if (iFile < 0 || ulTail >= kPage ||
            write(iFile, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
            throw std::runtime_error("cannot prepare the long string");
        }
        void* pBase = mmap(nullptr, m_ulMapped, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        m_pText = static_cast<char*>(pBase);
        for (size_t ulAt = 0; ulAt + kPage < m_ulMapped; ulAt += kBlock) {
            mmap(m_pText + ulAt, kBlock, PROT_READ, MAP_SHARED | MAP_FIXED, iFile, 0);
        }
        mmap(m_pText + m_ulMapped - kPage, kPage, PROT_READ, MAP_SHARED | MAP_FIXED, iFile, kBlock);
        close(iFile);
    }
    ~LongCString() { munmap(m_pText, m_ulMapped); }
    const char* Get() const { return m_pText; }

private:
    size_t m_ulMapped;
    char* m_pText;
};

}  // namespace

// No size request of 2^31 bytes or more is reduced modulo 2^32 to a small one: each fails with
// the sizing message and leaves the text as it was. (One long text for all cases: each pass over
// its 4 GiB takes a second or two.)
TEST(MpString, TextsOfFourGibibytesFailWithTheSizingMessage) {
    const struct {
        std::function<void(MpString&, const char*)> action;
        const char* sExpected;
    } cases[] = {
        {[](MpString& s, const char* p) { s.Copy(p); },
         "lNewLength, value=-2147483643, must be greater than 0.|MpString|"
         "ResizeStringBuffer() of MpString\r\nCopy() of MpString"},
        {[](MpString& s, const char* p) { s.Append(p); },
         "lNewLength, value=-2147482555, must be greater than 0.|MpString|"
         "ResizeStringBuffer() of MpString\r\nAppend(char *) of MpString"},
        {[](MpString& s, const char* p) { s.Insert(p, 0); },
         "lNewLength, value=-2147483579, must be greater than 0.|MpString|"
         "ResizeStringBuffer() of MpString\r\nInsert() of MpString"},
    };
    LongCString text((uint64_t{1} << 32) + 5);
    for (const auto& c : cases) {
        MpString sString("keep");
        EXPECT_EQ(c.sExpected, Failure([&] { c.action(sString, text.Get()); }));
        EXPECT_STREQ("keep", sString.GetCString());
    }
    char* pCopy = nullptr;
    MpCopyString(&pCopy, "keep", 0);
    EXPECT_EQ("Bad memory allocation request - tried to allocate -2147483642 bytes.||MpCopyString of MpAlloc",
              Failure([&] { MpCopyString(&pCopy, text.Get(), 0); }));
    EXPECT_STREQ("keep", pCopy);
    delete[] pCopy;
}
#else
TEST(MpString, TextsOfFourGibibytesFailWithTheSizingMessage) {
    GTEST_SKIP() << "a 4 GiB text in 1 MiB of memory needs one block mapped many times (mmap, memfd_create)";
}
#endif
