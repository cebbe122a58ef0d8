#include "BillboardBench.h"

#include "BillboardHost.h"
#include "BillboardRawRenderer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace pelmora::bench {
namespace {

constexpr UINT kWidth = 1920;
constexpr UINT kHeight = 1080;
constexpr int kBillboards = 10000;
constexpr double kRatioGoal = 1.5;
constexpr int kComparedPairs = 25;
constexpr int kBatchedFrames = 5;

struct BillboardState {
    std::vector<BillboardMark> marks;
    std::unique_ptr<BillboardHost> host;
    std::unique_ptr<BillboardRawRenderer> raw;
    std::string error;
};

std::unique_ptr<BillboardState>& sharedState() {
    static std::unique_ptr<BillboardState> state;
    return state;
}

BillboardComparison& comparison() {
    static BillboardComparison result;
    return result;
}

// The first frame loads the atlas and sets the viewport's matrices; then
// both sides draw once and their pictures must agree.
std::string openRawSide(BillboardState& state) {
    if (FAILED(state.host->drawFrame())) return "the device failed to draw the billboards";
    state.raw = BillboardRawRenderer::create(*state.host, state.marks, kWidth, kHeight, &state.error);
    if (!state.raw) return state.error;
    if (FAILED(state.host->drawFrame())) return "the device failed to draw the billboards";
    const std::vector<uint32_t> device = state.host->readImage();
    state.raw->drawFrame();
    const std::vector<uint32_t> raw = state.raw->readImage();
    writePictures("billboards", device, raw, kWidth, kHeight);
    return comparePictures(device, raw, BillboardHost::kBackground);
}

BillboardState* billboardState() {
    std::unique_ptr<BillboardState>& state = sharedState();
    if (state) return state.get();
    state = std::make_unique<BillboardState>();
    state->marks = billboardScene(benchBodyCount(kBillboards), kWidth, kHeight);
    state->host = BillboardHost::create(state->marks, kWidth, kHeight, &state->error);
    if (state->host) state->error = openRawSide(*state);
    return state.get();
}

double medianBatchedMs(BillboardRawRenderer& raw) {
    std::vector<double> samples;
    for (int i = 0; i < kBatchedFrames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        raw.drawFrameBatched();
        samples.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void BM_BillboardsDeviceOverRawGL(benchmark::State& state) {
    BillboardState* bench = billboardState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    InterleavedFrames frames;
    bool failed = false;
    for (auto _ : state)
        state.SetIterationTime(frames.drawPair([&] { failed |= FAILED(bench->host->drawFrame()); },
                                               [&] { bench->raw->drawFrame(); }));
    if (failed) return state.SkipWithError("a device frame failed");
    BillboardComparison& result = comparison();
    result.frames.ran = true;
    result.frames.renderer = bench->host->adapterDescription();
    result.frames.bodies = int(bench->marks.size());
    result.frames.triangles = 2 * bench->marks.size();
    result.frames.width = kWidth;
    result.frames.height = kHeight;
    frames.report(&result.frames);
    result.batchedRawMs = medianBatchedMs(*bench->raw);
    state.SetLabel(result.frames.renderer);
    state.counters["billboards"] = result.frames.bodies;
    state.counters["device_ms"] = result.frames.deviceMs;
    state.counters["raw_gl_ms"] = result.frames.rawMs;
    state.counters["raw_gl_one_draw_ms"] = result.batchedRawMs;
    state.counters["ratio"] = result.frames.ratio();
}

BENCHMARK(BM_BillboardsDeviceOverRawGL)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kComparedPairs);

}  // namespace

const BillboardComparison& billboardComparison() { return comparison(); }

void printBillboardSummary() {
    const BillboardComparison& c = comparison();
    if (!c.frames.ran) return;
    const DrawComparison& f = c.frames;
    std::printf("billboards: %d preloaded symbols, %ux%u on %s: device %.1f ms, raw GL %.1f ms (one draw each), "
                "ratio %.3f (goal <= %.2f: %s); raw GL with one draw for all: %.1f ms\n",
                f.bodies, f.width, f.height, f.renderer.c_str(), f.deviceMs, f.rawMs, f.ratio(), kRatioGoal,
                f.ratio() <= kRatioGoal ? "met" : "missed", c.batchedRawMs);
}

void releaseBillboardBench() {
    std::unique_ptr<BillboardState>& state = sharedState();
    if (!state) return;
    // The raw objects live on the context's device.
    state->raw.reset();
    state->host.reset();
    state.reset();
}

}  // namespace pelmora::bench
