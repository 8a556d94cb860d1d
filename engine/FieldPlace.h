// Where a DD field lies in a record: the one rule by which a CSV conversion places a field and
// by which fixed records are read back.
#pragma once

#include <cstdint>

#include "MpIniSection.h"

namespace lathwell {

struct FieldPlace {
    int32_t offset;  // 0-based position of the field's first byte: ByteOffset - 1, or
                     // PopByteOffset - 1 when the population fields are used and it is not 0
    int32_t length;  // Length
};

// Reads Length, ByteOffset and PopByteOffset (each 0 when missing) of a field section.
// Raises MpException "Field \"<FieldName>\" <[Section]> cannot be placed in the record: its
// <key>, <value>, <problem>." for a value outside -32768..32767, a negative Length or an
// effective position below 1. Whether the field ends within the record is left to the caller.
FieldPlace ReadFieldPlace(MpIniSection& section, bool usePopulationFields);

}  // namespace lathwell
