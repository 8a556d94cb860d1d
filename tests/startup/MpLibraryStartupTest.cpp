#include <gtest/gtest.h>

#include "MpAlloc.h"
#include "MpIOSystem.h"
#include "MpLibraryStartup.h"

namespace {

TEST(MpLibraryStartup, StartupChoosesTheExtendedLockCalls) {
    MpLibraryStartup();
    EXPECT_EQ(7, MpIOSystem::OSCapabilities);
}

TEST(MpLibraryStartup, ShutdownReleasesTheReserveAndKeepsTheCapabilities) {
    MpLibraryStartup();
    delete[] MpAllocate(16);
    ASSERT_TRUE(MpHasAllocationReserve());
    MpLibraryShutdown();
    EXPECT_FALSE(MpHasAllocationReserve());
    EXPECT_EQ(7, MpIOSystem::OSCapabilities);
}

}  // namespace
