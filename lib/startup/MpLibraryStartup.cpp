#include "MpLibraryStartup.h"

#include "MpAlloc.h"
#include "MpIOSystem.h"

void MpLibraryStartup() { MpIOSystem::SetOSCapabilities(); }

void MpLibraryShutdown() noexcept { MpReleaseAllocationReserve(); }
