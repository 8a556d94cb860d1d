// MpIOSystem: the process-wide capability word that decides which operating-system lock calls
// the byte-range locks use. Written once by the library start-up (SetOSCapabilities), before
// any file is locked, and only read afterwards.
#pragma once

class MpIOSystem {
public:
    // Bit that says the extended lock calls are available: shared and exclusive locks with
    // 64-bit ranges and an immediate-failure option. Without it the older exclusive-only calls
    // are used, on the low 32 bits of each range.
    static constexpr int kExtendedLocks = 2;

    // 0 until SetOSCapabilities runs, then 7 on this platform (1 on systems that only have the
    // older lock calls). Tests may set it to pick a lock path; they restore it afterwards.
    static int OSCapabilities;

    // Asks the operating system and sets OSCapabilities. Raises "Could not retrieve OS version
    // -- " + system text (class "MpIOSystem") when the query fails.
    // Call-path entry "SetOSCapabilities()" of "MpIOSystem".
    static void SetOSCapabilities();

    static bool HasExtendedLocks() { return (OSCapabilities & kExtendedLocks) != 0; }
};
