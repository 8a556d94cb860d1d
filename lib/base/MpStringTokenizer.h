// MpStringTokenizer splits one line of text into tokens at a delimiter string, optionally
// honouring group delimiters (quotes) that protect delimiters inside a token.
//
// The whole text is split eagerly, at construction and again on every SetString; the tokens
// are then read by index (GetToken) or one after the other through a cursor (GetNextToken).
// The delimiter is matched as a whole string (", " matches only a comma followed by a blank).
// Blanks (code 32 only) in front of a token are skipped unless asked otherwise; a group-begin
// delimiter counts only where a token starts, and whatever stands between a group's end
// delimiter and the next delimiter belongs to no token. A doubled quote is not an escape.
//
// Ownership: the tokenizer owns its tokens. A returned token stays valid until the next
// SetString or the tokenizer's destruction; callers copy what they keep. The token strings
// are recycled from one SetString to the next, so a long-lived tokenizer that splits line
// after line stops allocating once it has seen its widest line.
#pragma once

#include <cstdint>

#include "MpException.h"
#include "MpString.h"
#include "MpVector.h"

class MpStringTokenizer {
public:
    // Splits pString at pDelimiter. pGroupBegin may be null or empty (no groups); pGroupEnd
    // null or empty means the same text as pGroupBegin. With bKeepGroupDelimiters a group
    // token keeps its group delimiters; with bKeepLeadingSpaces blanks in front of a token
    // are not skipped.
    // REQUIRES: pString not null; pDelimiter not null and not empty; pGroupEnd only with
    // pGroupBegin. Violations, and a group without its end delimiter, raise.
    MpStringTokenizer(const char* pString, const char* pDelimiter, const char* pGroupBegin = nullptr,
                      bool bKeepGroupDelimiters = false, const char* pGroupEnd = nullptr,
                      bool bKeepLeadingSpaces = false);
    MpStringTokenizer(const MpStringTokenizer&) = delete;
    MpStringTokenizer& operator=(const MpStringTokenizer&) = delete;
    ~MpStringTokenizer();

    // Replaces the text and splits it again; delimiters and flags stay. The cursor goes back
    // to 0. When a group has no end delimiter the tokens split before it remain.
    void SetString(const char* pString);

    // How many times GetNextToken can still be called.
    int32_t CountTokens() const;
    bool HasMoreTokens() const;
    // The token at the cursor; the cursor moves on by one.
    const MpString& GetNextToken();
    // Token lIndex (0-based); the cursor is not touched.
    const MpString& GetToken(int32_t lIndex) const;
    // Offset in the text at which token lIndex begins (after skipped blanks; just after the
    // group-begin delimiter for a group token that does not keep its delimiters).
    int32_t GetTokenStart(int32_t lIndex) const;

private:
    using TokenVector = MpPointerVector<MpString, MpVector<MpString*>>;

    void ParseStringIntoTokens(int32_t lStart);
    void SkipSpaces();
    // The delimiter lengths are passed in because measuring them means a scan each time.
    bool GroupBeginsAtParsePosition(int32_t lGroupBeginLength) const;
    // First occurrence of sNeedle (lNeedleLength bytes) at or after lFrom, or -1.
    int32_t FindInText(const MpString& sNeedle, int32_t lNeedleLength, int32_t lFrom) const;
    void AppendToken(int32_t lStart, int32_t lEnd);
    // Moves every token to the spare strings, so the next split reuses them.
    void RecycleTokens();

    MpString m_sText;
    MpString m_sDelimiter;
    MpString m_sGroupBegin;
    MpString m_sGroupEnd;
    bool m_bKeepGroupDelimiters;
    bool m_bKeepLeadingSpaces;
    int32_t m_lParsePosition;  // -1 once no delimiter follows the last token
    TokenVector m_tokens;
    MpVector<int32_t> m_tokenStarts;
    int32_t m_lCursor;
    int32_t m_lLength;
    // Token strings of earlier splits, waiting to be reused; the next one to hand out is at
    // the back, so each column tends to get back the string it had on the previous line.
    TokenVector m_spareTokens;
};
