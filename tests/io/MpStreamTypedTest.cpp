// The typed stream operations: their exact bytes, and round trips through every stream class.
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "IOTestSupport.h"
#include "MpByteOrder.h"
#include "MpIO.h"
#include "MpIOProxy.h"
#include "Mpiounbuffered.h"
#include "TempDir.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) bytes += static_cast<char>(value);
    return bytes;
}

std::string Written(const std::function<void(MpOutputStreamInterface&)>& write) {
    MemoryStream stream;
    write(stream);
    return stream.Bytes();
}

struct WriteCase {
    const char* name;
    std::function<void(MpOutputStreamInterface&)> write;
    std::string bytes;
};

}  // namespace

TEST(MpStreamTyped, EveryWriteStoresItsExactBytes) {
    const WriteCase cases[] = {
        {"WriteBool true", [](MpOutputStreamInterface& s) { s.WriteBool(true); }, Bytes({1})},
        {"WriteBool false", [](MpOutputStreamInterface& s) { s.WriteBool(false); }, Bytes({0})},
        {"WriteShort -2", [](MpOutputStreamInterface& s) { s.WriteShort(-2); }, Bytes({0xFE, 0xFF})},
        {"WriteUnsignedShort", [](MpOutputStreamInterface& s) { s.WriteUnsignedShort(0x1234); }, Bytes({0x34, 0x12})},
        {"WriteInt 1", [](MpOutputStreamInterface& s) { s.WriteInt(1); }, Bytes({1, 0, 0, 0})},
        {"WriteLong", [](MpOutputStreamInterface& s) { s.WriteLong(-0x01020304); }, Bytes({0xFC, 0xFC, 0xFD, 0xFE})},
        {"WriteUnsignedLong", [](MpOutputStreamInterface& s) { s.WriteUnsignedLong(0xA1B2C3D4u); },
         Bytes({0xD4, 0xC3, 0xB2, 0xA1})},
        {"WriteUnsignedNative 1", [](MpOutputStreamInterface& s) { s.WriteUnsignedNative(1); },
         Bytes({1, 0, 0, 0, 0, 0, 0, 0})},
        {"WriteDouble 1.0", [](MpOutputStreamInterface& s) { s.WriteDouble(1.0); },
         Bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F})},
        {"WriteCString abc", [](MpOutputStreamInterface& s) { s.WriteCString("abc"); },
         Bytes({4, 0, 0, 0, 'a', 'b', 'c', 0})},
        {"WriteCString null", [](MpOutputStreamInterface& s) { s.WriteCString(nullptr); }, Bytes({0, 0, 0, 0})},
        {"WriteString with zero", [](MpOutputStreamInterface& s) { s.WriteString("ab", true); }, Bytes({'a', 'b', 0})},
        {"WriteString without zero", [](MpOutputStreamInterface& s) { s.WriteString("ab", false); }, "ab"},
        {"bounded WriteString cut", [](MpOutputStreamInterface& s) { s.WriteString("abcdef", 4u, ';'); }, "abcd"},
        {"bounded WriteString short", [](MpOutputStreamInterface& s) { s.WriteString("ab", 4u, ';'); }, "ab;"},
        {"bounded WriteString null", [](MpOutputStreamInterface& s) { s.WriteString(nullptr, 4u, ';'); }, ";"},
        {"WriteMpHeader", [](MpOutputStreamInterface& s) { s.WriteMpHeader(static_cast<char>(0xC8), 0x0102); },
         Bytes({0xC8, 0xFF, 0xFF, 0xFF, 0x02, 0x01})},
    };
    for (const WriteCase& c : cases) EXPECT_EQ(Written(c.write), c.bytes) << c.name;
}

TEST(MpStreamTyped, ReadsDecodeTheSameBytes) {
    MemoryStream stream(Bytes({1, 0xFE, 0xFF, 0x34, 0x12, 1, 0, 0, 0, 0xD4, 0xC3, 0xB2, 0xA1, 7, 0, 0, 0, 0, 0, 0, 0x80,
                               0, 0, 0, 0, 0, 0, 0xF0, 0xBF, 4, 0, 0, 0, 'a', 'b', 'c', 0, 0, 0, 0, 0, 0xC8, 0xFF,
                               0xFF, 0xFF, 0x02, 0x01}));
    EXPECT_TRUE(stream.ReadBool());
    EXPECT_EQ(stream.ReadShort(), -2);
    EXPECT_EQ(stream.ReadUnsignedShort(), 0x1234);
    EXPECT_EQ(stream.ReadInt(), 1);
    EXPECT_EQ(stream.ReadUnsignedLong(), 0xA1B2C3D4u);
    EXPECT_EQ(stream.ReadUnsignedNative(), 0x8000000000000007ULL);
    EXPECT_EQ(stream.ReadDouble(), -1.0);
    char* pText = nullptr;
    EXPECT_STREQ(stream.ReadCString(pText), "abc");
    EXPECT_STREQ(stream.ReadCString(pText), "");  // the old array is freed, a new one made
    EXPECT_EQ(stream.ReadMpHeader(static_cast<char>(0xC8)), 0x0102);
    delete[] pText;
}

