#include "RecordWriter.h"

#include <string>

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

}  // namespace lathwell
