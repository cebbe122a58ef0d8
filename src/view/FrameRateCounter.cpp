#include "view/FrameRateCounter.h"

#include "view/Profiling.h"

#include <chrono>
#include <cstdio>

namespace pelmora {

namespace {

using Counter = std::chrono::steady_clock;

constexpr double kMeasuringPeriod = 1.0;  // seconds
constexpr DWORD kTopLeft = 0;
constexpr D3DCOLOR kOpaque = 0xFF000000u;
constexpr size_t kLineCapacity = 128;

int64_t readCounter() { return Counter::now().time_since_epoch().count(); }

}  // namespace

FrameRateCounter::FrameRateCounter()
    : counterFrequency_(Counter::period::den / Counter::period::num) {
    lastTime_ = now();
}

double FrameRateCounter::now() const {
    return static_cast<double>(readCounter()) / static_cast<double>(counterFrequency_);
}

void FrameRateCounter::createFont(IDirect3DDevice9* device) {
    if (profilingEnabled && !font_) font_ = createFrameRateFont(device);
}

void FrameRateCounter::releaseFont() {
    if (!font_) return;
    font_->onLostDevice();
    font_.reset();
}

void FrameRateCounter::measure(int width, int height, D3DCOLOR clearColor) {
    if (!profilingEnabled || !font_) return;
    ++frameCount_;
    const double time = now();
    const double elapsed = time - lastTime_;
    char line[kLineCapacity];
    std::snprintf(line, sizeof line, "FPS: %.6f, %d vertices", framesPerSecond_,
                  drawnVertexCount);
    const RECT area{0, 0, width, height};
    font_->drawText(line, area, kTopLeft, ~clearColor | kOpaque);
    drawnVertexCount = 0;
    if (elapsed > kMeasuringPeriod) {
        lastTime_ = time;
        framesPerSecond_ = frameCount_ / elapsed;
        frameCount_ = 0;
    }
}

}  // namespace pelmora
