// The conversion observer of lathwell-cli: it passes the run's progress to a ProgressLine,
// when there is one, and asks the run to stop once an interrupt, terminate or hang-up signal
// has arrived (the run then deletes the output it created). Failures are read from the run's
// result, so ReportFailure has nothing to do here. The progress line must outlive the observer.
#pragma once

#include "ConversionObserver.h"
#include "MpSignal.h"
#include "ProgressLine.h"
#include "RunStop.h"

namespace lathwell::cli {

class ProgressObserver : public ConversionObserver {
public:
    // progress may be null: the run is then watched by no one.
    explicit ProgressObserver(ProgressLine* progress) : m_progress(progress) {}

    void RunStarting(int64_t inputBytes) override { m_inputBytes = inputBytes; }
    bool CancelRequested(int64_t bytesConsumed) override {
        if (m_progress != nullptr) m_progress->Update(bytesConsumed, m_inputBytes);
        return IsStopRequest(MpSignal::Caught());
    }
    void ReportFailure(const char*) override {}

private:
    ProgressLine* m_progress;
    int64_t m_inputBytes = 0;
};

}  // namespace lathwell::cli
