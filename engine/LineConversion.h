// LineConversion: the conversion of lines into records, one after the other: the loop of a run
// on one thread, and of each block of lines a run on several threads hands to a worker.
#pragma once

#include <cstdint>

#include "ConversionRun.h"

namespace lathwell {

class CsvRecordBuilder;
class LineReader;
class RecordWriter;
class RunStop;

// Where a run stands, for the result: whether the user asked to stop and which input line is
// being read or handled (0 while none is), numbered as the reader numbers its lines.
struct RunState {
    bool cancelled = false;
    int64_t line = 0;
};

// Converts the lines of reader into records of writer's record length (through builder in a
// CSV run, padded or cut otherwise) until the input ends, lineLimit lines (0: no limit) were
// read, or the stop is set (by the run's observer, which the reader's watch asks, or by anyone
// else): the line read when the stop is seen is still converted, then state says cancelled, and
// stays so when that line fails. Counts into statistics as the run's result describes.
// Failures leave as exceptions, state naming the line, the statistics counted up to it; the
// writer is not closed.
void ConvertLines(LineReader& reader, RecordWriter& writer, CsvRecordBuilder* builder, int64_t lineLimit,
                  RunStop& stop, RunStatistics& statistics, RunState& state);

// Adds the statistics of lines converted after those of total, as if counted by one loop.
void AddStatistics(RunStatistics& total, const RunStatistics& more);

}  // namespace lathwell
