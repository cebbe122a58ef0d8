// The frame-rate line of a profiled viewport: frames per second over the
// last full second and the vertices drawn in the frame, written in the top
// left corner in the complement of the background colour.
#pragma once

#include "view/FrameRateFont.h"

#include <cstdint>
#include <memory>

namespace pelmora {

class FrameRateCounter {
public:
    FrameRateCounter();

    // Makes the font when profiling is on (and a font can be made).
    void createFont(IDirect3DDevice9* device);
    // Tells the font its device is going and drops it.
    void releaseFont();
    bool hasFont() const { return font_ != nullptr; }

    // Counts a frame, writes the line and restarts the vertex count; once a
    // second has passed, the frames per second are measured again.
    void measure(int width, int height, D3DCOLOR clearColor);

    double framesPerSecond() const { return framesPerSecond_; }

private:
    double now() const;

    double lastTime_;
    int frameCount_ = 0;
    double framesPerSecond_ = 0.0;
    std::unique_ptr<FrameRateFont> font_;
    int64_t counterFrequency_;
};

}  // namespace pelmora