TEST(MpStreamTyped, AnyNonZeroByteIsTrue) {
    MemoryStream stream(Bytes({0x80, 0}));
    EXPECT_TRUE(stream.ReadBool());
    EXPECT_FALSE(stream.ReadBool());
}

TEST(MpStreamTyped, HeaderWithAnotherTagIsRefusedAfterItsTag) {
    MemoryStream stream(Bytes({0xC8, 0xFF, 0xFF, 0xFF, 0x02, 0x01}));
    try {
        stream.ReadMpHeader('A');
        ADD_FAILURE() << "accepted another tag";
    } catch (MpIOStreamingException& e) {
        EXPECT_STREQ(e.GetErrorMessage(), "Invalid header found");
        EXPECT_STREQ(e.GetClassName(), "MpInputStreamInterface");
        EXPECT_EQ(e.GetLevel(), 3);
        EXPECT_STREQ(e.GetCallpath(), "ReadMpHeader() of MpInputStreamInterface");
    }
    EXPECT_EQ(stream.ReadShort(), 0x0102);  // the version was not consumed
}

TEST(MpStreamTyped, TerminatedTextsInBothForms) {
    MemoryStream stream("ab;cd");
    MpString sText("old");
    stream.ReadString(sText, ';');
    EXPECT_EQ(sText, "ab;");
    char buffer[4];
    EXPECT_STREQ(stream.ReadString(buffer, 4, ';'), "cd");  // the end of the stream ends it too

    MemoryStream zeroEnded(std::string("ab\0c", 4));
    zeroEnded.ReadString(sText, '\0');
    EXPECT_EQ(sText, "ab");

    MemoryStream full("abcdef");
    char exact[4];
    full.ReadString(exact, 4, ';');
    EXPECT_EQ(std::string(exact, 4), "abcd");  // no room and no zero byte
    Failure failure = FailureOf([&] { full.ReadString(sText, ';'); });
    EXPECT_EQ(failure.message, "memory ended");
    EXPECT_EQ(failure.callpath, "ReadString() of MpInputStreamInterface");
}

