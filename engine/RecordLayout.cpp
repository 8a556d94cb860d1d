#include "RecordLayout.h"

#include <algorithm>

#include "FieldFormReader.h"
#include "FieldPlace.h"
#include "FieldValueReader.h"
#include "MpIniSection.h"

namespace lathwell {

RecordLayout ReadRecordLayout(DDFile& ddFile, bool usePopulationFields, int32_t recordLength) {
    RecordLayout layout;
    layout.recordLength = recordLength;
    for (const AvailableField& offered : ddFile.GetAvailableFields(usePopulationFields)) {
        MpIniSection& section = *ddFile.GetSection(offered.sectionIndex);
        const FieldPlace place = ReadFieldPlace(section, usePopulationFields);
        const int64_t end = static_cast<int64_t>(place.offset) + place.length;
        if (end > recordLength) {
            const MpString fieldName(section.GetString("FieldName", ""));
            MpException::RaiseFormatted(
                "Field \"%s\" %s cannot be placed in the record: it ends at byte %lld, past the record "
                "length %d.",
                "RecordLayout", fieldName.GetCString(), section.GetName(), static_cast<long long>(end),
                recordLength);
        }
        const FieldForm form = ReadFieldForm(section).form;
        const bool numericByFormat = ddFile.IsNumericField(section.GetString("FieldName", ""));
        layout.fields.push_back(LayoutField{offered.shownName, offered.sectionIndex, place.offset,
                                            place.length, FieldValueReader(form, numericByFormat, place.length).IsNumber(),
                                            form});
    }
    std::stable_sort(layout.fields.begin(), layout.fields.end(),
                     [](const LayoutField& a, const LayoutField& b) {
                         return a.offset != b.offset ? a.offset < b.offset : a.sectionIndex < b.sectionIndex;
                     });
    return layout;
}

}  // namespace lathwell
