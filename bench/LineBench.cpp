#include "LineBench.h"

#include "LineHost.h"
#include "LineRawRenderer.h"
#include "LineScene.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace pelmora::bench {
namespace {

constexpr UINT kWidth = 1920;
constexpr UINT kHeight = 1080;
constexpr double kRatioGoal = 1.20;
constexpr int kThinWidth = 1, kWideWidth = 4;
constexpr int kComparedPairs = 41;
// The device's joints fill what the raw quads leave open at every turn: in
// this dense scene of short segments that adds about a tenth.
constexpr double kJointShare = 0.15;

struct LineState {
    LineScene scene;
    std::unique_ptr<LineHost> host;
    std::unique_ptr<LineRawRenderer> raw;
    std::string error;
};

std::unique_ptr<LineState>& sharedState() {
    static std::unique_ptr<LineState> state;
    return state;
}

DrawComparison& comparison(int width) {
    static DrawComparison thin, wide;
    return width > kThinWidth ? wide : thin;
}

// The first frame puts the camera on the device for the raw side to read.
LineState* lineState() {
    std::unique_ptr<LineState>& state = sharedState();
    if (state) return state.get();
    state = std::make_unique<LineState>();
    state->scene = makeLineScene(benchBodyCount(kLineMeshes));
    state->host = LineHost::create(state->scene, kWidth, kHeight, &state->error);
    if (!state->host) return state.get();
    if (FAILED(state->host->drawFrame())) {
        state->error = "the device failed to draw the lines";
        return state.get();
    }
    state->raw = LineRawRenderer::create(*state->host, state->scene, kWidth, kHeight, &state->error);
    return state.get();
}

// Both sides draw the lines at the width once; the pictures must agree.
std::string comparePicturesAt(LineState& state, int width) {
    if (FAILED(state.host->setLineWidth(width)) || FAILED(state.host->drawFrame()))
        return "the device failed to draw the lines at width " + std::to_string(width);
    const std::vector<uint32_t> device = state.host->bench().readImage();
    state.raw->drawFrame(width);
    const std::vector<uint32_t> raw = state.raw->readImage();
    writePictures(width > kThinWidth ? "lines-wide" : "lines-thin", device, raw, kWidth, kHeight);
    if (width > kThinWidth) return compareCoveringPictures(device, raw, state.scene.background, kJointShare);
    return comparePictures(device, raw, state.scene.background);
}

void runComparison(benchmark::State& state, int width) {
    LineState* bench = lineState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    const std::string different = comparePicturesAt(*bench, width);
    if (!different.empty()) return state.SkipWithError(different.c_str());
    InterleavedFrames frames;
    bool failed = false;
    for (auto _ : state)
        state.SetIterationTime(frames.drawPair([&] { failed |= FAILED(bench->host->drawFrame()); },
                                               [&] { bench->raw->drawFrame(width); }));
    if (failed) return state.SkipWithError("a device frame failed");
    DrawComparison& result = comparison(width);
    result.ran = true;
    result.renderer = bench->host->bench().adapterDescription();
    const size_t segments = bench->scene.meshes.size() * size_t(bench->scene.segmentsPerMesh());
    result.scene = std::to_string(segments) + " segments in " + std::to_string(bench->scene.meshes.size()) +
                   " wire meshes at width " + std::to_string(width);
    result.width = kWidth;
    result.height = kHeight;
    frames.report(&result);
    state.SetLabel(result.renderer);
    state.counters["segments"] = double(segments);
    state.counters["device_ms"] = result.deviceMs;
    state.counters["raw_gl_ms"] = result.rawMs;
    state.counters["ratio"] = result.ratio();
}

void BM_LinesWidth1DeviceOverRawGL(benchmark::State& state) { runComparison(state, kThinWidth); }
void BM_LinesWidth4DeviceOverRawGL(benchmark::State& state) { runComparison(state, kWideWidth); }

BENCHMARK(BM_LinesWidth1DeviceOverRawGL)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kComparedPairs);
BENCHMARK(BM_LinesWidth4DeviceOverRawGL)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kComparedPairs);

}  // namespace

const DrawComparison& lineComparison(int width) { return comparison(width); }

void printLineSummary() {
    printComparison("thin lines", comparison(kThinWidth), kRatioGoal);
    printComparison("wide lines", comparison(kWideWidth), kRatioGoal);
}

void releaseLineBench() {
    std::unique_ptr<LineState>& state = sharedState();
    if (!state) return;
    // The raw objects live on the context's device.
    state->raw.reset();
    state->host.reset();
    state.reset();
}

}  // namespace pelmora::bench
