// The one place that reads the operating system's last error code and its text.
//
// On Linux the last error is the calling thread's errno and its text comes from strerror_r.
// Nothing else in the library touches errno directly for reporting purposes; the exception
// classes (lib/base/MpException) call these functions to append the system text to a message.
// This folder depends on nothing in lib/base.
#pragma once

#include <cstddef>

// Size of the buffer that MpPlatformErrorText fills (the size of the system message buffer).
constexpr std::size_t kMpPlatformErrorTextSize = 4096;

// The calling thread's last operating-system error code (errno on Linux).
int MpPlatformLastError();

// Sets the calling thread's last operating-system error code (tests use it to pick the text).
void MpPlatformSetLastError(int iCode);

// The system's codes for two failures that the I/O layer finds before asking the system: a
// write to a file open for reading only (EBADF on Linux) and a seek on a pipe (ESPIPE).
int MpPlatformNotOpenForWritingError();
int MpPlatformCannotSeekError();

// Writes the operating system's text for iCode, zero-terminated, into pBuffer of ulBufferSize
// bytes. Returns false, with pBuffer holding the empty text (when ulBufferSize > 0), when the
// system has no text for the code or the text does not fit.
// REQUIRES: pBuffer != nullptr or ulBufferSize == 0. Never changes the last error code.
bool MpPlatformErrorText(int iCode, char* pBuffer, std::size_t ulBufferSize);
