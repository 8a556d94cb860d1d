#include "MpString.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "MpAlloc.h"
#include "MpPlatformMemory.h"

namespace {

const char kClass[] = "MpString";

// The library's growth cap for appends (a constant, not a setting).
constexpr uint64_t kGrowthCap = 1024;

// Sizes are signed 32-bit quantities. Every request of 2^31 bytes or more becomes negative here
// (its low 32 bits with the sign bit set, so 2^31 to 2^32 - 1 print as their 32-bit selves),
// and the sizing steps refuse it with their own messages instead of allocating: no larger
// request may shrink to a small positive size.
int32_t ToSize(uint64_t ullSize) {
    constexpr uint64_t kLimit = uint64_t{1} << 31;
    if (ullSize < kLimit) return static_cast<int32_t>(ullSize);
    return static_cast<int32_t>(static_cast<uint32_t>(ullSize) | static_cast<uint32_t>(kLimit));
}

// a + b, or the largest count when the sum does not fit: still a size that ToSize refuses.
uint64_t SizeSum(uint64_t ullFirst, uint64_t ullSecond) {
    return ullFirst > UINT64_MAX - ullSecond ? UINT64_MAX : ullFirst + ullSecond;
}

int32_t AsInt(uint32_t ulValue) { return static_cast<int32_t>(ulValue); }

bool PointsInto(const char* p, const MpResizableChunk& chunk) {
    const char* pBlock = chunk.AsPtr();
    if (pBlock == nullptr || p == nullptr) return false;
    std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p);
    std::uintptr_t b = reinterpret_cast<std::uintptr_t>(pBlock);
    return a >= b && a < b + static_cast<std::uintptr_t>(chunk.GetSize());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction, assignment, access

MpString::MpString(const char* pString) : m_chunk(), m_ulBlockSize(32) {
    Init(32);
    if (pString != nullptr) Copy(pString);
}

MpString::MpString(char c) : m_chunk(), m_ulBlockSize(32) {
    Init(32);
    char text[2] = {c, '\0'};
    Copy(text);
}

MpString::MpString(const MpString& other) : m_chunk(other.m_chunk), m_ulBlockSize(other.m_ulBlockSize) {}

MpString& MpString::operator=(const MpString& other) {
    if (this != &other) {
        m_chunk = other.m_chunk;  // the capacity becomes the source's, smaller or larger
        m_ulBlockSize = other.m_ulBlockSize;
    }
    return *this;
}

MpString& MpString::operator=(const char* pString) { return Copy(pString); }

MpString& MpString::operator=(int32_t lValue) {
    Clear();
    return Append(lValue);
}

MpString& MpString::operator=(int64_t llValue) {
    Clear();
    return Append(llValue);
}

MpString::~MpString() {}

MpString* MpString::Clone() const { return new MpString(*this); }

void MpString::Init(uint32_t ulBlockSize) {
    uint32_t ulOldBlockSize = m_ulBlockSize;
    try {
        m_ulBlockSize = ulBlockSize;
        ResizeStringBuffer(m_chunk, AsInt(ulBlockSize));
        Clear();
    } catch (MpException& e) {
        m_ulBlockSize = ulOldBlockSize;  // a refused block size is not kept
        e.AddCallpath("Init()", kClass);
        throw;
    }
}

uint32_t MpString::GetLength() const noexcept { return static_cast<uint32_t>(std::strlen(m_chunk.AsPtr())); }

char MpString::GetCharAt(uint32_t ulIndex) const {
    try {
        uint32_t ulLength = GetLength();
        if (ulIndex >= ulLength) {
            MpException::RaiseFormatted("index (value=%d) is out of range, [%d, %d]", kClass, AsInt(ulIndex), 0,
                                        AsInt(ulLength) - 1);
        }
        return m_chunk.AsPtr()[ulIndex];
    } catch (MpException& e) {
        e.AddCallpath("GetCharAt", kClass);
        throw;
    }
}

void MpString::SetCharAt(uint32_t ulIndex, char c) {
    try {
        uint32_t ulLength = GetLength();
        if (ulIndex >= ulLength) {
            MpException::RaiseFormatted("index (value=%d) is out of range, [%d, %d]", kClass, AsInt(ulIndex), 0,
                                        AsInt(ulLength) - 1);
        }
        m_chunk.AsPtr()[ulIndex] = c;
    } catch (MpException& e) {
        e.AddCallpath("SetCharAt()", kClass);
        throw;
    }
}

MpString& MpString::Clear() {
    *m_chunk.AsPtrAtOffset<char>(0) = '\0';
    return *this;
}

// ---------------------------------------------------------------------------------------------
// Appending

void MpString::AppendRaw(const char* pText, std::size_t ulCount, uint32_t ulLength) {
    uint32_t ulCapacity = GetCapacity();
    uint32_t ulFree = ulCapacity - ulLength - 1;
    if (ulCount > ulFree) {
        uint64_t ullCurrent = ulCapacity < kGrowthCap ? ulCapacity : kGrowthCap;
        uint64_t ullHalf = ulCount / 2 < kGrowthCap ? ulCount / 2 : kGrowthCap;
        uint64_t ullByText = SizeSum(ulCount, ullHalf);
        uint64_t ullGrowth = ullCurrent > ullByText ? ullCurrent : ullByText;
        // The text may lie inside this string's own block, which the growth may move.
        bool bOwn = PointsInto(pText, m_chunk);
        std::ptrdiff_t offset = bOwn ? pText - m_chunk.AsPtr() : 0;
        ResizeStringBuffer(m_chunk, ToSize(SizeSum(ulCapacity, ullGrowth)));
        if (bOwn) pText = m_chunk.AsPtr() + offset;
    }
    char* pEnd = m_chunk.AsPtr() + ulLength;
    std::memmove(pEnd, pText, ulCount);
    pEnd[ulCount] = '\0';
}

MpString& MpString::Append(const char* pString) {
    try {
        if (pString == nullptr) MpException::Raise("null pointer: pString", kClass);
        AppendRaw(pString, std::strlen(pString), GetLength());
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Append(char *)", kClass);
        throw;
    }
}

MpString& MpString::AppendBytes(const char* pBytes, uint32_t ulCount) {
    try {
        if (pBytes == nullptr && ulCount > 0) MpException::Raise("null pointer: pString", kClass);
        if (ulCount > 0) AppendRaw(pBytes, ulCount, GetLength());
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Append(char *)", kClass);
        throw;
    }
}

MpString& MpString::Append(const MpString& sString) {
    if (&sString == this) return *this;
    return Append(sString.GetCString());
}

MpString& MpString::Append(char c) {
    if (c == '\0') return *this;
    try {
        AppendRaw(&c, 1, GetLength());
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Append(char *)", kClass);
        throw;
    }
}

template <class N>
MpString& MpString::AppendNumber(const char* pFormat, N value, const char* pMethod) {
    try {
        // Sized first, so that no value can overflow the local buffer (a double of 1e308 prints
        // 316 characters); a longer text gets a buffer of its own.
        char local[64];
        int iNeeded = std::snprintf(local, sizeof local, pFormat, value);
        if (iNeeded < 0) {
            MpException::RaiseFormatted("error encountered in call to 'vsnprintf' with format string, \"%s\".", kClass,
                                        pFormat);
        }
        if (static_cast<std::size_t>(iNeeded) < sizeof local) {
            Append(MpDeblank(local, true, true));
        } else {
            std::unique_ptr<char[]> text(MpAllocate(iNeeded + 1));
            std::snprintf(text.get(), static_cast<std::size_t>(iNeeded) + 1, pFormat, value);
            Append(MpDeblank(text.get(), true, true));
        }
        return *this;
    } catch (MpException& e) {
        e.AddCallpath(pMethod, kClass);
        throw;
    }
}

#if defined(__GNUC__) || defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif

MpString& MpString::Append(int16_t sValue) { return AppendNumber("%-d", static_cast<int>(sValue), "Append(short)"); }
MpString& MpString::Append(int32_t lValue) { return AppendNumber("%-d", static_cast<int>(lValue), "Append(int)"); }
MpString& MpString::Append(int64_t llValue) {
    return AppendNumber("%-lld", static_cast<long long>(llValue), "Append(long)");
}
MpString& MpString::Append(uint16_t usValue) {
    return AppendNumber("%-hu", static_cast<unsigned int>(usValue), "Append(unsigned short)");
}
MpString& MpString::Append(uint32_t ulValue) {
    return AppendNumber("%-u", static_cast<unsigned int>(ulValue), "Append(unsigned int)");
}
MpString& MpString::Append(uint64_t ullValue) {
    return AppendNumber("%-llu", static_cast<unsigned long long>(ullValue), "Append(unsigned long)");
}
MpString& MpString::Append(double dValue) { return AppendNumber("%-lf", dValue, "Append(double)"); }

#if defined(__GNUC__) || defined(__clang__)
#pragma GCC diagnostic pop
#endif

MpString& MpString::operator<<(MpStringManipulator manipulator) {
    switch (manipulator) {
        case EmptyString:
            return Clear();
        case EndLine:
            return Append("\r\n");
    }
    return *this;  // any other value does nothing
}

// ---------------------------------------------------------------------------------------------
// Comparison

bool MpString::operator==(const MpString& other) const noexcept {
    return std::strcmp(GetCString(), other.GetCString()) == 0;
}

bool MpString::operator==(const char* pString) const noexcept {
    return pString != nullptr && std::strcmp(GetCString(), pString) == 0;
}

bool MpString::operator<(const MpString& other) const noexcept {
    // strcmp compares the bytes as unsigned char values.
    return std::strcmp(GetCString(), other.GetCString()) < 0;
}

bool MpString::BeginsWith(const char* sString) const {
    try {
        if (sString == nullptr) MpException::Raise("null pointer: sString", kClass);
        std::size_t ulCount = std::strlen(sString);
        // A shorter text differs at its terminator, so strncmp also covers the length test.
        return std::strncmp(GetCString(), sString, ulCount) == 0;
    } catch (MpException& e) {
        e.AddCallpath("BeginsWith()", kClass);
        throw;
    }
}

bool MpString::EndsWith(const char* sString) const {
    try {
        if (sString == nullptr) MpException::Raise("null pointer: sString", kClass);
        std::size_t ulLength = GetLength();
        std::size_t ulCount = std::strlen(sString);
        if (ulLength < ulCount) return false;
        return std::memcmp(GetCString() + (ulLength - ulCount), sString, ulCount) == 0;
    } catch (MpException& e) {
        e.AddCallpath("EndsWith()", kClass);
        throw;
    }
}

bool MpString::EndsWith(char c) const {
    char text[2] = {c, '\0'};
    return EndsWith(text);
}

// ---------------------------------------------------------------------------------------------
// Search

int32_t MpString::Find(const char* sString, uint32_t ulStart, bool bReverse) const {
    try {
        if (sString == nullptr) MpException::Raise("null pointer: sString", kClass);
        uint32_t ulLength = GetLength();
        if (ulStart > ulLength) {
            MpException::RaiseFormatted("lStart (value=%d) is past end of string (length=%d)", kClass, AsInt(ulStart),
                                        AsInt(ulLength));
        }
        std::size_t ulCount = std::strlen(sString);
        // An empty sought text is found at lStart, once, in either direction.
        if (ulCount == 0) return AsInt(ulStart);
        std::size_t ulRest = ulLength - ulStart;
        if (ulCount > ulRest) return -1;
        const char* pText = GetCString();
        if (!bReverse) {
            const void* pMatch = MpPlatformFindBytes(pText + ulStart, ulRest, sString, ulCount);
            return pMatch == nullptr ? -1 : static_cast<int32_t>(static_cast<const char*>(pMatch) - pText);
        }
        // Reverse: the last occurrence that begins at or after lStart (matches may overlap),
        // found by walking the candidate first bytes from the back.
        const char* pFirst = pText + ulStart;
        std::size_t ulCandidates = ulRest - ulCount + 1;  // possible start positions
        while (ulCandidates > 0) {
            const void* pHit = MpPlatformFindLastByte(pFirst, static_cast<unsigned char>(sString[0]), ulCandidates);
            if (pHit == nullptr) return -1;
            const char* pAt = static_cast<const char*>(pHit);
            if (std::memcmp(pAt, sString, ulCount) == 0) return static_cast<int32_t>(pAt - pText);
            ulCandidates = static_cast<std::size_t>(pAt - pFirst);
        }
        return -1;
    } catch (MpException& e) {
        e.AddCallpath("Find()", kClass);
        throw;
    }
}

int32_t MpString::Find(const MpString& sString, uint32_t ulStart, bool bReverse) const {
    return Find(sString.GetCString(), ulStart, bReverse);
}

int32_t MpString::Find(char c, uint32_t ulStart, bool bReverse) const {
    char text[2] = {c, '\0'};
    return Find(text, ulStart, bReverse);
}

// ---------------------------------------------------------------------------------------------
// Editing

MpString& MpString::Copy(const char* pString) {
    try {
        if (pString == nullptr) {
            *m_chunk.AsPtrAtOffset<char>(0) = '\0';
            return *this;
        }
        std::size_t ulCount = std::strlen(pString);
        if (ulCount < GetCapacity()) {
            std::memmove(m_chunk.AsPtr(), pString, ulCount + 1);  // the text may be our own
        } else {
            // A text this long cannot lie inside our own block.
            ResizeStringBuffer(m_chunk, ToSize(ulCount));
            std::memcpy(m_chunk.AsPtr(), pString, ulCount + 1);
        }
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Copy()", kClass);
        throw;
    }
}

uint32_t MpString::CheckInsertPosition(uint32_t ulPosition) const {
    uint32_t ulLength = GetLength();
    if (ulPosition > ulLength) {
        MpException::RaiseFormatted("lPosition (value=%d) is invalid for string of length=%d.", kClass,
                                    AsInt(ulPosition), AsInt(ulLength));
    }
    return ulLength;
}

char* MpString::OpenGap(uint32_t ulPosition, uint32_t ulLength, std::size_t ulCount) {
    uint32_t ulCapacity = GetCapacity();
    if (ulCapacity - ulLength - 1 < ulCount) {
        // Inserting grows by exactly what is missing, without the doubling of Append.
        ResizeStringBuffer(m_chunk, ToSize(SizeSum(ulCapacity, ulCount)));
    }
    char* pAt = m_chunk.AsPtr() + ulPosition;
    std::memmove(pAt + ulCount, pAt, ulLength - ulPosition + 1);
    return pAt;
}

MpString& MpString::Insert(const char* pString, uint32_t ulPosition) {
    try {
        if (pString == nullptr) MpException::Raise("null pointer: pString", kClass);
        uint32_t ulLength = CheckInsertPosition(ulPosition);
        std::optional<MpString> ownText;
        if (PointsInto(pString, m_chunk)) {
            // Inserting (part of) our own text: work from a copy, which the move cannot disturb.
            ownText.emplace(pString);
            pString = ownText->GetCString();
        }
        std::size_t ulCount = std::strlen(pString);
        if (ulCount == 0) return *this;
        std::memcpy(OpenGap(ulPosition, ulLength, ulCount), pString, ulCount);
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Insert()", kClass);
        throw;
    }
}

MpString& MpString::Insert(char c, uint32_t ulPosition, uint16_t usCount) {
    // The library builds a temporary text of usCount copies of c and inserts it with
    // Insert(text, lPosition). This does the same without the temporary (the padding of the
    // conversion run is a hot path); the checks, the sizing, the result and the two "Insert()"
    // call-path entries (inner and outer member) are those of the library.
    try {
        try {
            uint32_t ulLength = CheckInsertPosition(ulPosition);
            uint32_t ulCount = c == '\0' ? 0 : usCount;  // a zero byte makes the text empty
            if (ulCount == 0) return *this;
            std::memset(OpenGap(ulPosition, ulLength, ulCount), c, ulCount);
            return *this;
        } catch (MpException& e) {
            e.AddCallpath("Insert()", kClass);  // Insert(pString, lPosition)
            throw;
        }
    } catch (MpException& e) {
        e.AddCallpath("Insert()", kClass);  // Insert(c, lPosition, count)
        throw;
    }
}

MpString& MpString::Remove(uint32_t ulStart, uint32_t ulCount) {
    try {
        uint32_t ulLength = GetLength();
        if (static_cast<uint64_t>(ulStart) + ulCount > ulLength) {
            MpException::RaiseFormatted("Cannot remove %d characters starting at position %d from string of length %d.",
                                        kClass, AsInt(ulCount), AsInt(ulStart), AsInt(ulLength));
        }
        if (ulCount > 0) {
            char* pAt = m_chunk.AsPtr() + ulStart;
            std::memmove(pAt, pAt + ulCount, ulLength - ulStart - ulCount + 1);
        }
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Remove()", kClass);
        throw;
    }
}

MpString& MpString::Replace(const char* sOriginal, const char* sReplace, bool bAll) {
    try {
        if (sOriginal == nullptr) MpException::Raise("null pointer: sOriginal", kClass);
        if (sReplace == nullptr) MpException::Raise("null pointer: sReplace", kClass);
        std::size_t ulOriginal = std::strlen(sOriginal);
        // An empty sOriginal has no sound result in the library (the search never advances):
        // it changes nothing here.
        if (ulOriginal == 0) return *this;
        const char* pText = GetCString();
        std::size_t ulLength = GetLength();
        const void* pMatch = MpPlatformFindBytes(pText, ulLength, sOriginal, ulOriginal);
        if (pMatch == nullptr) return *this;  // the library copies the same text back: no change
        // One pass over the text; equal to the library's "remove the matched prefix and search
        // again from 0", and replacement text is never searched again.
        MpString result;
        std::size_t ulDone = 0;
        std::size_t ulReplace = std::strlen(sReplace);
        while (pMatch != nullptr) {
            std::size_t ulAt = static_cast<std::size_t>(static_cast<const char*>(pMatch) - pText);
            result.AppendBytes(pText + ulDone, static_cast<uint32_t>(ulAt - ulDone));
            result.AppendBytes(sReplace, static_cast<uint32_t>(ulReplace));
            ulDone = ulAt + ulOriginal;
            if (!bAll) break;
            pMatch = MpPlatformFindBytes(pText + ulDone, ulLength - ulDone, sOriginal, ulOriginal);
        }
        result.AppendBytes(pText + ulDone, static_cast<uint32_t>(ulLength - ulDone));
        Copy(result.GetCString());
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Replace()", kClass);
        throw;
    }
}

MpString& MpString::Truncate(uint32_t ulLength) {
    try {
        uint32_t ulCurrent = GetLength();
        if (ulLength > ulCurrent) {
            MpException::RaiseFormatted("ulLength (value=%d) must not be greater than string length (value=%d).", kClass,
                                        AsInt(ulLength), AsInt(ulCurrent));
        }
        m_chunk.AsPtr()[ulLength] = '\0';
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("Truncate()", kClass);
        throw;
    }
}

MpString& MpString::ToUpper() {
    for (char* p = m_chunk.AsPtrAtOffset<char>(0); *p != '\0'; ++p) {
        *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    }
    return *this;
}

MpString& MpString::Deblank() {
    MpDeblank(m_chunk.AsPtr(), true, true);
    return *this;
}

MpString MpString::GetSubstring(uint32_t ulStart, int32_t lLength) const {
    try {
        uint32_t ulLength = GetLength();
        if (ulStart > ulLength) {
            MpException::RaiseFormatted("lStart (value=%d) must not be greater than GetLength (value=%d)", kClass,
                                        AsInt(ulStart), AsInt(ulLength));
        }
        if (lLength >= 0 && static_cast<int64_t>(lLength) > static_cast<int64_t>(ulLength) - ulStart) {
            MpException::RaiseFormatted(
                "Substring length (value=%d) must be less than or equal to GetLength (value=%d) minus lStart (value=%d).",
                kClass, lLength, AsInt(ulLength), AsInt(ulStart));
        }
        // As the library does: append the rest, then truncate (the capacity follows from that).
        MpString result;
        result.AppendBytes(GetCString() + ulStart, ulLength - ulStart);
        if (lLength >= 0) result.Truncate(static_cast<uint32_t>(lLength));
        return result;
    } catch (MpException& e) {
        e.AddCallpath("GetSubstring()", kClass);
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Formatting

MpString& MpString::printf(const char* pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    try {
        vprintf(pFormat, args);
    } catch (MpException& e) {
        va_end(args);
        e.AddCallpath("printf()", kClass);
        throw;
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return *this;
}

#if defined(__GNUC__) || defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif

MpString& MpString::vprintf(const char* pFormat, va_list args) {
    try {
        if (pFormat == nullptr) {
            MpException::RaiseFormatted("error encountered in call to 'vsnprintf' with format string, \"%s\".", kClass,
                                        "(null)");
        }
        // The new text is built beside the old one (the arguments may point into it); the
        // string takes the new block only when formatting succeeded.
        MpResizableChunk scratch;
        scratch = m_chunk;
        va_list first;
        va_copy(first, args);
        int iNeeded = std::vsnprintf(scratch.AsPtr(), static_cast<std::size_t>(scratch.GetSize()), pFormat, first);
        va_end(first);
        if (iNeeded < 0) {
            MpException::RaiseFormatted("error encountered in call to 'vsnprintf' with format string, \"%s\".", kClass,
                                        pFormat);
        }
        if (static_cast<uint32_t>(iNeeded) >= GetCapacity()) {
            ResizeStringBuffer(scratch, ToSize(static_cast<uint64_t>(iNeeded) + 1));
            va_list second;
            va_copy(second, args);
            std::vsnprintf(scratch.AsPtr(), static_cast<std::size_t>(scratch.GetSize()), pFormat, second);
            va_end(second);
        }
        m_chunk.Swap(scratch);
        return *this;
    } catch (MpException& e) {
        e.AddCallpath("vprintf()", kClass);
        throw;
    }
}

#if defined(__GNUC__) || defined(__clang__)
#pragma GCC diagnostic pop
#endif

void MpString::ResizeStringBuffer(MpResizableChunk& chunk, int32_t lNewLength) {
    try {
        if (lNewLength <= 0) {
            MpException::RaiseFormatted("lNewLength, value=%d, must be greater than 0.", kClass, lNewLength);
        }
        int64_t llBlock = m_ulBlockSize;
        int64_t llTarget = llBlock * ((static_cast<int64_t>(lNewLength) + 1) / llBlock + 1);
        if (chunk.GetSize() < llTarget) chunk.Resize(ToSize(static_cast<uint64_t>(llTarget)));
    } catch (MpException& e) {
        e.AddCallpath("ResizeStringBuffer()", kClass);
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Free functions

char* MpDeblank(char* sString, bool bLeft, bool bRight) {
    if (sString == nullptr) MpException::Raise("null pointer: sString", "MpDeblank");
    if (bRight) {
        std::size_t ulLength = std::strlen(sString);
        while (ulLength > 0 && static_cast<unsigned char>(sString[ulLength - 1]) <= 32) --ulLength;
        sString[ulLength] = '\0';
    }
    if (bLeft) {
        std::size_t ulSkip = 0;
        while (sString[ulSkip] != '\0' && static_cast<unsigned char>(sString[ulSkip]) <= 32) ++ulSkip;
        if (ulSkip > 0) std::memmove(sString, sString + ulSkip, std::strlen(sString + ulSkip) + 1);
    }
    return sString;
}

char* MpCopyString(char** pDest, const char* sSource, uint16_t usExtra) {
    try {
        if (pDest == nullptr) MpException::Raise("null pointer: pDest", "MpCopyString");
        if (sSource != nullptr && sSource == *pDest) return *pDest;
        std::size_t ulLength = sSource != nullptr ? std::strlen(sSource) : 0;
        // The new text is made before the old one is freed: the source may lie inside it, and a
        // failed allocation leaves *pDest as it was.
        char* pCopy = MpAllocate(ToSize(SizeSum(ulLength, uint64_t{usExtra} + 1)));
        if (ulLength > 0) std::memcpy(pCopy, sSource, ulLength);
        pCopy[ulLength] = '\0';
        delete[] *pDest;
        *pDest = pCopy;
        return pCopy;
    } catch (MpException& e) {
        e.AddCallpath("MpCopyString", "MpAlloc");
        throw;
    }
}
