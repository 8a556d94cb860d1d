// Library start-up and shutdown: the process-wide state that the library sets up when the
// program's main window is created and takes down when it closes.
//
// This build carries no database engine, so of the start-up only the choice of the operating
// system's lock calls (the I/O layer's capability word) remains, and of the shutdown only the
// release of the allocation reserve. Both run once per process on the window thread.
#pragma once

// Sets MpIOSystem's capability word (MpIOSystem::SetOSCapabilities). Catches nothing: a failure
// such as "Could not retrieve OS version -- " reaches the caller.
void MpLibraryStartup();

// Frees the allocation reserve. The capability word keeps its value.
void MpLibraryShutdown() noexcept;
