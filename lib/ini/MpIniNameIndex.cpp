#include "MpIniNameIndex.h"

#include <strings.h>

#include "MpIniSection.h"

namespace {

constexpr int32_t kFree = -1;
constexpr size_t kFirstSlots = 16;

// FNV-1a over the name as strcasecmp compares it: ASCII letters folded to lower case, other
// bytes kept.
size_t FoldedHash(const char* sName) {
    uint64_t ullHash = 14695981039346656037ULL;
    for (const char* p = sName; *p != '\0'; ++p) {
        char c = *p >= 'A' && *p <= 'Z' ? static_cast<char>(*p - 'A' + 'a') : *p;
        ullHash = (ullHash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return static_cast<size_t>(ullHash);
}

}  // namespace

size_t MpIniNameIndex::SlotOf(const MpPointerVector<MpIniSection>& sections, const char* sBracketedName) const {
    const size_t ulMask = m_slots.size() - 1;
    size_t ulSlot = FoldedHash(sBracketedName) & ulMask;
    while (m_slots[ulSlot] != kFree && strcasecmp(sections[m_slots[ulSlot]]->GetName(), sBracketedName) != 0) {
        ulSlot = (ulSlot + 1) & ulMask;
    }
    return ulSlot;
}

void MpIniNameIndex::IndexNext(const MpPointerVector<MpIniSection>& sections) {
    const size_t ulSlot = SlotOf(sections, sections[m_lIndexed]->GetName());
    // A name indexed already keeps its slot: the first section of a name stays the one found.
    if (m_slots[ulSlot] == kFree) {
        m_slots[ulSlot] = m_lIndexed;
        ++m_ulUsed;
    }
    ++m_lIndexed;
}

void MpIniNameIndex::Grow(const MpPointerVector<MpIniSection>& sections) {
    const int32_t lIndexed = m_lIndexed;
    m_slots.assign(m_slots.empty() ? kFirstSlots : m_slots.size() * 2, kFree);
    m_ulUsed = 0;
    for (m_lIndexed = 0; m_lIndexed < lIndexed;) IndexNext(sections);
}

int32_t MpIniNameIndex::FindFirst(const MpPointerVector<MpIniSection>& sections, const char* sBracketedName) {
    if (m_bStale) {
        m_slots.clear();
        m_ulUsed = 0;
        m_lIndexed = 0;
        m_bStale = false;
    }
    if (m_slots.empty()) Grow(sections);
    while (m_lIndexed < sections.GetCount()) {
        if ((m_ulUsed + 1) * 2 > m_slots.size()) Grow(sections);
        IndexNext(sections);
    }
    return m_slots[SlotOf(sections, sBracketedName)];
}
