// The file a program's forced end removes (see MpPlatformRemoveOnForcedEnd), kept alike on
// every system; each system's stop-signal handler calls MpPlatformRemoveForcedEndFile when the
// user asked twice.
#pragma once

// Removes the registered file if it is still the one its descriptor has open. Safe in a
// signal handler and on any thread; keeps errno.
void MpPlatformRemoveForcedEndFile();
