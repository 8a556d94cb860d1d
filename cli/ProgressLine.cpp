#include "ProgressLine.h"

#include <chrono>
#include <cstdio>

namespace lathwell::cli {

namespace {

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& terminal, Clock clock)
    : m_terminal(terminal), m_clock(clock ? std::move(clock) : Clock(SteadySeconds)) {
    m_start = m_clock();
    m_lastDrawn = m_start;
}

std::string ProgressLine::Describe(int64_t bytesDone, int64_t bytesTotal, double seconds) {
    const double megabyte = 1e6;
    double rate = seconds > 0 ? bytesDone / megabyte / seconds : 0.0;
    char text[64];
    if (bytesTotal > 0) {
        // A gzip input advances by uncompressed bytes, so the share may pass its size.
        int64_t percent = bytesDone >= bytesTotal ? 100 : bytesDone * 100 / bytesTotal;
        std::snprintf(text, sizeof text, "%3d%%  %.1f MB/s", static_cast<int>(percent), rate);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB  %.1f MB/s", bytesDone / megabyte, rate);
    }
    return text;
}

void ProgressLine::Update(int64_t bytesDone, int64_t bytesTotal) {
    double now = m_clock();
    if (now - m_lastDrawn < kRedrawInterval) return;
    m_lastDrawn = now;
    std::string text = Describe(bytesDone, bytesTotal, now - m_start);
    std::size_t width = text.size();
    if (text.size() < m_drawnWidth) text.append(m_drawnWidth - text.size(), ' ');
    m_terminal << '\r' << text << std::flush;
    m_drawnWidth = width > m_drawnWidth ? width : m_drawnWidth;
}

void ProgressLine::Clear() {
    if (m_drawnWidth == 0) return;
    m_terminal << '\r' << std::string(m_drawnWidth, ' ') << '\r' << std::flush;
    m_drawnWidth = 0;
}

}  // namespace lathwell::cli
