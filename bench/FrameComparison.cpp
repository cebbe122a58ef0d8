#include "FrameComparison.h"

#include "platform/imaging/ImageFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace pelmora::bench {
namespace {

// A pixel counts as different beyond this many levels in any channel, and
// the two cases must agree on all but this share of the pixels.
constexpr int kPixelTolerance = 24;
constexpr double kMaxDifferentShare = 0.02;
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr int kColourBits = 24;
constexpr int kChannelBits = 8;
constexpr uint32_t kChannelMask = 0xFF;

double median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : 0.5 * (samples[middle - 1] + samples[middle]);
}

bool sameChannels(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < kColourBits; shift += kChannelBits)
        if (std::abs(int((a >> shift) & kChannelMask) - int((b >> shift) & kChannelMask)) > kPixelTolerance)
            return false;
    return true;
}

}  // namespace

void InterleavedFrames::report(DrawComparison* comparison) const {
    comparison->deviceMs = median(device_) * kMillisecondsPerSecond;
    comparison->rawMs = median(raw_) * kMillisecondsPerSecond;
}

std::string comparePictures(const std::vector<uint32_t>& device, const std::vector<uint32_t>& raw,
                            uint32_t background) {
    if (device.size() != raw.size() || device.empty()) return "the back buffer could not be read";
    size_t different = 0, unchanged = 0;
    for (size_t i = 0; i < device.size(); ++i) {
        different += sameChannels(device[i], raw[i]) ? 0 : 1;
        unchanged += sameChannels(device[i], background) ? 1 : 0;
    }
    if (double(different) > kMaxDifferentShare * double(device.size()))
        return "the device and raw GL draw different pictures (" + std::to_string(different) + " pixels differ)";
    if (unchanged == device.size()) return "nothing was drawn";
    return {};
}

std::string compareCoveringPictures(const std::vector<uint32_t>& device, const std::vector<uint32_t>& raw,
                                    uint32_t background, double extraShare) {
    if (device.size() != raw.size() || device.empty()) return "the back buffer could not be read";
    size_t drawn = 0, missing = 0, extra = 0;
    for (size_t i = 0; i < device.size(); ++i) {
        const bool rawDrew = !sameChannels(raw[i], background);
        const bool deviceDrew = !sameChannels(device[i], background);
        drawn += rawDrew ? 1 : 0;
        missing += rawDrew && !sameChannels(device[i], raw[i]) ? 1 : 0;
        extra += deviceDrew && !rawDrew ? 1 : 0;
    }
    if (drawn == 0) return "nothing was drawn";
    if (double(missing) > kMaxDifferentShare * double(drawn))
        return "the device leaves out or recolours " + std::to_string(missing) + " of the " + std::to_string(drawn) +
               " pixels raw GL draws";
    if (double(extra) > extraShare * double(drawn))
        return "the device draws " + std::to_string(extra) + " pixels more than raw GL's " + std::to_string(drawn);
    return {};
}

void writePictures(const char* name, const std::vector<uint32_t>& device, const std::vector<uint32_t>& raw,
                   unsigned width, unsigned height) {
    const char* folder = std::getenv("PELMORA_BENCH_PICTURES");
    if (!folder) return;
    const auto write = [&](const std::vector<uint32_t>& pixels, const char* side) {
        if (pixels.size() != size_t(width) * height) return;
        const std::string path = std::string(folder) + "/" + name + "-" + side + ".png";
        imaging::WriteOptions options;
        options.keepAlpha = false;
        imaging::writeImage(path.c_str(), imaging::ImageFormat::Png,
                            imaging::ImageView{pixels.data(), int(width), int(height), int(width)}, options);
    };
    write(device, "device");
    write(raw, "raw");
}

bool timedByProcessorTime() {
    static const bool set = std::getenv("PELMORA_BENCH_CPU_TIME") != nullptr;
    return set;
}

double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

int benchBodyCount(int most) {
    const char* text = std::getenv("PELMORA_BENCH_BODIES");
    const int count = text ? std::atoi(text) : most;
    return std::clamp(count, 1, most);
}

void printComparison(const char* name, const DrawComparison& result, double ratioGoal) {
    if (!result.ran) return;
    const std::string scene = !result.scene.empty() ? result.scene
                                                    : std::to_string(result.bodies) + " bodies, " +
                                                          std::to_string(result.triangles) + " triangles";
    std::printf("%s: %s, %ux%u on %s: device %.1f ms, raw GL %.1f ms, ratio %.3f (goal <= %.2f: %s)\n", name,
                scene.c_str(), result.width, result.height, result.renderer.c_str(),
                result.deviceMs, result.rawMs, result.ratio(), ratioGoal,
                result.ratio() <= ratioGoal ? "met" : "missed");
}

}  // namespace pelmora::bench
