#include "RecordWriter.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "MpException.h"

namespace lathwell {

namespace {

// Collects the blocks in memory; can be told to refuse the next block.
class MemoryRecordWriter : public RecordWriter {
public:
    explicit MemoryRecordWriter(int32_t recordLength) : RecordWriter(recordLength) {}
    ~MemoryRecordWriter() override { CloseQuietly(); }

    std::string bytes;
    std::vector<int64_t> blockSizes;
    int blocks = 0;
    bool refuse = false;
    bool closed = false;

protected:
    void WriteBlock(const char* data, int64_t count) override {
        if (refuse) throw MpException("disk full");
        bytes.append(data, static_cast<size_t>(count));
        blockSizes.push_back(count);
        ++blocks;
    }
    void CloseFile() override { closed = true; }
};

}  // namespace

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

// Texts shorter and longer than the record, around the writer's move sizes; records cross the
// ends of blocks, and one record is longer than a block; every block but the last is a whole
// number of 4 KiB pages, so each write covers whole pages of the file.
TEST(RecordWriter, RecordsCrossBlockEndsAndBlocksAreWholePages) {
    for (auto [length, records] : {std::pair{1, 300}, std::pair{15, 300}, std::pair{16, 300}, std::pair{33, 30000},
                                   std::pair{1000, 600}, std::pair{300000, 20}}) {
        MemoryRecordWriter writer(length);
        std::string expected;
        for (int i = 0; i < records; ++i) {
            std::string text(static_cast<size_t>(i % 41), static_cast<char>('a' + i % 26));
            writer.WriteRecord(text.data(), static_cast<int32_t>(text.size()));
            text.resize(static_cast<size_t>(length), ' ');
            expected += text + "\r\n";
        }
        writer.Close();
        EXPECT_EQ(expected, writer.bytes) << length;
        for (size_t i = 0; i + 1 < writer.blockSizes.size(); ++i) EXPECT_EQ(0, writer.blockSizes[i] % 4096) << i;
    }
}

}  // namespace lathwell

namespace lathwell {

TEST(RecordWriter, EndsEachRecordAsToldAndTakesLinesOfText) {
    const struct {
        RecordEnd end;
        const char* bytes;
    } cases[] = {
        {RecordEnd::CrLf, "ab \r\nabc\r\nx,y\n"},
        {RecordEnd::Lf, "ab \nabc\nx,y\n"},
        {RecordEnd::None, "ab abcx,y\n"},
    };
    for (const auto& c : cases) {
        MemoryRecordWriter writer(3);
        writer.SetRecordEnd(c.end);
        writer.WriteRecord("ab", 2);
        std::memcpy(writer.NextRecord(), "abc", 3);
        writer.CommitRecord();
        std::memcpy(writer.NextRecord(), "x,y\n", 4);
        writer.CommitBytes(4);
        writer.Close();
        EXPECT_EQ(writer.bytes, c.bytes) << static_cast<int>(c.end);
    }
}

}  // namespace lathwell
