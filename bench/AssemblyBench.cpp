#include "AssemblyBench.h"

#include "AssemblyHost.h"
#include "AssemblyRawRenderer.h"
#include "AssemblyScene.h"
#include "SampleKernel.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace pelmora::bench {
namespace {

constexpr UINT kWidth = 1920;
constexpr UINT kHeight = 1080;
constexpr double kRatioGoal = 1.15;
// Frames are long on the software rasterizer: a few pairs give the medians.
constexpr int kComparedPairs = 5;
// View plane sizes relative to the benchmark's: in to deviation 8, out to
// 16 and 120, and back, each deviation met several times.
constexpr double kZoomSteps[] = {0.5, 0.25, 0.5, 1.0, 2.0, 4.0, 2.0, 1.0, 0.5, 4.0, 1.0};

struct AssemblyState {
    samplekernel::SampleKernel kernel;
    AssemblyScene scene;
    std::unique_ptr<AssemblyHost> host;
    std::unique_ptr<AssemblyRawRenderer> raw;
    std::string error;
};

std::unique_ptr<AssemblyState>& sharedState() {
    static std::unique_ptr<AssemblyState> state;
    return state;
}

DrawComparison& comparison() {
    static DrawComparison result;
    return result;
}

ZoomReport& zoom() {
    static ZoomReport result;
    return result;
}

// The first frame fetches every body at the automatic deviation; the raw
// side takes the kernel's facets at that deviation and the device's state.
std::string openRawSide(AssemblyState& state) {
    if (FAILED(state.host->drawFrame())) return "the device failed to draw the assembly";
    if (state.kernel.requests().empty()) return "the engine asked the kernel for no facets";
    const double deviation = state.kernel.requests().front().deviation;
    state.raw = AssemblyRawRenderer::create(*state.host, state.scene, state.kernel, deviation, kWidth, kHeight,
                                            &state.error);
    if (!state.raw) return state.error;
    if (FAILED(state.host->drawFrame())) return "the device failed to draw the assembly";
    const std::vector<uint32_t> device = state.host->readImage();
    state.raw->drawFrame();
    const std::vector<uint32_t> raw = state.raw->readImage();
    writePictures("assembly", device, raw, kWidth, kHeight);
    return comparePictures(device, raw, state.scene.background);
}

AssemblyState* assemblyState() {
    std::unique_ptr<AssemblyState>& state = sharedState();
    if (state) return state.get();
    state = std::make_unique<AssemblyState>();
    state->scene = makeAssemblyScene(benchBodyCount(kAssemblyBodies), state->kernel);
    state->host = AssemblyHost::create(state->scene, state->kernel, kWidth, kHeight, &state->error);
    if (state->host) state->error = openRawSide(*state);
    return state.get();
}

void BM_AssemblyDeviceOverRawGL(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    InterleavedFrames frames;
    bool failed = false;
    for (auto _ : state)
        state.SetIterationTime(frames.drawPair([&] { failed |= FAILED(bench->host->drawFrame()); },
                                               [&] { bench->raw->drawFrame(); }));
    if (failed) return state.SkipWithError("a device frame failed");
    DrawComparison& result = comparison();
    result.ran = true;
    result.renderer = bench->host->adapterDescription();
    result.bodies = int(bench->scene.bodies.size());
    result.triangles = bench->raw->triangleCount();
    result.width = kWidth;
    result.height = kHeight;
    frames.report(&result);
    state.SetLabel(result.renderer);
    state.counters["bodies"] = result.bodies;
    state.counters["triangles"] = double(result.triangles);
    state.counters["device_ms"] = result.deviceMs;
    state.counters["raw_gl_ms"] = result.rawMs;
    state.counters["ratio"] = result.ratio();
}

// Requests per (body, deviation) over the whole run so far.
void countRequests(const samplekernel::SampleKernel& kernel, int bodies, ZoomReport* report) {
    std::map<std::pair<int, double>, int> perBody;
    std::set<double> deviations;
    for (const samplekernel::FacetRequest& request : kernel.requests()) {
        ++perBody[{request.body, request.deviation}];
        deviations.insert(request.deviation);
    }
    bool eachOnce = perBody.size() == size_t(bodies) * deviations.size();
    for (const auto& [key, count] : perBody) eachOnce &= count == 1;
    report->requests = kernel.requestCount();
    report->deviations.assign(deviations.begin(), deviations.end());
    report->eachOnce = eachOnce;
}

// Zooms in and out through several automatic deviations and back, drawing
// at each step, then counts what the kernel was asked.
void BM_AssemblyZoomRequests(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    bool failed = false;
    int steps = 0;
    for (auto _ : state) {
        for (double factor : kZoomSteps) {
            failed |= FAILED(bench->host->zoom(factor)) || FAILED(bench->host->drawFrame());
            ++steps;
        }
    }
    if (failed) return state.SkipWithError("a zoom step failed");
    ZoomReport& report = zoom();
    report.ran = true;
    report.bodies = int(bench->scene.bodies.size());
    report.steps = steps;
    countRequests(bench->kernel, report.bodies, &report);
    state.counters["steps"] = steps;
    state.counters["requests"] = report.requests;
    state.counters["deviations"] = double(report.deviations.size());
    state.counters["each_once"] = report.eachOnce ? 1 : 0;
}

BENCHMARK(BM_AssemblyDeviceOverRawGL)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kComparedPairs);
BENCHMARK(BM_AssemblyZoomRequests)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

const DrawComparison& assemblyComparison() { return comparison(); }
const ZoomReport& zoomReport() { return zoom(); }

void printAssemblySummary() {
    printComparison("host meshes", comparison(), kRatioGoal);
    const ZoomReport& report = zoom();
    if (!report.ran) return;
    std::string deviations;
    for (double deviation : report.deviations)
        deviations += (deviations.empty() ? "" : ", ") + std::to_string(int(deviation));
    std::printf("zoom: %d steps through deviations %s: %d factory requests for %d bodies x %zu deviations; "
                "each deviation requested once per body: %s\n",
                report.steps, deviations.c_str(), report.requests, report.bodies, report.deviations.size(),
                report.eachOnce ? "yes" : "no");
}

void releaseAssemblyBench() {
    std::unique_ptr<AssemblyState>& state = sharedState();
    if (!state) return;
    // The raw objects live on the context's device, the meshes on the kernel.
    state->raw.reset();
    state->host.reset();
    state.reset();
}

}  // namespace pelmora::bench
