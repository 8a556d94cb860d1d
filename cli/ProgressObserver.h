// The conversion observer of lathwell-cli: it passes the run's progress to a ProgressLine,
// when there is one, and never asks the run to stop. Failures are read from the run's result,
// so ReportFailure has nothing to do here. The progress line must outlive the observer.
#pragma once

#include "ConversionObserver.h"
#include "ProgressLine.h"

namespace lathwell::cli {

class ProgressObserver : public ConversionObserver {
public:
    // progress may be null: the run is then watched by no one.
    explicit ProgressObserver(ProgressLine* progress) : progress_(progress) {}

    void RunStarting(int64_t inputBytes) override { inputBytes_ = inputBytes; }
    bool CancelRequested(int64_t bytesConsumed) override {
        if (progress_ != nullptr) progress_->Update(bytesConsumed, inputBytes_);
        return false;
    }
    void ReportFailure(const char*) override {}

private:
    ProgressLine* progress_;
    int64_t inputBytes_ = 0;
};

}  // namespace lathwell::cli
