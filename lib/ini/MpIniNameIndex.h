// MpIniNameIndex: finds the first section of a name among one file's sections without scanning
// them, so that files of tens of thousands of sections are set up in near-linear time.
//
// The index keeps, for each name folded to lower case (a to z only, as the lookups compare),
// the position of the first section of that name, in a hash table of positions alone: the names
// compared are the sections' own, so the index adds a few bytes per section, not a copy of each
// name. It catches up by itself with sections appended since the last lookup (a file only ever
// appends). Every other change of the names
// reaches it through NameChanged: a section whose name changes (SetName, Copy) tells the index
// of the file that owns it, and the next lookup indexes all names afresh. A section belongs to
// the index its file gave it (MpIniSection::SetNameIndex); copies of a section belong to none.
//
// Not thread-safe: one file, one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "MpVector.h"

class MpIniSection;

class MpIniNameIndex {
public:
    // Position in sections of the first section named sBracketedName ignoring case, or -1.
    // REQUIRES: sections are the ones this index was given to, in their current order.
    int32_t FindFirst(const MpPointerVector<MpIniSection>& sections, const char* sBracketedName);
    // A section of the file was renamed (or its list changed otherwise than by appending).
    void NameChanged() { m_bStale = true; }

private:
    // The slot that holds the first section named sBracketedName (ignoring case), or else the
    // free slot where it would go.
    size_t SlotOf(const MpPointerVector<MpIniSection>& sections, const char* sBracketedName) const;
    // Indexes sections[m_lIndexed] unless a section of its name is indexed already.
    void IndexNext(const MpPointerVector<MpIniSection>& sections);
    // Twice as many slots, every indexed section placed again.
    void Grow(const MpPointerVector<MpIniSection>& sections);

    std::vector<int32_t> m_slots;  // section positions, kFree where none; a power of two long
    size_t m_ulUsed = 0;           // slots in use, at most half of them
    int32_t m_lIndexed = 0;        // sections[0, m_lIndexed) are indexed
    bool m_bStale = false;
};
