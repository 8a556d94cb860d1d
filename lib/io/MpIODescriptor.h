// MpIODescriptor: reads and writes in order on a descriptor that the caller opened (the
// process's standard input and output among them), and what can be asked of such a descriptor:
// whether it is a given file, whether it is a terminal, how much of a file is left to read.
//
// The object only names the descriptor: it never opens it, and closes it only when asked to. Transfers do not throw;
// a failure returns -1 (Read) or false (Write) with the system's error kept, so the caller
// raises its own message with MpException::RaiseFormattedWithSystemError, which appends the
// system's reason.
#pragma once

#include <cstdint>

class MpIODescriptor {
public:
    // The process's standard streams, open from its start and owned by the process.
    static constexpr int kStandardInput = 0;
    static constexpr int kStandardOutput = 1;
    static constexpr int kStandardError = 2;

    explicit MpIODescriptor(int iDescriptor) : m_iDescriptor(iDescriptor) {}

    int GetDescriptor() const { return m_iDescriptor; }

    // Reads up to lCount bytes at the descriptor's position, waiting until lCount bytes came or
    // the input ended. Returns the count read (0 at the end), or -1 on failure.
    int32_t Read(void* pBuffer, int32_t lCount) const;
    // Writes all llCount bytes at the descriptor's position. False when fewer were written.
    bool Write(const void* pBuffer, int64_t llCount) const;
    // The bytes of a file left from the descriptor's position; 0 for a pipe, a terminal or a
    // device, whose size is unknown.
    int64_t GetBytesLeft() const;
    // True when the descriptor is the file sPath (same device and inode), such as standard
    // input redirected from it; false when either cannot be examined.
    bool IsSameFile(const char* sPath) const;
    bool IsTerminal() const;
    // Closes the descriptor, for a caller that owns it (one made by MpIO::DuplicateDescriptor);
    // never for the standard streams. False when the system reports a failure.
    bool Close() const;

    // Lets a write to a pipe that nobody reads any more fail like any other write, instead of
    // ending the process. Process-wide, for programs that write to their standard output.
    static void IgnoreBrokenPipes();

private:
    int m_iDescriptor;
};
