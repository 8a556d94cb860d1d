// MpAllocate, the allocation reserve, MpAllocator and the failure seam.
#include <memory>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "MpAlloc.h"
#include "MpException.h"
#include "MpResizableChunk.h"

namespace {

// Every test starts without a reserve and leaves none behind.
class MpAllocTest : public ::testing::Test {
protected:
    void SetUp() override { MpReleaseAllocationReserve(); }
    void TearDown() override { MpReleaseAllocationReserve(); }
};

}  // namespace

TEST_F(MpAllocTest, BlockStartsAsEmptyCString) {
    std::unique_ptr<char[]> block(MpAllocate(10));
    ASSERT_NE(nullptr, block.get());
    EXPECT_EQ('\0', block[0]);
}

TEST_F(MpAllocTest, ZeroSizeGivesAValidBlock) {
    std::unique_ptr<char[]> block(MpAllocate(0));
    EXPECT_NE(nullptr, block.get());
    EXPECT_TRUE(MpHasAllocationReserve());
}

TEST_F(MpAllocTest, FirstSuccessCreatesTheReserve) {
    EXPECT_FALSE(MpHasAllocationReserve());
    delete[] MpAllocate(1);
    EXPECT_TRUE(MpHasAllocationReserve());
}

TEST_F(MpAllocTest, NegativeSizeRaisesAndLeavesNoReserve) {
    delete[] MpAllocate(1);
    ASSERT_TRUE(MpHasAllocationReserve());
    try {
        MpAllocate(-1);
        FAIL() << "no exception";
    } catch (MpMemoryException& e) {
        EXPECT_STREQ("Bad memory allocation request - tried to allocate -1 bytes.", e.GetErrorMessage());
        EXPECT_STREQ("", e.GetClassName());
        EXPECT_STREQ("", e.GetCallpath());
    }
    EXPECT_FALSE(MpHasAllocationReserve());
}

TEST_F(MpAllocTest, OutOfMemoryReleasesTheReserveAndTheNextSuccessRecreatesIt) {
    delete[] MpAllocate(1);
    ASSERT_TRUE(MpHasAllocationReserve());
    {
        MpAllocationFailureScope failBig(1000000);
        try {
            MpAllocate(2000000);
            FAIL() << "no exception";
        } catch (MpException& e) {
            EXPECT_STREQ("Out of memory - tried to allocate 2000000 bytes.", e.GetErrorMessage());
            EXPECT_STREQ("", e.GetClassName());
            EXPECT_STREQ("", e.GetCallpath());
        }
        EXPECT_FALSE(MpHasAllocationReserve());
    }
    delete[] MpAllocate(16);
    EXPECT_TRUE(MpHasAllocationReserve());
}

TEST_F(MpAllocTest, OutOfMemoryIsABadAlloc) {
    MpAllocationFailureScope failAll(0);
    EXPECT_THROW(MpAllocate(8), std::bad_alloc);
}

TEST_F(MpAllocTest, MissingReserveFailsTheRequest) {
    // The block would fit, the 32000-byte reserve would not: the request fails as a whole.
    MpAllocationFailureScope failReserve(kMpAllocationReserveSize);
    try {
        MpAllocate(100);
        FAIL() << "no exception";
    } catch (MpMemoryException& e) {
        EXPECT_STREQ("Out of memory - tried to allocate 100 bytes.", e.GetErrorMessage());
    }
    EXPECT_FALSE(MpHasAllocationReserve());
}

TEST_F(MpAllocTest, FailureScopesNestAndRestore) {
    {
        MpAllocationFailureScope outer(100);
        EXPECT_TRUE(MpAllocationMustFail(100));
        EXPECT_FALSE(MpAllocationMustFail(99));
        {
            MpAllocationFailureScope inner(10);
            EXPECT_TRUE(MpAllocationMustFail(10));
        }
        EXPECT_FALSE(MpAllocationMustFail(10));
    }
    EXPECT_FALSE(MpAllocationMustFail(2000000000));
}

TEST_F(MpAllocTest, ReleaseIsIdempotent) {
    delete[] MpAllocate(1);
    MpReleaseAllocationReserve();
    MpReleaseAllocationReserve();
    EXPECT_FALSE(MpHasAllocationReserve());
}

TEST_F(MpAllocTest, AllocatorGoesThroughMpAllocate) {
    std::vector<int, MpAllocator<int>> values;
    for (int i = 0; i < 1000; ++i) values.push_back(i);
    EXPECT_EQ(999, values.back());
    EXPECT_TRUE(MpHasAllocationReserve());

    MpAllocationFailureScope failBig(4000);
    try {
        values.reserve(100000);
        FAIL() << "no exception";
    } catch (MpMemoryException& e) {
        EXPECT_STREQ("Out of memory - tried to allocate 400000 bytes.", e.GetErrorMessage());
    }
    EXPECT_EQ(1000u, values.size()) << "a failed growth keeps the elements";
}

TEST_F(MpAllocTest, ChunkResizeFailureReleasesTheReserve) {
    delete[] MpAllocate(1);
    MpResizableChunk chunk(10, 'a');
    MpAllocationFailureScope failBig(1000);
    EXPECT_THROW(chunk.Resize(5000), MpMemoryException);
    EXPECT_FALSE(MpHasAllocationReserve());
}
