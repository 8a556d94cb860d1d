#include "RecordWriter.h"

#include <string>

#include <gtest/gtest.h>

#include "MpException.h"

namespace {

// Collects the blocks in memory; can be told to refuse the next block.
class MemoryRecordWriter : public RecordWriter {
public:
    explicit MemoryRecordWriter(int32_t recordLength) : RecordWriter(recordLength) {}
    ~MemoryRecordWriter() override { CloseQuietly(); }

    std::string bytes;
    int blocks = 0;
    bool refuse = false;
    bool closed = false;

protected:
    void WriteBlock(const char* data, int64_t count) override {
        if (refuse) throw MpException("disk full");
        bytes.append(data, static_cast<size_t>(count));
        ++blocks;
    }
    void CloseFile() override { closed = true; }
};

}  // namespace

TEST(RecordWriter, PadsOrCutsEveryRecordAndEndsItWithCrLf) {
    MemoryRecordWriter writer(5);
    writer.WriteRecord("abcdefgh", 8);
    writer.WriteRecord("ab", 2);
    writer.WriteRecord("abcde", 5);
    writer.WriteRecord("", 0);
    writer.Close();
    EXPECT_EQ("abcde\r\nab   \r\nabcde\r\n     \r\n", writer.bytes);
    EXPECT_TRUE(writer.closed);
}

TEST(RecordWriter, PadsRecordsOfSixtyFiveThousandBytesAndMore) {
    for (int32_t length : {65535, 65536, 99999}) {
        MemoryRecordWriter writer(length);
        writer.WriteRecord("x", 1);
        writer.WriteRecord("y", 1);
        writer.Close();
        std::string record = std::string("x") + std::string(static_cast<size_t>(length) - 1, ' ') + "\r\n";
        std::string next = std::string("y") + std::string(static_cast<size_t>(length) - 1, ' ') + "\r\n";
        EXPECT_EQ(record + next, writer.bytes) << length;
    }
}

TEST(RecordWriter, HandsOverLargeBlocksOnly) {
    MemoryRecordWriter writer(80);
    for (int i = 0; i < 10000; ++i) writer.WriteRecord("line", 4);
    writer.Close();
    EXPECT_EQ(10000u * 82u, writer.bytes.size());
    EXPECT_LE(writer.blocks, 4);
}

TEST(RecordWriter, CloseReportsAFailedBlockAndStillClosesTheFile) {
    MemoryRecordWriter writer(3);
    writer.WriteRecord("abc", 3);
    writer.refuse = true;
    try {
        writer.Close();
        FAIL() << "no failure";
    } catch (MpException& e) {
        EXPECT_STREQ("disk full", e.GetErrorMessage());
    }
    EXPECT_TRUE(writer.closed);
}
