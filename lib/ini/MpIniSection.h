// MpIniSection: one bracketed section of an INI file, its key lines in file order and the
// comments that stood between them.
//
// The section owns its lines (an MpPointerVector of MpIniLine) and its comments. Comments are
// kept in blocks: block i holds the comments that stood before line i, and one extra last block
// holds those after the last line, so there is always one block more than there are lines (only
// the blocks that hold comments take memory).
// The name is always stored in brackets ("[FileInfo]"). Key lookups ignore case (a to z only);
// the first line with a matching key wins.
//
// Pointers returned by the getters stay owned by the section and are valid until it changes;
// GetString's result lives in the section's result buffer and is replaced by the next
// GetString, GetInt or GetBool.
//
// Failures raise MpException; each operation that passes one on adds its call-path entry of
// class "MpIniSection".
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "MpIniLine.h"
#include "MpString.h"
#include "MpVector.h"

class MpIOInterface;
class MpIniNameIndex;
class MpOutputStreamInterface;

class MpIniSection {
public:
    // An empty section named sName (see SetName); not loaded, not modified.
    // Call-path entry "Constructor()".
    explicit MpIniSection(const char* sName = nullptr);
    // Deep copy: every line cloned, the comment blocks copied, then Copy(rhs). The copy belongs
    // to no file's name index. Call-path entry "Constructor(MpIniSection &rhs)".
    MpIniSection(const MpIniSection& rhs);
    MpIniSection& operator=(const MpIniSection& rhs) = delete;
    virtual ~MpIniSection();
    // A new heap copy, owned by the caller.
    virtual MpIniSection* Clone() const;

    // Takes over the other section's name and its loaded and modified flags (not its lines),
    // telling the name index as SetName does. Call-path entry "Copy()".
    void Copy(const MpIniSection& rhs);

    // Null is ignored; a name that begins with "[" is stored unchanged, any other as
    // "[" + name + "]". Sets the modified flag and tells the name index of the file that owns
    // the section, so that lookups by name find it under its new name. Call-path entry
    // "SetName()".
    void SetName(const char* sName);
    // The bracketed name (empty for a section constructed without one).
    const char* GetName() const { return m_sName.c_str(); }

    // Set by the file that takes the section: the index that its name changes are reported
    // to. REQUIRES: pIndex (or null) outlives the section.
    void SetNameIndex(MpIniNameIndex* pIndex) { m_pNameIndex = pIndex; }

    bool GetIsModified() const { return m_bModified; }
    bool GetIsLoaded() const { return m_bLoaded; }
    void SetIsLoaded(bool bLoaded) { m_bLoaded = bLoaded; }

    // Number of key lines (comments and blank lines are no lines).
    int32_t GetNumLines() const { return m_lines.GetCount(); }
    // REQUIRES (else raises "Index %d out of range; array is from %d to %d"):
    // 0 <= lIndex < GetNumLines(). Call-path entry "GetLine()".
    MpIniLine* GetLine(int32_t lIndex) const;
    // Index of the first line whose key equals sKey ignoring case; -1 for none or a null key.
    int32_t FindKey(const char* sKey) const;

    // Comment blocks: GetNumLines() + 1 of them; block lIndex stands before line lIndex, the
    // last one after the last line. REQUIRES: 0 <= lIndex <= GetNumLines().
    const MpVector<MpString>& GetCommentBlock(int32_t lIndex) const;
    // Appends sComment (the text after the ";") to the last block.
    void AddComment(const char* sComment);

    // The value of the first line with key sKeyName, or sDefault (null counts as empty), copied
    // into the section's result buffer. Call-path entry
    // "GetString(char *sKeyName, char *sDefault)".
    const char* GetString(const char* sKeyName, const char* sDefault);
    // As above, then copies at most ulSize - 1 bytes of the result into sReturn and ends it with
    // a zero byte (ulSize 0 leaves sReturn untouched). Returns sReturn.
    // Call-path entry "GetString(char *sKeyName, char *sDefault, char *sReturn)".
    char* GetString(const char* sKeyName, const char* sDefault, char* sReturn, uint32_t ulSize);
    // The value as a number: empty or missing gives lDefault; after trimming, a text made only
    // of "-0123456789" is converted as a decimal (sign, digits up to the first other byte); a
    // text beginning with "0x" is read as hexadecimal (lDefault when no digit follows);
    // anything else gives lDefault. Call-path entry "GetInt()".
    int32_t GetInt(const char* sKeyName, int32_t lDefault);
    // The value as a truth value: empty or missing gives bDefault; after trimming, "true" or
    // "yes" in any case give true, any other text true exactly when it converts to the decimal
    // number 1. Call-path entry "GetBool()".
    bool GetBool(const char* sKeyName, bool bDefault);

