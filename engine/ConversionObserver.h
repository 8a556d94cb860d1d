// ConversionObserver: how a conversion run reports to whoever started it.
//
// The run never prints, never asks the user anything and never exits; the progress window, the
// command-line tool and the tests each implement this interface, so one run serves them all and
// can be watched in tests. The run holds only a reference; the caller keeps the observer alive
// for the whole run.
#pragma once

#include <cstdint>

namespace lathwell {

class ConversionObserver {
public:
    virtual ~ConversionObserver() = default;

    // Called once, before the first line is read, with the input file's size on disk in bytes
    // (for a gzip input its compressed size); 0 when the size cannot be read.
    virtual void RunStarting(int64_t inputBytes) = 0;

    // Called after every block the run's loop reads from its input (up to a few hundred KiB;
    // not the block a CSV header was read from before the loop) and, while a read waits for
    // input that has not come (a silent pipe or FIFO), about every ReadWatch::kWaitTickMs; with
    // the input read so far on RunStarting's scale (compressed bytes for a gzip input). Always
    // on the thread that called the run, so a window can serve its events here: it is the
    // run's chance to hear of a cancel. Returns true once the user has asked to stop: a waiting
    // read ends; otherwise the line being read is still converted and written (on several
    // threads, the blocks read before), then the run stops and deletes its output.
    // Also asked once after a failure that no stop caused: true then ends the run as cancelled
    // all the same, the failure reported first.
    virtual bool CancelRequested(int64_t bytesConsumed) = 0;

    // Called once when the run fails, with the message to show the user (the exception's
    // message alone, or "Unknown error!"). The run goes on to its end step afterwards: the
    // statistics gathered so far remain valid.
    virtual void ReportFailure(const char* message) = 0;
};

}  // namespace lathwell
