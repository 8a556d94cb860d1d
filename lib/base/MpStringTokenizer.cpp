#include "MpStringTokenizer.h"

#include <cstring>
#include <memory>

#include "MpPlatformMemory.h"

namespace {

const char* const kClassName = "MpStringTokenizer";

}  // namespace

MpStringTokenizer::MpStringTokenizer(const char* pString, const char* pDelimiter,
                                     const char* pGroupBegin, bool bKeepGroupDelimiters,
                                     const char* pGroupEnd, bool bKeepLeadingSpaces)
    : m_bKeepGroupDelimiters(bKeepGroupDelimiters),
      m_bKeepLeadingSpaces(bKeepLeadingSpaces),
      m_lParsePosition(0),
      m_lCursor(0),
      m_lLength(0) {
    try {
        const bool bHasGroupBegin = pGroupBegin != nullptr && *pGroupBegin != '\0';
        const bool bHasGroupEnd = pGroupEnd != nullptr && *pGroupEnd != '\0';
        if (bHasGroupEnd && !bHasGroupBegin) {
            MpException::Raise("Group end delimeter specified without a group begin delimeter.", kClassName);
        }
        // An empty delimiter would match everywhere without moving the split forward.
        if (pDelimiter == nullptr || *pDelimiter == '\0') {
            MpException::Raise("The delimiter must not be empty.", kClassName);
        }
        if (pString == nullptr) MpException::Raise("Cannot tokenize null string.", kClassName);
        m_sText.Copy(pString);
        m_sDelimiter.Copy(pDelimiter);
        m_sGroupBegin.Copy(pGroupBegin);
        m_sGroupEnd.Copy(bHasGroupEnd ? pGroupEnd : pGroupBegin);
        m_lLength = static_cast<int32_t>(m_sText.GetLength());
        ParseStringIntoTokens(0);
    } catch (MpException& e) {
        e.AddCallpath("Constructor", kClassName);
        throw;
    }
}

MpStringTokenizer::~MpStringTokenizer() = default;

void MpStringTokenizer::SetString(const char* pString) {
    try {
        if (pString == nullptr) MpException::Raise("Cannot tokenize null string.", kClassName);
        m_sText.Copy(pString);
        RecycleTokens();
        m_lCursor = 0;
        m_lLength = static_cast<int32_t>(m_sText.GetLength());
        ParseStringIntoTokens(0);
    } catch (MpException& e) {
        e.AddCallpath("SetString()", kClassName);
        throw;
    }
}

int32_t MpStringTokenizer::CountTokens() const {
    return m_tokens.GetCount() - m_lCursor;
}

bool MpStringTokenizer::HasMoreTokens() const {
    return m_lCursor < m_tokens.GetCount();
}

const MpString& MpStringTokenizer::GetNextToken() {
    try {
        const MpString& sToken = *m_tokens.At(m_lCursor);
        ++m_lCursor;
        return sToken;
    } catch (MpException& e) {
        e.AddCallpath("GetNextToken()", kClassName);
        throw;
    }
}

const MpString& MpStringTokenizer::GetToken(int32_t lIndex) const {
    try {
        if (lIndex < 0 || lIndex >= m_tokens.GetCount()) {
            MpException::RaiseFormatted("No token %d in \"%s\" with delimiter \"%s\"", kClassName, lIndex,
                                        m_sText.GetCString(), m_sDelimiter.GetCString());
        }
        return *m_tokens[lIndex];
    } catch (MpException& e) {
        e.AddCallpath("GetToken()", kClassName);
        throw;
    }
}

int32_t MpStringTokenizer::GetTokenStart(int32_t lIndex) const {
    try {
        return m_tokenStarts.At(lIndex);
    } catch (MpException& e) {
        e.AddCallpath("GetTokenStart()", kClassName);
        throw;
    }
}