    // What the file cannot carry is refused where it enters, here and in SetString (so in the
    // typed setters too): a key that is empty after trimming, holds "=", CR or LF, or begins
    // with ";" or "[" raises "Invalid key \"<trimmed key>\": a key must not be empty, hold \"=\" or a
    // line end, or begin with \";\" or \"[\""; a value holding CR or LF raises "Invalid value
    // for key \"<key>\": a value must not hold a line end". Nothing changes then.

    // Appends a line (key trimmed, value unchanged) and a new empty comment block; sets the
    // modified flag. Call-path entry "AddLine(char *sKeyName, char *sEntry)".
    void AddLine(const char* sKeyName, const char* sEntry);
    // Null or empty is ignored; otherwise appends the line MpIniLine(sLine) builds and a new
    // empty comment block; sets the modified flag. Call-path entry "AddLine(char *sLine)".
    void AddLine(const char* sLine);

    // --- Editing; every change sets the modified flag.

    // A null key or value changes nothing. Without a line for the key (FindKey), a non-empty
    // value appends one and an empty value changes nothing. Otherwise a non-empty value
    // replaces the first such line's value and an empty value removes that line; the comments
    // that stood before it then stand before the line after it (or at the end).
    // Call-path entry "SetString()".
    void SetString(const char* sKeyName, const char* sValue);
    // SetString with lValue in decimal. Call-path entry "SetInt()".
    void SetInt(const char* sKeyName, int32_t lValue);
    // SetString with "true" or "false". Call-path entry "SetBool()".
    void SetBool(const char* sKeyName, bool bValue);
    // SetString with each of the usCount bytes as two upper-case hexadecimal digits, high half
    // first; a count of 0 removes the key. Call-path entry "SetBinaryString()".
    // REQUIRES: pBytes points to usCount bytes.
    void SetBinaryString(const char* sKeyName, const void* pBytes, uint16_t usCount);
    // Decodes the key's hexadecimal text (digits 0-9 and A-F, high half first; a last digit
    // without a partner is dropped) into pBuffer, whose usSize bytes are zeroed first. A missing
    // or empty value sets the first usSize - 1 bytes to cFill instead. Raises "sReturn string
    // not big enough" when the bytes and a terminating zero do not fit, "Invalid binary string"
    // for any other byte (lower-case letters included). Call-path entry "GetBinaryString()".
    void GetBinaryString(const char* sKeyName, void* pBuffer, uint16_t usSize, char cFill);

    // Writes the section in the form ReadLines reads back into the same lines, values and
    // comments: the bracketed name, each line's comments as ";" + text and the line as
    // key=value, the trailing comments, then one empty line. A value the reader would trim or
    // unquote is written inside double quotes. A section without lines writes nothing, not even
    // its comments. Clears the modified flag. Raises "Cannot write a section which does not
    // have a name." for a section without a name. Call-path entry "Write()".
    void Write(MpOutputStreamInterface& out);

    // The file syntax's split of one trimmed text line: cut at the first "="; the value is the
    // part after it, trimmed (empty without "="), the key the part before it (the whole text
    // without "="), trimmed. A value of two bytes or more that begins and ends with a double
    // quote loses those two quotes; nothing else is unquoted. Call-path entry "SplitLine()".
    static void SplitLine(const char* sText, MpString& sKey, MpString& sValue);

    // Reads the section body from io's current position: blank lines are skipped, lines that
    // begin with ";" are comments, other lines are key lines (SplitLine). Stops at the end of
    // the file or before the first line that begins with "[" (the position is set back to the
    // start of that line). Then the section is loaded and not modified.
    void ReadLines(MpIOInterface& io);

private:
    void NameChanged();
    void AppendLine(MpIniLine* pLine);
    void RemoveLine(int32_t lIndex);
    static void WriteComments(MpOutputStreamInterface& out, const MpVector<MpString>& block);

    // Only the blocks that hold comments, by the line they stand before, in that order: most
    // sections of a large file have none, and an empty block per line would outweigh the lines.
    using CommentBlock = std::pair<int32_t, MpVector<MpString>>;

    MpPointerVector<MpIniLine> m_lines;
    std::vector<CommentBlock> m_commentBlocks;
    std::string m_sName;
    std::string m_sResult;
    bool m_bModified;
    bool m_bLoaded;
    MpIniNameIndex* m_pNameIndex = nullptr;  // not owned
};
