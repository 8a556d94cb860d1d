// The typed reads and writes of the stream sides: the library's binary stream form.
#include <cstdint>
#include <cstring>
#include <memory>

#include "MpAlloc.h"
#include "MpByteOrder.h"
#include "MpException.h"
#include "MpStreamInterface.h"
#include "MpString.h"

namespace {

const char* const kInput = "MpInputStreamInterface";
const char* const kOutput = "MpOutputStreamInterface";

// Runs one typed operation with the pass-through convention: an MpException leaving it
// carries the operation's call-path entry.
template <class Operation>
auto WithCallpath(const char* pMethod, const char* pClassName, Operation operation) -> decltype(operation()) {
    try {
        return operation();
    } catch (MpException& e) {
        e.AddCallpath(pMethod, pClassName);
        throw;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Reads
// ---------------------------------------------------------------------------------------------

template <class T>
T MpInputStreamInterface::ReadFixed() {
    T value;
    Read(&value, sizeof value, true);
    return MpStreamByteOrder(value);
}

bool MpInputStreamInterface::ReadBool() {
    return WithCallpath("ReadBool()", kInput, [&] { return ReadFixed<uint8_t>() != 0; });
}

int16_t MpInputStreamInterface::ReadShort() {
    return WithCallpath("ReadShort()", kInput, [&] { return ReadFixed<int16_t>(); });
}

uint16_t MpInputStreamInterface::ReadUnsignedShort() {
    return WithCallpath("ReadUnsignedShort()", kInput, [&] { return ReadFixed<uint16_t>(); });
}

int32_t MpInputStreamInterface::ReadLong() {
    return WithCallpath("ReadLong()", kInput, [&] { return ReadFixed<int32_t>(); });
}

int32_t MpInputStreamInterface::ReadInt() {
    return WithCallpath("ReadInt()", kInput, [&] { return ReadLong(); });
}

uint32_t MpInputStreamInterface::ReadUnsignedLong() {
    return WithCallpath("ReadUnsignedLong()", kInput, [&] { return ReadFixed<uint32_t>(); });
}

uint64_t MpInputStreamInterface::ReadUnsignedNative() {
    return WithCallpath("ReadUnsignedNative()", kInput, [&] { return ReadFixed<uint64_t>(); });
}

double MpInputStreamInterface::ReadDouble() {
    static_assert(sizeof(double) == 8, "a stream double is an IEEE 754 binary64 number");
    return WithCallpath("ReadDouble()", kInput, [&] { return ReadFixed<double>(); });
}

const char* MpInputStreamInterface::ReadCString(char*& pText) {
    return WithCallpath("ReadCString()", kInput, [&]() -> const char* {
        int32_t lCount = ReadInt();
        delete[] pText;
        pText = nullptr;
        // A corrupt count must not reach the allocation (nor leave no room for the zero byte).
        if (lCount < 0 || lCount == INT32_MAX) {
            MpIOStreamingException::Raise("Invalid text length %d", kInput, 0, lCount);
        }
        std::unique_ptr<char[]> pArray(MpAllocate(lCount + 1));
        if (lCount > 0) Read(pArray.get(), lCount, true);
        pArray[lCount] = '\0';  // terminated even when the stream's text lacks its zero byte
        pText = pArray.release();
        return pText;
    });
}

char* MpInputStreamInterface::ReadString(char* pBuffer, uint32_t ulCount, char cTerminator) {
    return WithCallpath("ReadString()", kInput, [&] {
        for (uint32_t i = 0; i < ulCount; ++i) {
            if (Read(pBuffer + i, 1, false) == 0 || pBuffer[i] == cTerminator) {
                pBuffer[i] = '\0';
                break;
            }
        }
        return pBuffer;
    });
}

void MpInputStreamInterface::ReadString(MpString& sText, char cTerminator) {
    WithCallpath("ReadString()", kInput, [&] {
        sText.Clear();
        char c;
        do {
            Read(&c, 1, true);
            sText.Append(c);
        } while (c != cTerminator);
    });
}

int16_t MpInputStreamInterface::ReadMpHeader(char cTag) {
    return WithCallpath("ReadMpHeader()", kInput, [&] {
        int32_t lTag = ReadInt();
        if (static_cast<signed char>(lTag & 0xFF) != static_cast<signed char>(cTag)) {
            MpIOStreamingException::Raise("Invalid header found", kInput, 0);
        }
        return ReadShort();
    });
}

// ---------------------------------------------------------------------------------------------
// Writes
// ---------------------------------------------------------------------------------------------

template <class T>
void MpOutputStreamInterface::WriteFixed(T value) {
    T ordered = MpStreamByteOrder(value);
    Write(&ordered, sizeof ordered);
}

void MpOutputStreamInterface::WriteBool(bool bValue) {
    WithCallpath("WriteBool()", kOutput, [&] { WriteFixed<uint8_t>(bValue ? 1 : 0); });
}

void MpOutputStreamInterface::WriteShort(int16_t sValue) {
    WithCallpath("WriteShort()", kOutput, [&] { WriteFixed(sValue); });
}

void MpOutputStreamInterface::WriteUnsignedShort(uint16_t usValue) {
    WithCallpath("WriteUnsignedShort()", kOutput, [&] { WriteFixed(usValue); });
}

void MpOutputStreamInterface::WriteLong(int32_t lValue) {
    WithCallpath("WriteLong()", kOutput, [&] { WriteFixed(lValue); });
}

void MpOutputStreamInterface::WriteInt(int32_t iValue) {
    WithCallpath("WriteInt()", kOutput, [&] { WriteLong(iValue); });
}

void MpOutputStreamInterface::WriteUnsignedLong(uint32_t ulValue) {
    WithCallpath("WriteUnsignedLong()", kOutput, [&] { WriteFixed(ulValue); });
}

void MpOutputStreamInterface::WriteUnsignedNative(uint64_t ullValue) {
    WithCallpath("WriteUnsignedNative()", kOutput, [&] { WriteFixed(ullValue); });
}

void MpOutputStreamInterface::WriteDouble(double dValue) {
    WithCallpath("WriteDouble()", kOutput, [&] { WriteFixed(dValue); });
}

void MpOutputStreamInterface::WriteCString(const char* pText) {
    WithCallpath("WriteCString()", kOutput, [&] {
        int32_t lCount = pText != nullptr ? static_cast<int32_t>(std::strlen(pText)) + 1 : 0;
        WriteInt(lCount);
        if (pText != nullptr) Write(pText, lCount);
    });
}

void MpOutputStreamInterface::WriteString(const char* pText, bool bWithZero) {
    WithCallpath("WriteString()", kOutput, [&] {
        if (pText == nullptr) MpException::Raise("Null pointer passed to WriteString", kOutput);
        Write(pText, static_cast<int32_t>(std::strlen(pText)) + (bWithZero ? 1 : 0));
    });
}

void MpOutputStreamInterface::WriteString(const char* pText, uint32_t ulMaxLength, char cTerminator) {
    WithCallpath("WriteString()", kOutput, [&] {
        uint32_t ulCount = pText != nullptr ? static_cast<uint32_t>(strnlen(pText, ulMaxLength)) : 0;
        if (ulCount > 0) Write(pText, static_cast<int32_t>(ulCount));
        if (ulCount < ulMaxLength) Write(&cTerminator, 1);
    });
}

void MpOutputStreamInterface::WriteMpHeader(char cTag, int16_t sVersion) {
    WithCallpath("WriteMpHeader()", kOutput, [&] {
        WriteInt(static_cast<signed char>(cTag));
        WriteShort(sVersion);
    });
}
