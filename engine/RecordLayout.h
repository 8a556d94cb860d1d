// RecordLayout: the fields of a fixed-length record as a DD file lays them out, for reading
// records back (checking them, turning them into CSV): every field the DD file offers in the
// chosen layout (see DDFile::GetAvailableFields), in record order (by position, then by
// section), each placed by the rule of a CSV conversion (see FieldPlace) with its declared form,
// and numeric or text by its Type or else the DD file's numeric rule.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DDFile.h"
#include "FieldForm.h"

namespace lathwell {

struct LayoutField {
    std::string name;      // the shown name, as offered for matching ("Deaths (Cases)")
    int32_t sectionIndex;  // the field's section in the DD file
    int32_t offset;        // 0-based position of its first byte
    int32_t length;
    bool numeric;  // a number (see FieldValueReader); otherwise text
    FieldForm form;
};

struct RecordLayout {
    int32_t recordLength = 0;
    std::vector<LayoutField> fields;
};

// Raises ReadFieldPlace's MpException for an offered field that cannot be placed, and
// "Field \"<FieldName>\" <[Section]> cannot be placed in the record: it ends at byte <end>,
// past the record length <recordLength>." for one that does not end within the record.
// REQUIRES: recordLength > 0.
RecordLayout ReadRecordLayout(DDFile& ddFile, bool usePopulationFields, int32_t recordLength);

}  // namespace lathwell
