// ReportProgress: the window side of a conversion run. It moves the report window's progress
// bar, serves the window system so that the Cancel button can be pressed, answers the run's
// "cancelled?" question from the report window, and shows a failure in an "Error" box.
//
// The run asks after every block it reads and every few tens of milliseconds while its input is
// silent; a fast run reads thousands of blocks a second, so events are pumped (and the bar
// moved) at most once per pump interval. A click that arrives in between is served at the next
// pump; the lines read until then are converted as usual.
//
// The progress bar counts in int, files can be larger: sizes are scaled down by a power of two
// until the largest fits.
//
// The report window and the prompter are not owned and must outlive this object.
#pragma once

#include <QElapsedTimer>

#include <cstdint>

#include "ConversionObserver.h"

class QWidget;

namespace lathwell::app {

class Prompter;
class TFormReport;

class ReportProgress : public ConversionObserver {
public:
    static constexpr int kPumpIntervalMs = 25;

    ReportProgress(TFormReport& report, Prompter& prompter, QWidget* messageParent,
                   int pumpIntervalMs = kPumpIntervalMs);

    void RunStarting(int64_t inputBytes) override;
    bool CancelRequested(int64_t bytesConsumed) override;
    void ReportFailure(const char* message) override;

    // How far a byte count is shifted right to fit the progress bar (for tests).
    int Shift() const { return m_shift; }

private:
    TFormReport& m_report;
    Prompter& m_prompter;
    QWidget* m_messageParent;
    const int m_pumpIntervalMs;
    int m_shift = 0;
    QElapsedTimer m_sincePump;  // invalid until the first pump, so the first call pumps
};

}  // namespace lathwell::app
