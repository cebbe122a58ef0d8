#include "AssemblyBench.h"

#include "AssemblyHost.h"
#include "AssemblyRawRenderer.h"
#include "AssemblyScene.h"
#include "SampleKernel.h"
#include "geometry/FeatureEdges.h"
#include "platform/win/CreaseAngleSetting.h"

#include <benchmark/benchmark.h>

#include <chrono>

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
// Shaded with borders and silhouettes against shaded, and the edge finder's goal.
constexpr double kEdgesRatioGoal = 1.5;
constexpr double kExtractionGoalMs = 150.0;
constexpr uint32_t kShaded = SOLID_MESH_DRAW_SOLIDS;
constexpr uint32_t kShadedWithEdges =
    SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_SILHOUETTES;
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

// "device" is the frame with borders, "raw" the shaded one.
DrawComparison& edgeComparison() {
    static DrawComparison result;
    return result;
}

struct ExtractionReport {
    bool ran = false;
    unsigned long long triangles = 0;
    unsigned long long edges = 0;
    double milliseconds = 0;
    double perMillion() const { return triangles > 0 ? milliseconds * 1e6 / double(triangles) : 0; }
};

ExtractionReport& extraction() {
    static ExtractionReport result;
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

// Frames with the bodies' borders and silhouettes against shaded frames,
// interleaved. The first frame with edges finds every body's edges and
// makes their buffers, and is not timed.
void BM_AssemblyEdgesOverShaded(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    AssemblyHost& host = *bench->host;
    bool failed = FAILED(host.setDrawFlags(kShadedWithEdges)) || FAILED(host.drawFrame());
    InterleavedFrames frames;
    for (auto _ : state)
        state.SetIterationTime(frames.drawPair(
            [&] { failed |= FAILED(host.setDrawFlags(kShadedWithEdges)) || FAILED(host.drawFrame()); },
            [&] { failed |= FAILED(host.setDrawFlags(kShaded)) || FAILED(host.drawFrame()); }));
    failed |= FAILED(host.setDrawFlags(kShaded));
    if (failed) return state.SkipWithError("a frame failed");
    DrawComparison& result = edgeComparison();
    result.ran = true;
    result.renderer = host.adapterDescription();
    result.bodies = int(bench->scene.bodies.size());
    result.triangles = bench->raw->triangleCount();
    result.width = kWidth;
    result.height = kHeight;
    frames.report(&result);
    state.SetLabel(result.renderer);
    state.counters["edges_ms"] = result.deviceMs;
    state.counters["shaded_ms"] = result.rawMs;
    state.counters["ratio"] = result.ratio();
}

// The feature edges of every body of the assembly at the first render's
// deviation, found from the kernel's facets as the meshes keep them.
void BM_FeatureEdgeExtraction(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    const double deviation = bench->kernel.requests().front().deviation;
    std::vector<SolidGeometry> geometries;
    unsigned long long triangles = 0;
    for (const AssemblyBody& body : bench->scene.bodies) {
        const samplekernel::FacetMesh facets = bench->kernel.facetsOf(body.hostMesh, deviation);
        SolidGeometry geometry;
        const auto* vertices = reinterpret_cast<const MeshVertex*>(facets.vertices.data());
        geometry.vertices.assign(vertices, vertices + facets.vertices.size());
        geometry.vertexCount = uint32_t(facets.vertices.size());
        geometry.faces.assign(facets.faceList.begin(), facets.faceList.end());
        geometry.count = uint32_t(facets.triangleCount());
        triangles += geometry.count;
        geometries.push_back(std::move(geometry));
    }
    const float crease = win::readCreaseAngleSetting();
    ExtractionReport& report = extraction();
    for (auto _ : state) {
        unsigned long long edges = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const SolidGeometry& geometry : geometries) edges += extractFeatureEdges(geometry, crease).edgeCount();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        report.milliseconds = seconds * 1e3;
        report.edges = edges;
    }
    report.ran = true;
    report.triangles = triangles;
    state.counters["triangles"] = double(triangles);
    state.counters["edges"] = double(report.edges);
    state.counters["ms_per_million_triangles"] = report.perMillion();
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
BENCHMARK(BM_AssemblyEdgesOverShaded)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kComparedPairs);
BENCHMARK(BM_FeatureEdgeExtraction)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_AssemblyZoomRequests)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

const DrawComparison& assemblyComparison() { return comparison(); }
const ZoomReport& zoomReport() { return zoom(); }

void printAssemblySummary() {
    printComparison("host meshes", comparison(), kRatioGoal);
    const DrawComparison& edges = edgeComparison();
    if (edges.ran)
        std::printf("shaded with edges: %d bodies, %llu triangles, %ux%u on %s: borders and silhouettes %.1f ms, "
                    "shaded %.1f ms, "
                    "ratio %.3f (goal <= %.2f: %s)\n",
                    edges.bodies, edges.triangles, edges.width, edges.height, edges.renderer.c_str(), edges.deviceMs,
                    edges.rawMs, edges.ratio(), kEdgesRatioGoal, edges.ratio() <= kEdgesRatioGoal ? "met" : "missed");
    const ExtractionReport& found = extraction();
    if (found.ran)
        std::printf("feature edges: %llu edges from %llu triangles in %.1f ms: %.1f ms per million triangles "
                    "(goal < %.0f: %s)\n",
                    found.edges, found.triangles, found.milliseconds, found.perMillion(), kExtractionGoalMs,
                    found.perMillion() < kExtractionGoalMs ? "met" : "missed");
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
