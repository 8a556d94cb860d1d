// The record a CsvRecordBuilder builds for one line, as a string of the record length.
#pragma once

#include <cstdint>
#include <string>

#include "ConversionRun.h"
#include "CsvRecordBuilder.h"
#include "RecordWriter.h"

namespace lathwell {

inline std::string BuiltRecord(CsvRecordBuilder& builder, const char* line, size_t length,
                               RunStatistics& statistics, int64_t lineNumber = 0) {
    // As in a writer's block, with room after the record.
    std::string record(static_cast<size_t>(builder.RecordLength()) + RecordWriter::kScratchAfterRecord, '\0');
    builder.BuildRecord(line, length, &record[0], lineNumber, statistics);
    return record.substr(0, static_cast<size_t>(builder.RecordLength()));
}

inline std::string BuiltRecord(CsvRecordBuilder& builder, const std::string& line, RunStatistics& statistics,
                               int64_t lineNumber = 0) {
    return BuiltRecord(builder, line.data(), line.size(), statistics, lineNumber);
}

}  // namespace lathwell
