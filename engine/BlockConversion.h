// BlockConversion: a conversion run on several threads. The calling thread reads the input in
// blocks of whole lines (cut after a line end) and writes their records; workers, each with a
// reader, a writer and a CSV record builder of their own, convert the blocks' lines as a run on
// one thread would (see ConvertLines). The calling thread is one of them: while the block it
// is to write next is not done, it converts blocks that no worker has taken or is about to
// take. Blocks are written in the order they were read, and their statistics, CSV value counts
// and line numbers added up in that order, so the output, the result and any failure (its
// message and line) are those of one thread. A block whose worker failed on a line is written
// up to that line, and the failure then ends the run. The run's observer hears of the blocks
// as the input's watch (see ConvertRun); once the run's stop is set, no further block is read
// and each worker ends its block after the line it is on. At most two blocks per thread are
// read and not yet written, so memory stays bounded whatever the input.
#pragma once

#include "LineConversion.h"

namespace lathwell {

struct PreparedRun;

// The threads that convert the prepared run's lines: its settings' threads (0: the cores), or 1
// for a run the single loop must keep (a line limit; an output withheld).
int ConversionThreads(const PreparedRun& run);

// Converts every line of the prepared run on threads threads (see above); as ConvertLines
// otherwise, the output not closed. REQUIRES: threads >= 2.
void ConvertBlocks(PreparedRun& run, int threads, RunStatistics& statistics, RunState& state);

}  // namespace lathwell
