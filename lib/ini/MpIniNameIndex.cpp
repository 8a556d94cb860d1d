#include "MpIniNameIndex.h"

#include "MpIniSection.h"

namespace {

// The name as strcasecmp compares it: ASCII letters folded to lower case, other bytes kept.
std::string FoldedName(const char* sName) {
    std::string sFolded(sName);
    for (char& c : sFolded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return sFolded;
}

}  // namespace

int32_t MpIniNameIndex::FindFirst(const MpPointerVector<MpIniSection>& sections, const char* sBracketedName) {
    if (m_bStale) {
        m_firstByName.clear();
        m_lIndexed = 0;
        m_bStale = false;
    }
    for (; m_lIndexed < sections.GetCount(); ++m_lIndexed) {
        // emplace keeps an existing entry: the first section of a name stays the one found.
        m_firstByName.emplace(FoldedName(sections[m_lIndexed]->GetName()), m_lIndexed);
    }
    auto found = m_firstByName.find(FoldedName(sBracketedName));
    return found == m_firstByName.end() ? -1 : found->second;
}
