#include "FieldSelection.h"

#include <cstring>
#include <utility>

namespace lathwell::app {

FieldSelection::FieldSelection(MpVector<int16_t>& fieldPositions)
    : m_fieldPositions(fieldPositions) {}

void FieldSelection::SetOfferedFields(std::vector<AvailableField> fields) {
    m_offered = std::move(fields);
}

void FieldSelection::SortOfferedFields(FieldListColumn column) {
    SortAvailableFields(m_offered, column);
}

void FieldSelection::SetColumns(const std::vector<ColumnHeader>& headers, DDFile& ddFile) {
    m_columns = headers;
    const size_t known = m_fieldPositions.size();
    MatchNewColumns(m_columns, m_offered, m_fieldPositions);
    m_outputFields.assign(m_columns.size(), MpString());
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_fieldPositions[i] < 0) continue;
        if (i < known) {
            m_outputFields[i] = ddFile.GetFieldName(m_fieldPositions[i]);
        } else {
            const int32_t listed = ListedFieldOf(i);
            if (listed >= 0) m_outputFields[i] = m_offered[listed].shownName.c_str();
        }
    }
}

int32_t FieldSelection::ListedFieldOf(size_t column) const {
    const int16_t entry = m_fieldPositions[column];
    if (entry < 0) return -1;
    for (size_t i = 0; i < m_offered.size(); ++i)
        if (m_offered[i].sectionIndex == entry) return static_cast<int32_t>(i);
    return -1;
}

void FieldSelection::Ignore(size_t column) {
    m_fieldPositions[column] = -1;
    m_outputFields[column] = MpString();
}

bool FieldSelection::Update(size_t column, size_t listedField) {
    if (std::strcmp(m_columns[column].text.GetCString(), kBlankColumnHeader) == 0) return false;
    const AvailableField& field = m_offered[listedField];
    m_fieldPositions[column] = static_cast<int16_t>(field.sectionIndex);
    m_outputFields[column] = field.shownName.c_str();
    return true;
}

}  // namespace lathwell::app
