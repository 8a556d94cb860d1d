#include "LineConversion.h"

#include <algorithm>
#include <cstdint>

#include "CsvRecordBuilder.h"
#include "LineReader.h"
#include "RecordWriter.h"
#include "RunStop.h"

namespace lathwell {

namespace {

// The loop's own counts, kept apart from the run's statistics so that no call in the loop can
// reach them (the compiler then need not store them back after every call), in 64 bits so that
// they need no test per line; added to the statistics, each stopping at the largest 32-bit
// value, whenever the loop ends.
struct LineTally {
    int64_t processed = 0;
    int64_t empty = 0;
    int32_t shortest = INT32_MAX;
    int32_t longest = 0;
    // Pad/truncate only; the CSV builder counts its edited and padded records itself.
    int64_t truncated = 0;
    int64_t padded = 0;
    int64_t blanked = 0;
    int64_t blankedOnly = 0;  // blanked lines of exactly the record length

    void CountLength(int32_t length) {
        ++processed;
        shortest = std::min(shortest, length);
        longest = std::max(longest, length);
    }

    void CountPadOrTruncate(const TextLine& line, int32_t recordLength) {
        truncated += line.length > recordLength;
        padded += line.length < recordLength;
        blanked += line.blanked;
        blankedOnly += line.blanked && line.length == recordLength;
    }

    void AddTo(RunStatistics& statistics) const {
        if (processed > 0) {
            statistics.MinRecordLength = statistics.LinesProcessed > 0 ? std::min(statistics.MinRecordLength, shortest)
                                                                       : shortest;
            statistics.MaxRecordLength = std::max(statistics.MaxRecordLength, longest);
        }
        AddCount(statistics.LinesProcessed, processed);
        AddCount(statistics.EmptyRecordsSkipped, empty);
        AddCount(statistics.LinesTruncated, truncated);
        AddCount(statistics.LinesPadded, padded);
        AddCount(statistics.LinesAsciiFixed, blanked);
        AddCount(statistics.RecordsEdited, truncated + padded + blankedOnly);
    }
};

}  // namespace

void ConvertLines(LineReader& input, RecordWriter& output, CsvRecordBuilder* const builder, int64_t lineLimit,
                  RunStop& stop, RunStatistics& statistics, RunState& state) {
    LineReader* const reader = &input;
    RecordWriter* const writer = &output;
    const int32_t recordLength = writer->GetRecordLength();
    TextLine line;

    // Kept in locals, which the loop keeps in registers, and handed to state on the way out.
    int64_t linesLeft = lineLimit > 0 ? lineLimit : -1;
    int64_t failingLine = 0;
    bool cancelled = false;
    LineTally tally;
    try {
        while (!cancelled && linesLeft != 0) {
            // A failure while reading belongs to the line being read.
            failingLine = reader->LinesRead() + 1;
            if (!reader->ReadLine(line)) break;
            --linesLeft;
            cancelled = stop.Requested();
            if (line.length == 0) {
                ++tally.empty;
                continue;
            }
            tally.CountLength(line.length);
            const int64_t lineNumber = failingLine;
            failingLine = 0;  // a write failure is the output's, not the line's
            if (builder) {
                // The record is built where the writer will store it.
                char* record = writer->NextRecord();
                failingLine = lineNumber;
                builder->BuildRecord(line.text, static_cast<size_t>(line.length), record, lineNumber,
                                     statistics);
                writer->CommitRecord();
            } else {
                tally.CountPadOrTruncate(line, recordLength);
                writer->WriteRecord(line.text, line.length);
            }
        }
    } catch (...) {
        tally.AddTo(statistics);
        state.cancelled = cancelled;
        state.line = failingLine;
        throw;
    }
    tally.AddTo(statistics);
    state.cancelled = cancelled;
}

void AddStatistics(RunStatistics& total, const RunStatistics& more) {
    if (more.LinesProcessed > 0) {
        total.MinRecordLength =
            total.LinesProcessed > 0 ? std::min(total.MinRecordLength, more.MinRecordLength) : more.MinRecordLength;
        total.MaxRecordLength = std::max(total.MaxRecordLength, more.MaxRecordLength);
    }
    AddCount(total.LinesProcessed, more.LinesProcessed);
    AddCount(total.EmptyRecordsSkipped, more.EmptyRecordsSkipped);
    AddCount(total.LinesTruncated, more.LinesTruncated);
    AddCount(total.LinesPadded, more.LinesPadded);
    AddCount(total.LinesAsciiFixed, more.LinesAsciiFixed);
    AddCount(total.RecordsEdited, more.RecordsEdited);
}

}  // namespace lathwell
