#include "FieldPlace.h"

#include <limits>

#include "MpException.h"
#include "MpString.h"

namespace lathwell {

namespace {

bool FitsInt16(int32_t value) {
    return value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max();
}

[[noreturn]] void RefuseField(MpIniSection& section, const char* key, int32_t value, const char* problem) {
    const MpString fieldName(section.GetString("FieldName", ""));
    MpException::RaiseFormatted("Field \"%s\" %s cannot be placed in the record: its %s, %d, %s.",
                                "FieldPlace", fieldName.GetCString(), section.GetName(), key, value, problem);
}

}  // namespace

FieldPlace ReadFieldPlace(MpIniSection& section, bool usePopulationFields) {
    const int32_t length = section.GetInt("Length", 0);
    const int32_t byteOffset = section.GetInt("ByteOffset", 0);
    const int32_t popByteOffset = section.GetInt("PopByteOffset", 0);
    const struct {
        const char* key;
        int32_t value;
    } values[] = {{"Length", length}, {"ByteOffset", byteOffset}, {"PopByteOffset", popByteOffset}};
    for (const auto& entry : values) {
        if (!FitsInt16(entry.value))
            RefuseField(section, entry.key, entry.value, "lies outside -32768..32767");
    }
    if (length < 0) RefuseField(section, "Length", length, "is negative");
    const bool usesPopulationOffset = usePopulationFields && popByteOffset != 0;
    const int32_t position = usesPopulationOffset ? popByteOffset : byteOffset;
    if (position < 1) {
        RefuseField(section, usesPopulationOffset ? "PopByteOffset" : "ByteOffset", position, "is below 1");
    }
    return FieldPlace{position - 1, length};
}

}  // namespace lathwell
