// A progress bar on standard error that shows only once a job has run for
// more than a second: quick files print nothing.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace viewer {

class ProgressBar {
public:
    void operator()(const char* phase, double fraction) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        const int percent = int(fraction * 100.0 + 0.5);
        if (elapsed < 1.0 || (phase == phase_ && percent == percent_)) return;
        phase_ = phase;
        percent_ = percent;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r%-13s [%.*s%*s] %3d%%  %5.1f s", phase, filled,
                     "##############################", 30 - filled, "", percent, elapsed);
        shown_ = true;
    }
    // Ends the bar's line, if it showed.
    void finish() {
        if (shown_) std::fprintf(stderr, "\n");
        shown_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_ = Clock::now();
    std::string phase_;
    int percent_ = -1;
    bool shown_ = false;
};

}  // namespace viewer