void MpStringTokenizer::ParseStringIntoTokens(int32_t lStart) {
    try {
        const int32_t lGroupBeginLength = static_cast<int32_t>(m_sGroupBegin.GetLength());
        const int32_t lGroupEndLength = static_cast<int32_t>(m_sGroupEnd.GetLength());
        const int32_t lDelimiterLength = static_cast<int32_t>(m_sDelimiter.GetLength());
        m_lParsePosition = lStart;
        while (m_lParsePosition >= 0) {
            SkipSpaces();
            int32_t lTokenStart = m_lParsePosition;
            int32_t lTokenEnd;
            if (GroupBeginsAtParsePosition(lGroupBeginLength)) {
                const int32_t lGroupEnd =
                    FindInText(m_sGroupEnd, lGroupEndLength, m_lParsePosition + lGroupBeginLength);
                if (lGroupEnd < 0) {
                    throw MpStringTokenizerException(
                        "A group token has no end delimeter.\nCannot retrieve token as specified.\n"
                        "Please correct.\n\n",
                        kClassName);
                }
                int32_t lSearchFrom;
                if (m_bKeepGroupDelimiters) {
                    lTokenEnd = lGroupEnd + lGroupEndLength;
                    lSearchFrom = lGroupEnd;
                } else {
                    lTokenStart += lGroupBeginLength;
                    lTokenEnd = lGroupEnd;
                    lSearchFrom = lGroupEnd + lGroupEndLength;
                }
                // Text between the group's end and the next delimiter belongs to no token.
                m_lParsePosition = FindInText(m_sDelimiter, lDelimiterLength, lSearchFrom);
            } else {
                m_lParsePosition = FindInText(m_sDelimiter, lDelimiterLength, m_lParsePosition);
                lTokenEnd = m_lParsePosition >= 0 ? m_lParsePosition : m_lLength;
            }
            AppendToken(lTokenStart, lTokenEnd);
            if (m_lParsePosition >= 0) m_lParsePosition += lDelimiterLength;
        }
    } catch (MpException& e) {
        e.AddCallpath("ParseStringIntoTokens", kClassName);
        throw;
    }
}

void MpStringTokenizer::SkipSpaces() {
    if (m_bKeepLeadingSpaces) return;
    const char* pText = m_sText.GetCString();
    while (m_lParsePosition < m_lLength && pText[m_lParsePosition] == ' ') ++m_lParsePosition;
}

bool MpStringTokenizer::GroupBeginsAtParsePosition(int32_t lGroupBeginLength) const {
    const char* pHere = m_sText.GetCString() + m_lParsePosition;
    const char* pGroupBegin = m_sGroupBegin.GetCString();
    // The first byte decides most tokens without a call to memcmp.
    return lGroupBeginLength > 0 && m_lLength - m_lParsePosition >= lGroupBeginLength && *pHere == *pGroupBegin &&
           memcmp(pHere, pGroupBegin, lGroupBeginLength) == 0;
}

int32_t MpStringTokenizer::FindInText(const MpString& sNeedle, int32_t lNeedleLength, int32_t lFrom) const {
    const char* pText = m_sText.GetCString();
    const size_t ulRemaining = static_cast<size_t>(m_lLength - lFrom);
    // A one-byte needle (the usual comma or quote) goes through the faster memchr.
    const void* pFound = lNeedleLength == 1
                             ? memchr(pText + lFrom, sNeedle.GetCString()[0], ulRemaining)
                             : MpPlatformFindBytes(pText + lFrom, ulRemaining, sNeedle.GetCString(), lNeedleLength);
    return pFound == nullptr ? -1 : static_cast<int32_t>(static_cast<const char*>(pFound) - pText);
}

void MpStringTokenizer::AppendToken(int32_t lStart, int32_t lEnd) {
    if (m_spareTokens.empty()) {
        std::unique_ptr<MpString> pToken(new MpString);
        m_tokens.push_back(pToken.get());
        pToken.release();
    } else {
        // Hand the string over before the spare list lets go of it, so it always has an owner.
        m_tokens.push_back(m_spareTokens.back());
        m_spareTokens.back() = nullptr;
        m_spareTokens.pop_back();
    }
    MpString& sToken = *m_tokens.back();
    sToken.Clear();
    sToken.AppendBytes(m_sText.GetCString() + lStart, static_cast<uint32_t>(lEnd - lStart));
    m_tokenStarts.push_back(lStart);
}

void MpStringTokenizer::RecycleTokens() {
    m_spareTokens.reserve(m_spareTokens.size() + m_tokens.size());
    for (auto it = m_tokens.rbegin(); it != m_tokens.rend(); ++it) {
        m_spareTokens.push_back(*it);
        *it = nullptr;
    }
    m_tokens.clear();
    m_tokenStarts.clear();
}
