// FieldSelection: what the field selection dialog shows and changes, apart from its widgets --
// the fields the DD file offers in the order they are listed, the columns of the CSV header
// line (each header with its blank flag and the shown name of the field it feeds), and the
// field position map, which it edits in place. The dialog's lists only show this model.
//
// The map is not owned and must outlive this object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DDFile.h"
#include "FieldMatcher.h"
#include "MpString.h"
#include "MpVector.h"

namespace lathwell::app {

class FieldSelection {
public:
    explicit FieldSelection(MpVector<int16_t>& fieldPositions);

    // The offered fields, listed in the order given until sorted.
    void SetOfferedFields(std::vector<AvailableField> fields);
    const std::vector<AvailableField>& OfferedFields() const { return m_offered; }
    void SortOfferedFields(FieldListColumn column);

    // Takes the columns of the header line. Columns the map already covers keep their entries
    // and show the field name of that DD section; the others are matched by name against the
    // offered fields as now listed. Raises the DD file's failure for an entry that names no
    // section.
    void SetColumns(const std::vector<ColumnHeader>& headers, DDFile& ddFile);
    const std::vector<ColumnHeader>& Columns() const { return m_columns; }
    // The shown name of the field the column feeds, or an empty text.
    // REQUIRES: column < Columns().size() (also for the members below).
    const MpString& OutputField(size_t column) const { return m_outputFields[column]; }

    // The index in OfferedFields() of the first field the column feeds, or -1 when it is
    // ignored or no listed field has its section.
    int32_t ListedFieldOf(size_t column) const;
    // Marks the column ignored.
    void Ignore(size_t column);
    // Matches the column with the listed field; false, and nothing changed, for a column
    // captioned "<Blank>", which can never be matched.
    // REQUIRES: listedField < OfferedFields().size().
    bool Update(size_t column, size_t listedField);

private:
    MpVector<int16_t>& m_fieldPositions;
    std::vector<AvailableField> m_offered;
    std::vector<ColumnHeader> m_columns;
    std::vector<MpString> m_outputFields;
};

}  // namespace lathwell::app
