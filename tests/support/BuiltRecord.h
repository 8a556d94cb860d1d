// The record a CsvRecordBuilder builds for one line, as a string of the record length.
#pragma once

#include <cstdint>
#include <string>

#include "ConversionRun.h"
#include "CsvRecordBuilder.h"

namespace lathwell {

inline std::string BuiltRecord(CsvRecordBuilder& builder, const std::string& line, RunStatistics& statistics,
                               int64_t lineNumber = 0) {
    std::string record(static_cast<size_t>(builder.RecordLength()), '\0');
    builder.BuildRecord(line.data(), line.size(), &record[0], lineNumber, statistics);
    return record;
}

}  // namespace lathwell
