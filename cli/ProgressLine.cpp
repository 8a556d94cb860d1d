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
    : terminal_(terminal), clock_(clock ? std::move(clock) : Clock(SteadySeconds)) {
    start_ = clock_();
    lastDrawn_ = start_;
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
    double now = clock_();
    if (now - lastDrawn_ < kRedrawInterval) return;
    lastDrawn_ = now;
    std::string text = Describe(bytesDone, bytesTotal, now - start_);
    std::size_t width = text.size();
    if (text.size() < drawnWidth_) text.append(drawnWidth_ - text.size(), ' ');
    terminal_ << '\r' << text << std::flush;
    drawnWidth_ = width > drawnWidth_ ? width : drawnWidth_;
}

void ProgressLine::Clear() {
    if (drawnWidth_ == 0) return;
    terminal_ << '\r' << std::string(drawnWidth_, ' ') << '\r' << std::flush;
    drawnWidth_ = 0;
}

}  // namespace lathwell::cli
