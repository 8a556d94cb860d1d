// Windows has no broken-pipe signal: a write to a pipe that nobody reads fails instead. The
// file calls report such a failure here, and it is recorded as the broken-pipe signal would be
// on Linux (when the stop signals are caught and none came before), so that a program ends the
// same way on both systems.
#pragma once

void MpPlatformRecordBrokenPipe();
