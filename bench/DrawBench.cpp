#include "DrawBench.h"

#include "DeviceRenderer.h"
#include "RawGLRenderer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

namespace pelmora::bench {
namespace {

// Small, because the software rasterizer is slow and vertex work dominates.
constexpr UINT kWidth = 256;
constexpr UINT kHeight = 256;
// A pixel counts as different beyond this many levels in any channel, and
// the two cases must agree on all but this share of the pixels.
constexpr int kPixelTolerance = 24;
constexpr double kMaxDifferentShare = 0.02;
constexpr double kMillisecondsPerSecond = 1000.0;

struct DrawBenchState {
    ReferenceScene scene;
    std::unique_ptr<DeviceRenderer> device;
    std::unique_ptr<RawGLRenderer> raw;
    std::string error;
};

std::unique_ptr<DrawBenchState>& sharedState() {
    static std::unique_ptr<DrawBenchState> state;
    return state;
}

DrawComparison& comparison() {
    static DrawComparison result;
    return result;
}

// PELMORA_BENCH_BODIES draws fewer bodies, for profiling under valgrind.
int bodyCount() {
    const char* text = std::getenv("PELMORA_BENCH_BODIES");
    const int count = text ? std::atoi(text) : kReferenceBodies;
    return std::clamp(count, 1, kReferenceBodies);
}

bool sameChannels(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > kPixelTolerance) return false;
    return true;
}

// Both cases must draw the same picture, or the comparison means nothing.
std::string comparePictures(DrawBenchState& state) {
    if (FAILED(state.device->drawFrame())) return "the device failed to draw the scene";
    const std::vector<uint32_t> device = state.device->readImage();
    state.raw->drawFrame();
    const std::vector<uint32_t> raw = state.raw->readImage();
    if (device.size() != raw.size() || device.empty()) return "the back buffer could not be read";
    size_t different = 0, background = 0;
    for (size_t i = 0; i < device.size(); ++i) {
        different += sameChannels(device[i], raw[i]) ? 0 : 1;
        background += sameChannels(device[i], state.scene.background) ? 1 : 0;
    }
    if (double(different) > kMaxDifferentShare * double(device.size()))
        return "the device and raw GL draw different pictures (" + std::to_string(different) + " pixels differ)";
    if (background == device.size()) return "nothing was drawn";
    return {};
}

DrawBenchState* drawBenchState() {
    std::unique_ptr<DrawBenchState>& state = sharedState();
    if (state) return state.get();
    state = std::make_unique<DrawBenchState>();
    state->scene = makeReferenceScene(bodyCount(), kWidth, kHeight);
    state->device = DeviceRenderer::create(state->scene, kWidth, kHeight, &state->error);
    if (state->device) state->raw = RawGLRenderer::create(*state->device, state->scene, kWidth, kHeight, &state->error);
    if (state->raw) state->error = comparePictures(*state);
    return state.get();
}

void setSceneCounters(benchmark::State& state, const DrawBenchState& bench) {
    state.counters["bodies"] = double(bench.scene.bodies.size());
    state.counters["triangles"] = double(bench.scene.triangleCount());
    state.SetLabel(bench.device->adapterDescription());
}

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : 0.5 * (samples[middle - 1] + samples[middle]);
}

template <class Draw>
double secondsOf(Draw draw) {
    const auto start = std::chrono::steady_clock::now();
    draw();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_DeviceFrame(benchmark::State& state) {
    DrawBenchState* bench = drawBenchState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    for (auto _ : state)
        if (FAILED(bench->device->drawFrame())) return state.SkipWithError("a device draw failed");
    setSceneCounters(state, *bench);
}

void BM_RawGLFrame(benchmark::State& state) {
    DrawBenchState* bench = drawBenchState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    for (auto _ : state) bench->raw->drawFrame();
    setSceneCounters(state, *bench);
}

// Frames of the two cases alternate, the order flipping every iteration, so
// a machine shared with other work slows both alike. The iteration time is
// the pair; the counters are the medians and their ratio.
void BM_DeviceOverRawGL(benchmark::State& state) {
    DrawBenchState* bench = drawBenchState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    std::vector<double> device, raw;
    bool failed = false;
    for (auto _ : state) {
        const auto drawDevice = [&] { failed |= FAILED(bench->device->drawFrame()); };
        const auto drawRaw = [&] { bench->raw->drawFrame(); };
        const bool deviceFirst = device.size() % 2 == 0;
        const double first = deviceFirst ? secondsOf(drawDevice) : secondsOf(drawRaw);
        const double second = deviceFirst ? secondsOf(drawRaw) : secondsOf(drawDevice);
        device.push_back(deviceFirst ? first : second);
        raw.push_back(deviceFirst ? second : first);
        state.SetIterationTime(first + second);
    }
    if (failed) return state.SkipWithError("a device draw failed");
    DrawComparison& result = comparison();
    result.ran = true;
    result.renderer = bench->device->adapterDescription();
    result.bodies = int(bench->scene.bodies.size());
    result.triangles = bench->scene.triangleCount();
    result.width = kWidth;
    result.height = kHeight;
    result.deviceMs = median(device) * kMillisecondsPerSecond;
    result.rawMs = median(raw) * kMillisecondsPerSecond;
    setSceneCounters(state, *bench);
    state.counters["device_ms"] = result.deviceMs;
    state.counters["raw_gl_ms"] = result.rawMs;
    state.counters["ratio"] = result.ratio();
}

BENCHMARK(BM_DeviceFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RawGLFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DeviceOverRawGL)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(6.0);

}  // namespace

const DrawComparison& drawComparison() { return comparison(); }

void releaseDrawBench() { sharedState().reset(); }

}  // namespace pelmora::bench
