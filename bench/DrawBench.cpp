#include "DrawBench.h"

#include "DeviceRenderer.h"
#include "RawGLRenderer.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace pelmora::bench {
namespace {

// Small, because the software rasterizer is slow and vertex work dominates.
constexpr UINT kWidth = 256;
constexpr UINT kHeight = 256;

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

// Both cases must draw the same picture, or the comparison means nothing.
std::string checkPictures(DrawBenchState& state) {
    if (FAILED(state.device->drawFrame())) return "the device failed to draw the scene";
    const std::vector<uint32_t> device = state.device->readImage();
    state.raw->drawFrame();
    const std::vector<uint32_t> raw = state.raw->readImage();
    writePictures("draw", device, raw, kWidth, kHeight);
    return comparePictures(device, raw, state.scene.background);
}

DrawBenchState* drawBenchState() {
    std::unique_ptr<DrawBenchState>& state = sharedState();
    if (state) return state.get();
    state = std::make_unique<DrawBenchState>();
    state->scene = makeReferenceScene(benchBodyCount(kReferenceBodies), kWidth, kHeight);
    state->device = DeviceRenderer::create(state->scene, kWidth, kHeight, &state->error);
    if (state->device) state->raw = RawGLRenderer::create(*state->device, state->scene, kWidth, kHeight, &state->error);
    if (state->raw) state->error = checkPictures(*state);
    return state.get();
}

void setSceneCounters(benchmark::State& state, const DrawBenchState& bench) {
    state.counters["bodies"] = double(bench.scene.bodies.size());
    state.counters["triangles"] = double(bench.scene.triangleCount());
    state.SetLabel(bench.device->adapterDescription());
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

// The two cases interleaved (see InterleavedFrames); the iteration time is
// the pair, the counters are the medians and their ratio.
void BM_DeviceOverRawGL(benchmark::State& state) {
    DrawBenchState* bench = drawBenchState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    InterleavedFrames frames;
    bool failed = false;
    for (auto _ : state)
        state.SetIterationTime(frames.drawPair([&] { failed |= FAILED(bench->device->drawFrame()); },
                                               [&] { bench->raw->drawFrame(); }));
    if (failed) return state.SkipWithError("a device draw failed");
    DrawComparison& result = comparison();
    result.ran = true;
    result.renderer = bench->device->adapterDescription();
    result.bodies = int(bench->scene.bodies.size());
    result.triangles = bench->scene.triangleCount();
    result.width = kWidth;
    result.height = kHeight;
    frames.report(&result);
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
