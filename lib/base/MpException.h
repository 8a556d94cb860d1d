// MpException and its subclasses.
//
// Every failure in the library is reported by throwing an MpException (or a subclass) by value;
// handlers catch by reference. An exception carries:
//   - a message (what the user sees; never null, empty when not set),
//   - a class name (the class or free-function group that raised it; empty when not given),
//   - a call path: entries "Method of Class", separated by "\r\n", innermost first,
//   - a level byte (0 ordinary, 3 for not-implemented, cancellation and streaming failures).
// The three strings are heap arrays owned by the exception.
//
// Pass-through convention used by every library method with a failure path:
//
//   try { ... }
//   catch (MpException& e) { e.AddCallpath("Find()", "MpString"); throw; }
//
// Only MpException is caught; other exception types pass untouched.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <new>

#if defined(__GNUC__) || defined(__clang__)
#define MP_PRINTF_FORMAT(formatIndex, firstArgument) \
    __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define MP_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

class MpException {
public:
    // Three empty strings, level 0.
    MpException();
    // Sets the message (null leaves it empty); the class name stays empty.
    explicit MpException(const char* pMessage);
    // Sets message and class name; either may be null, which leaves that string empty.
    MpException(const char* pMessage, const char* pClassName);
    // Message formatted from (pFormat, args) as SetErrorMessage does; class name when not null.
    MpException(va_list args, const char* pFormat, const char* pClassName, uint8_t ucLevel);
    // Same with a variable argument list after (format, class name, level). The level is an
    // int only because va_start needs a non-promoted last parameter; it is stored as a byte.
    MpException(const char* pFormat, const char* pClassName, int iLevel, ...)
        MP_PRINTF_FORMAT(2, 5);
    // Converts a standard exception at a library boundary: its what() becomes the message,
    // the class name is set, and the call-path entry (pMethod, pClassName) is added.
    MpException(const std::exception& standard, const char* pMethod, const char* pClassName);
    MpException(const MpException& other);
    MpException& operator=(const MpException& other);

    // Virtual operations, in the library's slot order: GetErrorMessage, then the destructor.
    // The message; never null.
    virtual const char* GetErrorMessage() const;
    virtual ~MpException();

    // --- Queries.
    // The call path text; never null.
    const char* GetCallpath() const;
    // The class name; never null.
    const char* GetClassName() const;
    uint8_t GetLevel() const;

    // --- Changes that never throw (safe while an exception is in flight).
    // Appends one entry "M of C (D)" (each part only when not null), preceded by "\r\n" when
    // the call path is not empty. On allocation failure the call path stays as it was.
    void AddCallpath(const char* pMethod, const char* pClassName, const char* pDetail = nullptr) noexcept;
    // Replaces the message by printf-style formatting. A null format, or the message's own
    // buffer as format, empties the message. On allocation failure the message stays as it was.
    void SetErrorMessage(const char* pFormat, ...) noexcept MP_PRINTF_FORMAT(2, 3);
    void SetErrorMessageV(const char* pFormat, va_list args) noexcept;
    // Adds the system's text for the calling thread's last error: before the message when
    // bPrepend is set, after it otherwise, with no separator. Without a system text the message
    // is left unchanged.
    void AddSystemErrorText(bool bPrepend) noexcept;

    // --- Plain setters (ordinary allocation; may throw std::bad_alloc).
    // Null makes the message empty.
    void SetMessage(const char* pMessage);
    // Null, or the current class name's own buffer, empties the class name.
    void SetClassName(const char* pClassName);
    // Null, or the current call path's own buffer, empties the call path.
    void SetCallpath(const char* pCallpath);
    void SetLevel(uint8_t ucLevel);

    // --- Raising operations. Each builds the exception (level 0) and throws it. None adds a
    // call-path entry.
    [[noreturn]] static void Raise(const char* pMessage, const char* pClassName);
    [[noreturn]] static void RaiseFormatted(const char* pFormat, const char* pClassName, ...)
        MP_PRINTF_FORMAT(1, 3);
    // The message unchanged, then AddSystemErrorText(bPrepend). The last error is read before
    // anything else can change it.
    [[noreturn]] static void RaiseWithSystemError(const char* pMessage, bool bPrepend,
                                                  const char* pClassName);
    [[noreturn]] static void RaiseFormattedWithSystemError(const char* pFormat, bool bPrepend,
                                                           const char* pClassName, ...)
        MP_PRINTF_FORMAT(1, 4);

private:
    char* m_pMessage;
    char* m_pClassName;
    char* m_pCallpath;
    uint8_t m_ucLevel;
};

