// The live progress line that lathwell-cli keeps on a terminal during a run: the share of
// the input read (or the amount, when the input's size is unknown) and the throughput.
//
// Update may be called as often as the caller likes; the line is redrawn only when at least
// kRedrawInterval seconds have passed since the last drawing, so a fast run costs a handful
// of writes, not one per line. The clock is passed in so that tests can step it by hand.
// The stream must outlive the object.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace lathwell::cli {

class ProgressLine {
public:
    using Clock = std::function<double()>;  // seconds on a monotonic clock
    static constexpr double kRedrawInterval = 0.2;

    // The clock defaults to std::chrono::steady_clock.
    explicit ProgressLine(std::ostream& terminal, Clock clock = Clock());

    // bytesTotal <= 0 means the size of the input is unknown.
    void Update(int64_t bytesDone, int64_t bytesTotal);
    // Wipes the line, if one was drawn, leaving the cursor at the start of it.
    void Clear();

    // The text drawn for a state, without the carriage return and padding.
    static std::string Describe(int64_t bytesDone, int64_t bytesTotal, double seconds);

private:
    std::ostream& m_terminal;
    Clock m_clock;
    double m_start;
    double m_lastDrawn;
    std::size_t m_drawnWidth = 0;
};

}  // namespace lathwell::cli