TEST(MpStreamTyped, RefusedTextsAndCorruptCounts) {
    MemoryStream stream;
    Failure failure = FailureOf([&] { stream.WriteString(nullptr, true); });
    EXPECT_EQ(failure.message, "Null pointer passed to WriteString");
    EXPECT_EQ(failure.className, "MpOutputStreamInterface");
    EXPECT_EQ(stream.Bytes(), "");

    MemoryStream corrupt(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    char* pText = MpAllocate(4);
    failure = FailureOf([&] { corrupt.ReadCString(pText); });
    EXPECT_EQ(failure.message, "Invalid text length -1");
    EXPECT_EQ(pText, nullptr);

    // A text whose zero byte is missing from the stream still comes back terminated.
    MemoryStream unterminated(Bytes({2, 0, 0, 0, 'x', 'y'}));
    EXPECT_STREQ(unterminated.ReadCString(pText), "xy");
    delete[] pText;
}

TEST(MpStreamTyped, ByteOrderReversalIsExact) {
    EXPECT_EQ(MpReverseBytes<uint16_t>(0x0102), 0x0201);
    EXPECT_EQ(MpReverseBytes<uint32_t>(0x01020304u), 0x04030201u);
    EXPECT_EQ(MpReverseBytes<uint64_t>(0x0102030405060708ULL), 0x0807060504030201ULL);
    EXPECT_EQ(MpReverseBytes(MpReverseBytes(-1.5)), -1.5);
    EXPECT_EQ(MpStreamByteOrder<uint32_t>(1), 1u);  // this machine is little-endian
}

// ---------------------------------------------------------------------------------------------
// Round trips through files
// ---------------------------------------------------------------------------------------------

namespace {

void WriteEverything(MpOutputStreamInterface& stream) {
    stream.WriteBool(true);
    stream.WriteShort(std::numeric_limits<int16_t>::min());
    stream.WriteUnsignedShort(65535);
    stream.WriteLong(std::numeric_limits<int32_t>::min());
    stream.WriteInt(-7);
    stream.WriteUnsignedLong(4000000000u);
    stream.WriteUnsignedNative(0xFEDCBA9876543210ULL);
    stream.WriteDouble(3.25e-300);
    stream.WriteCString("counted");
    MpString("a string").Write(stream);
    stream.WriteString("terminated", true);
    stream.WriteString("bounded", 3u, '|');
    stream.WriteMpHeader('Q', -9);
    stream.WriteLine("a line");
}

void ReadEverything(MpInputStreamInterface& stream) {
    EXPECT_TRUE(stream.ReadBool());
    EXPECT_EQ(stream.ReadShort(), std::numeric_limits<int16_t>::min());
    EXPECT_EQ(stream.ReadUnsignedShort(), 65535);
    EXPECT_EQ(stream.ReadLong(), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(stream.ReadInt(), -7);
    EXPECT_EQ(stream.ReadUnsignedLong(), 4000000000u);
    EXPECT_EQ(stream.ReadUnsignedNative(), 0xFEDCBA9876543210ULL);
    EXPECT_EQ(stream.ReadDouble(), 3.25e-300);
    char* pText = nullptr;
    EXPECT_STREQ(stream.ReadCString(pText), "counted");
    delete[] pText;
    MpString sText;
    sText.Read(stream);
    EXPECT_EQ(sText, "a string");
    stream.ReadString(sText, '\0');
    EXPECT_EQ(sText, "terminated");
    char bounded[3];
    stream.ReadString(bounded, 3, '|');
    EXPECT_EQ(std::string(bounded, 3), "bou");
    EXPECT_EQ(stream.ReadMpHeader('Q'), -9);
    EXPECT_EQ(stream.ReadLine(sText), 8u);
    EXPECT_EQ(sText, "a line");
    EXPECT_EQ(stream.ReadLine(sText), 0u);
}

}  // namespace

TEST(MpStreamTyped, RoundTripsThroughEveryStreamClass) {
    TempDir dir;
    const unsigned kFlags = IO_READ | IO_WRITE | IO_CREATE | IO_TRUNCATE;
    {
        MpIO file(dir.File("buffered.bin").c_str(), kFlags);
        WriteEverything(file);
        file.Seek64Absolute(0);
        ReadEverything(file);
    }
    {
        MpIOUnbuffered file(dir.File("unbuffered.bin").c_str(), kFlags);
        WriteEverything(file);
        file.Seek64Absolute(0);
        ReadEverything(file);
    }
    for (bool bBufferedTarget : {true, false}) {
        std::unique_ptr<MpIOInterface> target;
        if (bBufferedTarget) {
            target = std::make_unique<MpIO>(dir.File("proxy.bin").c_str(), kFlags);
        } else {
            target = std::make_unique<MpIOUnbuffered>(dir.File("proxy.bin").c_str(), kFlags);
        }
        MpIOProxy writer(*target);
        MpIOProxy reader(*target);
        WriteEverything(writer);
        ReadEverything(reader);
    }
    EXPECT_EQ(TempDir::Read(dir.File("buffered.bin")), TempDir::Read(dir.File("unbuffered.bin")));
    EXPECT_EQ(TempDir::Read(dir.File("buffered.bin")), TempDir::Read(dir.File("proxy.bin")));
}

TEST(MpStreamTyped, ARequiredReadAtTheEndCarriesEveryEntry) {
    TempDir dir;
    std::string path = dir.Write("short.bin", "ab");
    MpIO file(path.c_str(), IO_READ);
    Failure failure = FailureOf([&] { file.ReadInt(); });
    EXPECT_EQ(failure.message, "Unable to perform a required read at offset 2 of \"" + path + "\"");
    EXPECT_EQ(failure.callpath,
              "Read of MpIO\r\nReadLong() of MpInputStreamInterface\r\nReadInt() of MpInputStreamInterface");
    MpString sText;
    file.Seek64Absolute(0);
    failure = FailureOf([&] { sText.Read(file); });
    EXPECT_EQ(failure.callpath,
              "Read of MpIO\r\nReadLong() of MpInputStreamInterface\r\nReadInt() of MpInputStreamInterface\r\n"
              "ReadCString() of MpInputStreamInterface\r\nRead() of MpString");
}
