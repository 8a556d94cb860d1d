#include "MpException.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "MpPlatformError.h"

namespace {

// The shared empty text: a string field that is empty points here and is never freed, so that
// an exception with empty fields needs no allocation (it may be built while memory is short).
char g_empty[1] = {'\0'};

bool IsEmptySentinel(const char* p) { return p == g_empty; }

// A heap copy of pText (ordinary allocation, may throw std::bad_alloc); null or empty text gives
// the shared empty text.
char* CopyText(const char* pText) {
    if (pText == nullptr || pText[0] == '\0') return g_empty;
    std::size_t ulLength = std::strlen(pText);
    char* pCopy = new char[ulLength + 1];
    std::memcpy(pCopy, pText, ulLength + 1);
    return pCopy;
}

void FreeText(char* pText) {
    if (!IsEmptySentinel(pText)) delete[] pText;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// MpException

MpException::MpException() : m_pMessage(g_empty), m_pClassName(g_empty), m_pCallpath(g_empty), m_ucLevel(0) {}

MpException::MpException(const char* pMessage) : MpException() { SetMessage(pMessage); }

MpException::MpException(const char* pMessage, const char* pClassName) : MpException() {
    SetMessage(pMessage);
    SetClassName(pClassName);
}

MpException::MpException(va_list args, const char* pFormat, const char* pClassName, uint8_t ucLevel)
    : MpException() {
    SetErrorMessageV(pFormat, args);
    if (pClassName != nullptr) SetClassName(pClassName);
    m_ucLevel = ucLevel;
}

MpException::MpException(const char* pFormat, const char* pClassName, int iLevel, ...) : MpException() {
    va_list args;
    va_start(args, iLevel);
    SetErrorMessageV(pFormat, args);
    va_end(args);
    if (pClassName != nullptr) SetClassName(pClassName);
    m_ucLevel = static_cast<uint8_t>(iLevel);
}

MpException::MpException(const std::exception& standard, const char* pMethod, const char* pClassName)
    : MpException() {
    SetMessage(standard.what());
    SetClassName(pClassName);
    AddCallpath(pMethod, pClassName);
}

// Delegates first, so that when a copy fails the destructor frees what was copied so far.
MpException::MpException(const MpException& other) : MpException() {
    m_pMessage = CopyText(other.m_pMessage);
    m_pClassName = CopyText(other.m_pClassName);
    m_pCallpath = CopyText(other.m_pCallpath);
    m_ucLevel = other.m_ucLevel;
}

MpException& MpException::operator=(const MpException& other) {
    if (this != &other) {
        MpException copy(other);
        std::swap(m_pMessage, copy.m_pMessage);
        std::swap(m_pClassName, copy.m_pClassName);
        std::swap(m_pCallpath, copy.m_pCallpath);
        m_ucLevel = copy.m_ucLevel;
    }
    return *this;
}

MpException::~MpException() {
    FreeText(m_pMessage);
    FreeText(m_pClassName);
    FreeText(m_pCallpath);
}

const char* MpException::GetErrorMessage() const { return m_pMessage; }

const char* MpException::GetCallpath() const { return m_pCallpath; }

const char* MpException::GetClassName() const { return m_pClassName; }

uint8_t MpException::GetLevel() const { return m_ucLevel; }

void MpException::AddCallpath(const char* pMethod, const char* pClassName, const char* pDetail) noexcept {
    std::size_t ulPath = std::strlen(m_pCallpath);
    std::size_t ulMethod = pMethod != nullptr ? std::strlen(pMethod) : 0;
    std::size_t ulClass = pClassName != nullptr ? std::strlen(pClassName) : 0;
    std::size_t ulDetail = pDetail != nullptr ? std::strlen(pDetail) : 0;
    std::size_t ulSize = ulPath + ulMethod + ulClass + ulDetail + 32;
    char* pBuffer = new (std::nothrow) char[ulSize];
    if (pBuffer == nullptr) return;  // keep the previous call path
    char* p = pBuffer;
    std::memcpy(p, m_pCallpath, ulPath);
    p += ulPath;
    if (ulPath > 0) {
        std::memcpy(p, "\r\n", 2);
        p += 2;
    }
    if (pMethod != nullptr) {
        std::memcpy(p, pMethod, ulMethod);
        p += ulMethod;
    }
    if (pClassName != nullptr) {
        std::memcpy(p, " of ", 4);
        p += 4;
        std::memcpy(p, pClassName, ulClass);
        p += ulClass;
    }
    if (pDetail != nullptr) {
        std::memcpy(p, " (", 2);
        p += 2;
        std::memcpy(p, pDetail, ulDetail);
        p += ulDetail;
        *p++ = ')';
    }
    *p = '\0';
    FreeText(m_pCallpath);
    m_pCallpath = pBuffer;
}

void MpException::SetErrorMessage(const char* pFormat, ...) noexcept {
    va_list args;
    va_start(args, pFormat);
    SetErrorMessageV(pFormat, args);
    va_end(args);
}

void MpException::SetErrorMessageV(const char* pFormat, va_list args) noexcept {
    if (pFormat == nullptr || pFormat == m_pMessage) {
        FreeText(m_pMessage);
        m_pMessage = g_empty;
        return;
    }
    va_list measure;
    va_copy(measure, args);
    int iNeeded = std::vsnprintf(nullptr, 0, pFormat, measure);
    va_end(measure);
    if (iNeeded < 0) return;  // the C library refused the format: keep the message
    std::size_t ulNeeded = static_cast<std::size_t>(iNeeded);
    std::size_t ulCurrent = std::strlen(m_pMessage);
    if (ulNeeded > ulCurrent) {
        char* pBuffer = new (std::nothrow) char[ulNeeded + 1];
        if (pBuffer == nullptr) return;
        va_list print;
        va_copy(print, args);
        std::vsnprintf(pBuffer, ulNeeded + 1, pFormat, print);
        va_end(print);
        FreeText(m_pMessage);
        m_pMessage = pBuffer;
        return;
    }
    if (ulNeeded == 0) {
        m_pMessage[0] = '\0';  // the current buffer (possibly the shared empty text) is enough
        return;
    }
    // The current buffer is long enough and is reused. The arguments may point into it (for
    // example "%s (%s)" with the old message), so the text is built beside it first.
    char stackBuffer[256];
    char* pScratch = ulNeeded < sizeof stackBuffer ? stackBuffer : new (std::nothrow) char[ulNeeded + 1];
    if (pScratch == nullptr) return;
    va_list print;
    va_copy(print, args);
    std::vsnprintf(pScratch, ulNeeded + 1, pFormat, print);
    va_end(print);
    std::memcpy(m_pMessage, pScratch, ulNeeded + 1);
    if (pScratch != stackBuffer) delete[] pScratch;
}

void MpException::AddSystemErrorText(bool bPrepend) noexcept {
    int iCode = MpPlatformLastError();
    char systemText[kMpPlatformErrorTextSize];
    if (!MpPlatformErrorText(iCode, systemText, sizeof systemText)) return;  // message unchanged
    std::size_t ulMessage = std::strlen(m_pMessage);
    std::size_t ulSystem = std::strlen(systemText);
    std::size_t ulSize = ulMessage + ulSystem + 2;
    char* pBuffer = new (std::nothrow) char[ulSize];
    if (pBuffer == nullptr) return;
    if (bPrepend) {
        std::snprintf(pBuffer, ulSize, "%s%s", systemText, m_pMessage);
    } else {
        std::snprintf(pBuffer, ulSize, "%s%s", m_pMessage, systemText);
    }
    FreeText(m_pMessage);
    m_pMessage = pBuffer;
}

void MpException::SetMessage(const char* pMessage) {
    if (pMessage == m_pMessage) return;  // already this text
    char* pCopy = CopyText(pMessage);
    FreeText(m_pMessage);
    m_pMessage = pCopy;
}

void MpException::SetClassName(const char* pClassName) {
    char* pCopy = pClassName == m_pClassName ? g_empty : CopyText(pClassName);
    FreeText(m_pClassName);
    m_pClassName = pCopy;
}

void MpException::SetCallpath(const char* pCallpath) {
    char* pCopy = pCallpath == m_pCallpath ? g_empty : CopyText(pCallpath);
    FreeText(m_pCallpath);
    m_pCallpath = pCopy;
}

void MpException::SetLevel(uint8_t ucLevel) { m_ucLevel = ucLevel; }

void MpException::Raise(const char* pMessage, const char* pClassName) {
    throw MpException(pMessage, pClassName);
}

void MpException::RaiseFormatted(const char* pFormat, const char* pClassName, ...) {
    va_list args;
    va_start(args, pClassName);
    MpException exception(args, pFormat, pClassName, 0);
    va_end(args);
    throw exception;
}

void MpException::RaiseWithSystemError(const char* pMessage, bool bPrepend, const char* pClassName) {
    int iCode = MpPlatformLastError();  // before building the exception can disturb it
    MpException exception(pMessage, pClassName);
    MpPlatformSetLastError(iCode);
    exception.AddSystemErrorText(bPrepend);
    throw exception;
}

void MpException::RaiseFormattedWithSystemError(const char* pFormat, bool bPrepend, const char* pClassName, ...) {
    int iCode = MpPlatformLastError();
    va_list args;
    va_start(args, pClassName);
    MpException exception(args, pFormat, pClassName, 0);
    va_end(args);
    MpPlatformSetLastError(iCode);
    exception.AddSystemErrorText(bPrepend);
    throw exception;
}

// ---------------------------------------------------------------------------------------------
// MpFileException

MpFileException::MpFileException(const char* pMessage, const char* pClassName, const char* pFileName)
    : MpException(pMessage, pClassName), m_pFileName(CopyText(pFileName)) {}

MpFileException::MpFileException(const MpFileException& other)
    : MpException(other), m_pFileName(CopyText(other.m_pFileName)) {}

MpFileException& MpFileException::operator=(const MpFileException& other) {
    if (this != &other) {
        MpException::operator=(other);
        SetFileName(other.m_pFileName);
    }
    return *this;
}

MpFileException::~MpFileException() { FreeText(m_pFileName); }

const char* MpFileException::GetFileName() const { return m_pFileName; }

void MpFileException::SetFileName(const char* pFileName) {
    if (pFileName == m_pFileName) return;
    char* pCopy = CopyText(pFileName);
    FreeText(m_pFileName);
    m_pFileName = pCopy;
}

void MpFileException::Raise(const char* pMessage, const char* pClassName, const char* pFileName) {
    throw MpFileException(pMessage, pClassName, pFileName);
}

void MpFileException::RaiseFormatted(const char* pFormat, const char* pClassName, const char* pFileName, ...) {
    MpFileException exception(nullptr, pClassName, pFileName);
    va_list args;
    va_start(args, pFileName);
    exception.SetErrorMessageV(pFormat, args);
    va_end(args);
    throw exception;
}

// ---------------------------------------------------------------------------------------------
// MpLRECLException

MpLRECLException::MpLRECLException(const char* pMessage, const char* pClassName, const char* pFileName,
                                   int32_t lRecordLength)
    : MpException(pMessage, pClassName),
      MpFileException(pMessage, pClassName, pFileName),
      m_lRecordLength(lRecordLength) {}

MpLRECLException::MpLRECLException(const MpLRECLException& other)
    : MpException(other), MpFileException(other), m_lRecordLength(other.m_lRecordLength) {}

MpLRECLException::~MpLRECLException() {}

int32_t MpLRECLException::GetRecordLength() const { return m_lRecordLength; }

void MpLRECLException::Raise(const char* pMessage, const char* pClassName, const char* pFileName,
                             int32_t lRecordLength) {
    throw MpLRECLException(pMessage, pClassName, pFileName, lRecordLength);
}

// ---------------------------------------------------------------------------------------------
// MpNotImplementedError

MpNotImplementedError::MpNotImplementedError(const char* pMessage, const char* pClassName)
    : MpException(pMessage, pClassName) {
    SetLevel(3);
}

MpNotImplementedError::MpNotImplementedError(const MpNotImplementedError& other) : MpException(other) {}

MpNotImplementedError::~MpNotImplementedError() {}

void MpNotImplementedError::Raise(const char* pFormat, const char* pClassName, ...) {
    MpNotImplementedError exception(nullptr, pClassName);
    va_list args;
    va_start(args, pClassName);
    exception.SetErrorMessageV(pFormat, args);
    va_end(args);
    throw exception;
}

// ---------------------------------------------------------------------------------------------
// MpMemoryException

MpMemoryException::MpMemoryException(const char* pMessage) : MpException(pMessage), std::bad_alloc() {}

MpMemoryException::MpMemoryException(const MpMemoryException& other) : MpException(other), std::bad_alloc(other) {}

MpMemoryException::~MpMemoryException() {}

const char* MpMemoryException::what() const noexcept { return GetErrorMessage(); }

// ---------------------------------------------------------------------------------------------
// MpFileOpenFailedException

MpFileOpenFailedException::MpFileOpenFailedException(const char* pMessage) : MpException(pMessage, "MpIO") {}

MpFileOpenFailedException::MpFileOpenFailedException(const MpFileOpenFailedException& other) : MpException(other) {}

MpFileOpenFailedException::~MpFileOpenFailedException() {}

// ---------------------------------------------------------------------------------------------
// MpStringTokenizerException

MpStringTokenizerException::MpStringTokenizerException(const char* pMessage, const char* pClassName)
    : MpException(pMessage, pClassName) {}

MpStringTokenizerException::MpStringTokenizerException(const MpStringTokenizerException& other)
    : MpException(other) {}

MpStringTokenizerException::~MpStringTokenizerException() {}

// ---------------------------------------------------------------------------------------------
// MpCanceledException, MpIOCanceledException

MpCanceledException::MpCanceledException(const char* pMessage, const char* pClassName)
    : MpException(pMessage, pClassName) {
    SetLevel(3);
}

MpCanceledException::MpCanceledException(const MpCanceledException& other) : MpException(other) {}

MpCanceledException::~MpCanceledException() {}

MpIOCanceledException::MpIOCanceledException(const char* pMessage, const char* pClassName)
    : MpException(pMessage, pClassName), MpCanceledException(pMessage, pClassName) {
    SetLevel(3);
}

MpIOCanceledException::MpIOCanceledException(const MpIOCanceledException& other)
    : MpException(other), MpCanceledException(other) {}

MpIOCanceledException::~MpIOCanceledException() {}

void MpIOCanceledException::Raise(const char* pFormat, const char* pClassName, ...) {
    MpIOCanceledException exception(nullptr, pClassName);
    va_list args;
    va_start(args, pClassName);
    exception.SetErrorMessageV(pFormat, args);
    va_end(args);
    throw exception;
}

// ---------------------------------------------------------------------------------------------
// MpIOStreamingException

MpIOStreamingException::MpIOStreamingException(const char* pMessage, const char* pClassName, uint8_t ucFlag)
    : MpException(pMessage, pClassName), m_ucFlag(ucFlag) {
    SetLevel(3);
}

MpIOStreamingException::MpIOStreamingException(const MpIOStreamingException& other)
    : MpException(other), m_ucFlag(other.m_ucFlag) {}

MpIOStreamingException::~MpIOStreamingException() {}

uint8_t MpIOStreamingException::GetFlag() const { return m_ucFlag; }

void MpIOStreamingException::Raise(const char* pFormat, const char* pClassName, int iFlag, ...) {
    MpIOStreamingException exception(nullptr, pClassName, static_cast<uint8_t>(iFlag));
    va_list args;
    va_start(args, iFlag);
    exception.SetErrorMessageV(pFormat, args);
    va_end(args);
    throw exception;
}
