// ReportProgress: the window side of a conversion run. It moves the report window's progress
// bar, serves the window system so that the Cancel button can be pressed, answers the run's
// "cancelled?" question from the report window, and shows a failure in an "Error" box.
//
// The run asks before every line, which can be millions of times a second; serving the window
// system that often would cost more than the conversion, so events are pumped (and the bar
// moved) at most once per pump interval. A click that arrives in between is served at the
// next pump; the lines read until then are converted as usual. Even reading the clock costs
// more than converting a short line, so it is read at doubling distances after a pump, up to
// every kMostCallsUnclocked calls and never after more than kMostBytesUnclocked input bytes.
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
    static constexpr int kMostCallsUnclocked = 1024;
    static constexpr int64_t kMostBytesUnclocked = 1 << 20;

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
    QElapsedTimer m_sincePump;  // invalid until the first pump, so the first line pumps
    int m_callsUnclocked = 1;    // calls from one clock reading to the next
    int m_callsToClock = 1;      // calls left until the clock is read
    int64_t m_clockedAt = 0;     // bytes consumed when the clock was last read
};

}  // namespace lathwell::app