// A failure tied to a file; the file name is empty when not given.
class MpFileException : public virtual MpException {
public:
    MpFileException(const char* pMessage = nullptr, const char* pClassName = nullptr,
                    const char* pFileName = nullptr);
    MpFileException(const MpFileException& other);
    MpFileException& operator=(const MpFileException& other);
    ~MpFileException() override;

    const char* GetFileName() const;       // never null
    void SetFileName(const char* pFileName);  // null empties it

    [[noreturn]] static void Raise(const char* pMessage, const char* pClassName,
                                   const char* pFileName);
    [[noreturn]] static void RaiseFormatted(const char* pFormat, const char* pClassName,
                                            const char* pFileName, ...) MP_PRINTF_FORMAT(1, 4);

private:
    char* m_pFileName;
};

// A failure tied to a record length (raised only by the database engine's record readers).
class MpLRECLException : public virtual MpFileException, public virtual MpException {
public:
    MpLRECLException(const char* pMessage = nullptr, const char* pClassName = nullptr,
                     const char* pFileName = nullptr, int32_t lRecordLength = 0);
    MpLRECLException(const MpLRECLException& other);
    MpLRECLException& operator=(const MpLRECLException& other) = default;
    ~MpLRECLException() override;

    int32_t GetRecordLength() const;

    [[noreturn]] static void Raise(const char* pMessage, const char* pClassName,
                                   const char* pFileName, int32_t lRecordLength);

private:
    int32_t m_lRecordLength;
};

// Level 3.
class MpNotImplementedError : public virtual MpException {
public:
    MpNotImplementedError(const char* pMessage = nullptr, const char* pClassName = nullptr);
    MpNotImplementedError(const MpNotImplementedError& other);
    ~MpNotImplementedError() override;

    [[noreturn]] static void Raise(const char* pFormat, const char* pClassName, ...)
        MP_PRINTF_FORMAT(1, 3);
};

// Out of memory: both a std::bad_alloc and an MpException, so a handler for either catches it.
// Message only, no class name, level 0. what() returns the message.
class MpMemoryException : public std::bad_alloc, public virtual MpException {
public:
    explicit MpMemoryException(const char* pMessage = nullptr);
    MpMemoryException(const MpMemoryException& other);
    ~MpMemoryException() override;

    const char* what() const noexcept override;
};

// A failed open, delete or create by name; class name always "MpIO", level 0.
class MpFileOpenFailedException : public virtual MpException {
public:
    explicit MpFileOpenFailedException(const char* pMessage = nullptr);
    MpFileOpenFailedException(const MpFileOpenFailedException& other);
    ~MpFileOpenFailedException() override;
};

// Raised by the tokenizer: message and class name, level 0.
class MpStringTokenizerException : public virtual MpException {
public:
    MpStringTokenizerException(const char* pMessage = nullptr, const char* pClassName = nullptr);
    MpStringTokenizerException(const MpStringTokenizerException& other);
    ~MpStringTokenizerException() override;
};

// Level 3; base of the cancellation exceptions, so one handler catches every cancellation.
class MpCanceledException : public virtual MpException {
public:
    MpCanceledException(const char* pMessage = nullptr, const char* pClassName = nullptr);
    MpCanceledException(const MpCanceledException& other);
    ~MpCanceledException() override;
};

// Level 3; a cancelled file operation.
class MpIOCanceledException : public MpCanceledException, public virtual MpException {
public:
    MpIOCanceledException(const char* pMessage = nullptr, const char* pClassName = nullptr);
    MpIOCanceledException(const MpIOCanceledException& other);
    ~MpIOCanceledException() override;

    [[noreturn]] static void Raise(const char* pFormat, const char* pClassName, ...)
        MP_PRINTF_FORMAT(1, 3);
};

// Level 3, one flag byte; a typed stream read failure. MpException is NOT a
// virtual base here.
class MpIOStreamingException : public MpException {
public:
    MpIOStreamingException(const char* pMessage = nullptr, const char* pClassName = nullptr,
                           uint8_t ucFlag = 0);
    MpIOStreamingException(const MpIOStreamingException& other);
    MpIOStreamingException& operator=(const MpIOStreamingException& other) = default;
    ~MpIOStreamingException() override;

    uint8_t GetFlag() const;

    // iFlag is stored as a byte (int because va_start needs a non-promoted last parameter).
    [[noreturn]] static void Raise(const char* pFormat, const char* pClassName, int iFlag, ...)
        MP_PRINTF_FORMAT(1, 4);

private:
    uint8_t m_ucFlag;
};
