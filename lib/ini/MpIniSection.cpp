#include "MpIniSection.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <strings.h>

#include "MpIOInterface.h"
#include "MpIniNameIndex.h"
#include "MpStreamInterface.h"

namespace {

const char kClass[] = "MpIniSection";

// The C library's decimal conversion (optional sign, digits up to the first other byte, 0 when
// there are none), kept inside the 32-bit range instead of overflowing.
int32_t DecimalValue(const char* sText) {
    long long llValue = std::strtoll(sText, nullptr, 10);
    if (llValue > INT32_MAX) return INT32_MAX;
    if (llValue < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(llValue);
}

bool IsDecimalText(const char* sText) {
    return std::strspn(sText, "-0123456789") == std::strlen(sText);
}

// Reads "0x" followed by hexadecimal digits the way "%x" does into an unsigned int. Returns false
// when no digit follows the "0x".
bool ReadHexadecimal(const char* sText, int32_t& lValue) {
    if (std::strncmp(sText, "0x", 2) != 0 || !std::isxdigit(static_cast<unsigned char>(sText[2]))) {
        return false;
    }
    unsigned long long ullValue = std::strtoull(sText + 2, nullptr, 16);
    if (ullValue > UINT32_MAX) ullValue = UINT32_MAX;
    lValue = static_cast<int32_t>(static_cast<uint32_t>(ullValue));
    return true;
}

// The reader trims bytes 1 to 32 at both ends of a value and then drops one pair of enclosing
// double quotes; a value that either step would change is written inside double quotes.
bool NeedsQuotes(const char* sValue) {
    size_t ulLength = std::strlen(sValue);
    if (ulLength == 0) return false;
    unsigned char ucFirst = static_cast<unsigned char>(sValue[0]);
    unsigned char ucLast = static_cast<unsigned char>(sValue[ulLength - 1]);
    return ucFirst <= 32 || ucLast <= 32 || (ulLength >= 2 && ucFirst == '"' && ucLast == '"');
}

// What the file's syntax cannot carry, so that a written file always reads back equal: a line
// end inside a key or a value ends its line; a key holding "=" splits elsewhere; an empty key
// is no line, and one that begins with ";" or "[" reads back as a comment or a section header.
// Messages name the key as it would be stored, trimmed.
void CheckWritable(const char* sKeyName, const char* sValue) {
    MpString sKey(sKeyName);
    sKey.Deblank();  // keys are stored trimmed
    const char* sTrimmed = sKey.GetCString();
    if (sTrimmed[0] == '\0' || sTrimmed[0] == ';' || sTrimmed[0] == '[' || std::strpbrk(sTrimmed, "=\r\n") != nullptr) {
        MpException::RaiseFormatted(
            "Invalid key \"%s\": a key must not be empty, hold \"=\" or a line end, or begin with \";\" or \"[\"",
            kClass, sTrimmed);
    }
    if (sValue != nullptr && std::strpbrk(sValue, "\r\n") != nullptr) {
        MpException::RaiseFormatted("Invalid value for key \"%s\": a value must not hold a line end", kClass,
                                    sTrimmed);
    }
}

const char kHexDigits[] = "0123456789ABCDEF";

// 0 to 15 for "0" to "9" and "A" to "F", -1 for any other byte.
int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

MpIniSection::MpIniSection(const char* sName) : m_bModified(false), m_bLoaded(false) {
    try {
        SetName(sName);
        m_bModified = false;
    } catch (MpException& e) {
        e.AddCallpath("Constructor()", kClass);
        throw;
    }
}

MpIniSection::MpIniSection(const MpIniSection& rhs) : m_bModified(false), m_bLoaded(false) {
    try {
        m_lines = rhs.m_lines;
        m_commentBlocks = rhs.m_commentBlocks;
        Copy(rhs);
    } catch (MpException& e) {
        e.AddCallpath("Constructor(MpIniSection &rhs)", kClass);
        throw;
    }
}

MpIniSection::~MpIniSection() = default;

MpIniSection* MpIniSection::Clone() const { return new MpIniSection(*this); }

void MpIniSection::Copy(const MpIniSection& rhs) {
    try {
        m_sName = rhs.m_sName;
        NameChanged();
        m_bModified = rhs.m_bModified;
        m_bLoaded = rhs.m_bLoaded;
    } catch (MpException& e) {
        e.AddCallpath("Copy()", kClass);
        throw;
    }
}

void MpIniSection::SetName(const char* sName) {
    if (sName == nullptr) return;
    try {
        if (sName[0] == '[') {
            m_sName = sName;
        } else {
            m_sName = std::string("[") + sName + "]";
        }
        NameChanged();
        m_bModified = true;
    } catch (MpException& e) {
        e.AddCallpath("SetName()", kClass);
        throw;
    }
}

void MpIniSection::NameChanged() {
    if (m_pNameIndex != nullptr) m_pNameIndex->NameChanged();
}

MpIniLine* MpIniSection::GetLine(int32_t lIndex) const {
    try {
        return m_lines.At(lIndex);
    } catch (MpException& e) {
        e.AddCallpath("GetLine()", kClass);
        throw;
    }
}

int32_t MpIniSection::FindKey(const char* sKey) const {
    if (sKey == nullptr) return -1;
    for (int32_t lIndex = 0; lIndex < GetNumLines(); ++lIndex) {
        if (strcasecmp(m_lines[lIndex]->GetKey(), sKey) == 0) return lIndex;
    }
    return -1;
}

const MpVector<MpString>& MpIniSection::GetCommentBlock(int32_t lIndex) const {
    if (lIndex < 0 || lIndex > GetNumLines()) {
        MpException::RaiseFormatted("Index %d out of range; array is from %d to %d", "MpVector", lIndex, 0,
                                    GetNumLines());
    }
    static const MpVector<MpString> kNoComments;
    auto block = std::lower_bound(m_commentBlocks.begin(), m_commentBlocks.end(), lIndex,
                                  [](const CommentBlock& b, int32_t lLine) { return b.first < lLine; });
    return block != m_commentBlocks.end() && block->first == lIndex ? block->second : kNoComments;
}

void MpIniSection::AddComment(const char* sComment) {
    if (m_commentBlocks.empty() || m_commentBlocks.back().first != GetNumLines()) {
        m_commentBlocks.emplace_back(GetNumLines(), MpVector<MpString>());
    }
    m_commentBlocks.back().second.emplace_back(sComment);
    m_bModified = true;
}

const char* MpIniSection::GetString(const char* sKeyName, const char* sDefault) {
    try {
        int32_t lIndex = FindKey(sKeyName);
        const char* sResult = lIndex >= 0 ? m_lines[lIndex]->GetValue() : sDefault;
        m_sResult.assign(sResult == nullptr ? "" : sResult);
        return m_sResult.c_str();
    } catch (MpException& e) {
        e.AddCallpath("GetString(char *sKeyName, char *sDefault)", kClass);
        throw;
    }
}

char* MpIniSection::GetString(const char* sKeyName, const char* sDefault, char* sReturn,
                              uint32_t ulSize) {
    try {
        const char* sResult = GetString(sKeyName, sDefault);
        if (ulSize > 0) {
            size_t ulCount = std::min<size_t>(std::strlen(sResult), ulSize - 1);
            std::memcpy(sReturn, sResult, ulCount);
            sReturn[ulCount] = '\0';
        }
        return sReturn;
    } catch (MpException& e) {
        e.AddCallpath("GetString(char *sKeyName, char *sDefault, char *sReturn)", kClass);
        throw;
    }
}

int32_t MpIniSection::GetInt(const char* sKeyName, int32_t lDefault) {
    try {
        MpString sText(GetString(sKeyName, ""));
        if (sText.IsEmpty()) return lDefault;
        sText.Deblank();
        if (IsDecimalText(sText.GetCString())) return DecimalValue(sText.GetCString());
        int32_t lValue = lDefault;
        ReadHexadecimal(sText.GetCString(), lValue);
        return lValue;
    } catch (MpException& e) {
        e.AddCallpath("GetInt()", kClass);
        throw;
    }
}

bool MpIniSection::GetBool(const char* sKeyName, bool bDefault) {
    try {
        MpString sText(GetString(sKeyName, ""));
        if (sText.IsEmpty()) return bDefault;
        sText.Deblank();
        const char* sValue = sText.GetCString();
        if (strcasecmp(sValue, "true") == 0 || strcasecmp(sValue, "yes") == 0) return true;
        return DecimalValue(sValue) == 1;
    } catch (MpException& e) {
        e.AddCallpath("GetBool()", kClass);
        throw;
    }
}

void MpIniSection::AddLine(const char* sKeyName, const char* sEntry) {
    try {
        CheckWritable(sKeyName, sEntry);
        AppendLine(new MpIniLine(sKeyName, sEntry));
    } catch (MpException& e) {
        e.AddCallpath("AddLine(char *sKeyName, char *sEntry)", kClass);
        throw;
    }
}

void MpIniSection::AddLine(const char* sLine) {
    if (sLine == nullptr || sLine[0] == '\0') return;
    try {
        std::unique_ptr<MpIniLine> line(new MpIniLine(sLine));
        CheckWritable(line->GetKey(), line->GetValue());
        AppendLine(line.release());
    } catch (MpException& e) {
        e.AddCallpath("AddLine(char *sLine)", kClass);
        throw;
    }
}

void MpIniSection::SetString(const char* sKeyName, const char* sValue) {
    if (sKeyName == nullptr || sValue == nullptr) return;
    try {
        CheckWritable(sKeyName, sValue);
        int32_t lIndex = FindKey(sKeyName);
        if (lIndex < 0) {
            if (sValue[0] != '\0') AddLine(sKeyName, sValue);
            return;
        }
        if (sValue[0] != '\0') {
            m_lines[lIndex]->SetValue(sValue);
        } else {
            RemoveLine(lIndex);
        }
        m_bModified = true;
    } catch (MpException& e) {
        e.AddCallpath("SetString()", kClass);
        throw;
    }
}

void MpIniSection::SetInt(const char* sKeyName, int32_t lValue) {
    try {
        MpString sText;
        sText << lValue;
        SetString(sKeyName, sText.GetCString());
    } catch (MpException& e) {
        e.AddCallpath("SetInt()", kClass);
        throw;
    }
}

void MpIniSection::SetBool(const char* sKeyName, bool bValue) {
    try {
        SetString(sKeyName, bValue ? "true" : "false");
    } catch (MpException& e) {
        e.AddCallpath("SetBool()", kClass);
        throw;
    }
}

void MpIniSection::SetBinaryString(const char* sKeyName, const void* pBytes, uint16_t usCount) {
    try {
        const unsigned char* pByte = static_cast<const unsigned char*>(pBytes);
        MpString sText;
        for (uint16_t usIndex = 0; usIndex < usCount; ++usIndex) {
            sText << kHexDigits[pByte[usIndex] >> 4] << kHexDigits[pByte[usIndex] & 0x0F];
        }
        SetString(sKeyName, sText.GetCString());
    } catch (MpException& e) {
        e.AddCallpath("SetBinaryString()", kClass);
        throw;
    }
}

void MpIniSection::GetBinaryString(const char* sKeyName, void* pBuffer, uint16_t usSize, char cFill) {
    try {
        MpString sText(GetString(sKeyName, ""));
        const char* sDigits = sText.GetCString();
        uint32_t ulDigits = sText.GetLength();
        unsigned char* pByte = static_cast<unsigned char*>(pBuffer);
        int32_t lRoom = static_cast<int32_t>(usSize) - 1;  // one byte stays for the zero
        std::memset(pByte, 0, usSize);
        if (ulDigits == 0) {
            if (lRoom > 0) std::memset(pByte, cFill, static_cast<size_t>(lRoom));
            return;
        }
        if (lRoom < static_cast<int32_t>(ulDigits / 2)) {
            MpException::Raise("sReturn string not big enough", kClass);
        }
        int iHigh = 0;
        for (uint32_t ulIndex = 0; ulIndex < ulDigits; ++ulIndex) {
            int iDigit = HexDigitValue(sDigits[ulIndex]);
            if (iDigit < 0) MpException::Raise("Invalid binary string", kClass);
            if (ulIndex % 2 == 0) {
                iHigh = iDigit;
            } else {
                pByte[ulIndex / 2] = static_cast<unsigned char>(iHigh << 4 | iDigit);
            }
        }
    } catch (MpException& e) {
        e.AddCallpath("GetBinaryString()", kClass);
        throw;
    }
}

void MpIniSection::Write(MpOutputStreamInterface& out) {
    try {
        if (m_sName.empty()) {
            MpException::Raise("Cannot write a section which does not have a name.", kClass);
        }
        if (GetNumLines() == 0) return;
        out.WriteLine(GetName());
        MpString sText;
        for (int32_t lIndex = 0; lIndex < GetNumLines(); ++lIndex) {
            WriteComments(out, GetCommentBlock(lIndex));
            // Keys are stored trimmed, so the reader gives them back as they are.
            const char* sValue = m_lines[lIndex]->GetValue();
            sText << EmptyString << m_lines[lIndex]->GetKey() << "=";
            if (NeedsQuotes(sValue)) {
                sText << "\"" << sValue << "\"";
            } else {
                sText << sValue;
            }
            out.WriteLine(sText.GetCString());
        }
        WriteComments(out, GetCommentBlock(GetNumLines()));
        out.WriteLine("");
        m_bModified = false;
    } catch (MpException& e) {
        e.AddCallpath("Write()", kClass);
        throw;
    }
}

void MpIniSection::WriteComments(MpOutputStreamInterface& out, const MpVector<MpString>& block) {
    MpString sText;
    for (const MpString& sComment : block) {
        sText << EmptyString << ";" << sComment;
        out.WriteLine(sText.GetCString());
    }
}

void MpIniSection::SplitLine(const char* sText, MpString& sKey, MpString& sValue) {
    try {
        const char* pEquals = sText == nullptr ? nullptr : std::strchr(sText, '=');
        sKey.Clear();
        sValue.Clear();
        if (pEquals == nullptr) {
            sKey.Copy(sText);
        } else {
            sKey.AppendBytes(sText, static_cast<uint32_t>(pEquals - sText));
            sValue.Copy(pEquals + 1);
        }
        sKey.Deblank();
        sValue.Deblank();
        uint32_t ulLength = sValue.GetLength();
        if (ulLength >= 2 && sValue.GetCString()[0] == '"' && sValue.GetCString()[ulLength - 1] == '"') {
            sValue.Truncate(ulLength - 1);
            sValue.Remove(0, 1);
        }
    } catch (MpException& e) {
        e.AddCallpath("SplitLine()", kClass);
        throw;
    }
}

void MpIniSection::ReadLines(MpIOInterface& io) {
    MpString sLine;
    MpString sKey;
    MpString sValue;
    int64_t llLineStart = io.Tell64();
    while (io.ReadLine(sLine) != 0) {
        sLine.Deblank();
        const char* sText = sLine.GetCString();
        if (sText[0] == '[') {
            io.Seek64Absolute(llLineStart);
            break;
        }
        if (sText[0] == ';') {
            AddComment(sText + 1);
        } else if (sText[0] != '\0') {
            // Whatever the file holds is kept as it reads, so no check of what may be written.
            SplitLine(sText, sKey, sValue);
            AppendLine(new MpIniLine(sKey.GetCString(), sValue.GetCString()));
        }
        llLineStart = io.Tell64();
    }
    m_bLoaded = true;
    m_bModified = false;
}

void MpIniSection::AppendLine(MpIniLine* pLine) {
    // The comments after the last line now stand before the new one, under the same index; the
    // new last block is empty.
    std::unique_ptr<MpIniLine> owned(pLine);
    m_lines.push_back(owned.get());
    owned.release();
    m_bModified = true;
}

void MpIniSection::RemoveLine(int32_t lIndex) {
    // The block that stood before the removed line joins the front of the next block, so the
    // comments keep their order and there is still one block more than there are lines.
    for (CommentBlock& block : m_commentBlocks) {
        if (block.first > lIndex) --block.first;
    }
    auto removed = std::lower_bound(m_commentBlocks.begin(), m_commentBlocks.end(), lIndex,
                                    [](const CommentBlock& b, int32_t lLine) { return b.first < lLine; });
    auto next = removed == m_commentBlocks.end() ? removed : removed + 1;
    if (next != m_commentBlocks.end() && next->first == lIndex) {
        removed->second.insert(removed->second.end(), next->second.begin(), next->second.end());
        m_commentBlocks.erase(next);
    }
    m_lines.erase(m_lines.begin() + lIndex);
}
