// What the device-against-raw-GL benchmarks share: the interleaved frame
// timing, the check that both sides drew the same picture, the body count
// override for profiling, and the summary of a comparison.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::bench {

// What an interleaved comparison measured; ran is false until it has run.
struct DrawComparison {
    bool ran = false;
    std::string renderer;
    int bodies = 0;
    unsigned long long triangles = 0;
    std::string scene;  // what was drawn, when not bodies of triangles
    unsigned width = 0, height = 0;
    double deviceMs = 0;  // median frame
    double rawMs = 0;     // median frame
    double ratio() const { return rawMs > 0 ? deviceMs / rawMs : 0; }
};

// With PELMORA_BENCH_CPU_TIME set, frames are timed by the processor time of
// the whole process instead of the clock: with the rasterizer on the calling
// thread (LP_NUM_THREADS=0) that is the frame's work, whatever else the
// machine runs.
bool timedByProcessorTime();
double processorSeconds();

// Frames of the two cases alternate, the order flipping every pair, so a
// machine shared with other work slows both alike.
class InterleavedFrames {
public:
    // Draws one frame of each case; returns the seconds of the pair.
    template <class Device, class Raw>
    double drawPair(Device drawDevice, Raw drawRaw) {
        const bool deviceFirst = device_.size() % 2 == 0;
        const double first = deviceFirst ? secondsOf(drawDevice) : secondsOf(drawRaw);
        const double second = deviceFirst ? secondsOf(drawRaw) : secondsOf(drawDevice);
        device_.push_back(deviceFirst ? first : second);
        raw_.push_back(deviceFirst ? second : first);
        return first + second;
    }

    // Median frame times in milliseconds, into the comparison.
    void report(DrawComparison* comparison) const;

private:
    template <class Draw>
    static double secondsOf(Draw draw) {
        if (timedByProcessorTime()) {
            const double start = processorSeconds();
            draw();
            return processorSeconds() - start;
        }
        const auto start = std::chrono::steady_clock::now();
        draw();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::vector<double> device_, raw_;
};

// Empty when the two pictures agree (and show something besides the
// background), else why the comparison would mean nothing.
std::string comparePictures(const std::vector<uint32_t>& device, const std::vector<uint32_t>& raw,
                            uint32_t background);

// For pictures where the device adds to what raw GL draws (wide lines, whose
// joints the device fills where the raw quads just overlap): empty when the
// device's picture holds the raw one (nearly every pixel raw GL draws, the
// device draws in the same colour) and adds at most `extraShare` of the raw
// picture's drawn pixels, else why the comparison would mean nothing.
std::string compareCoveringPictures(const std::vector<uint32_t>& device, const std::vector<uint32_t>& raw,
                                    uint32_t background, double extraShare);

// With PELMORA_BENCH_PICTURES naming a folder, both compared pictures go
// there as <name>-device.png and <name>-raw.png, for a look.
void writePictures(const char* name, const std::vector<uint32_t>& device, const std::vector<uint32_t>& raw,
                   unsigned width, unsigned height);

// PELMORA_BENCH_BODIES draws fewer bodies, for profiling; clamped to 1..most.
int benchBodyCount(int most);

// One line: the scene, both frame times and the ratio against its goal.
void printComparison(const char* name, const DrawComparison& result, double ratioGoal);

}  // namespace pelmora::bench
