#include "AssemblyBench.h"

#include "AssemblyHost.h"
#include "AssemblyProcess.h"
#include "AssemblyRawRenderer.h"
#include "AssemblyScene.h"
#include "SampleKernel.h"
#include "meshops/FeatureEdges.h"
#include "meshops/SolidFaces.h"
#include "platform/imaging/ImageFile.h"
#include "platform/win/CreaseAngleSetting.h"

#include <benchmark/benchmark.h>
#include <pelmora/helpers.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace pelmora::bench {
namespace {

constexpr UINT kWidth = 1920;
constexpr UINT kHeight = 1080;
constexpr double kRatioGoal = 1.05;
// The assembly in a process of its own against the raw program in its own.
constexpr double kOwnProcessGoal = 1.10;
// A second context's steady frames against the first's on the same model.
constexpr double kFirstContextGoal = 1.10;
// Many small parts: 20,000 of 100 triangles, 100,000 of 20.
struct SmallParts {
    const char* name;
    int columns, rows, segments;
    double goal;
};
constexpr SmallParts kSmallParts[] = {{"20000 parts", 200, 100, 25, 1.3}, {"100000 parts", 400, 250, 5, 2.0}};
constexpr int kSmallPartsPairs = 3;
// saveSnapshotJPG against reading the back buffer and encoding it, per format.
struct SnapshotKind {
    const char* name;
    const char* extension;
    imaging::ImageFormat format;
    double goal;
};
constexpr SnapshotKind kSnapshotKinds[] = {{"JPEG", ".jpg", imaging::ImageFormat::Jpeg, 2.0},
                                           {"PNG", ".png", imaging::ImageFormat::Png, 1.2}};
constexpr int kSnapshotPairs = 5;
// Shaded with borders and silhouettes against shaded, and the edge finder's goal.
constexpr double kEdgesRatioGoal = 1.5;
constexpr double kExtractionGoalMs = 150.0;
// Radians the camera turns about the view's y axis before each moving frame:
// a new look for every frame, too little to change the level of detail.
constexpr double kMovingTurn = 0.002;
constexpr uint32_t kShaded = SOLID_MESH_DRAW_SOLIDS;
constexpr uint32_t kShadedWithEdges =
    SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_SILHOUETTES;
// Frames are long on the software rasterizer: a few pairs give the medians.
constexpr int kComparedPairs = 5;
// View plane sizes relative to the benchmark's: in to deviation 8, out to
// 16 and 120, and back, each deviation met several times.
constexpr double kZoomSteps[] = {0.5, 0.25, 0.5, 1.0, 2.0, 4.0, 2.0, 1.0, 0.5, 4.0, 1.0};
// Zooming in on the centre until the view shows 1% of the assembly's area.
constexpr double kZoomInSteps[] = {0.5, 0.25, 0.1};
constexpr double kOnePercentZoom = 0.1;
constexpr double kZoomedRatioGoal = 0.15;
// A body counts as in view when its box comes this share of the view's width near it.
constexpr double kInViewMargin = 0.01;

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

// The bodies the zoomed frames show, and their triangles at the zoomed deviation.
struct ZoomedScene {
    int bodies = 0;
    unsigned long long triangles = 0;
    double deviation = 0;
    unsigned long long fullTriangles = 0;  // the full view's
    // The raw program drawing the same two views: the bodies in view at the
    // zoomed deviation, and the whole assembly at the full view's.
    DrawComparison raw;
};

struct ExtractionReport {
    bool ran = false;
    unsigned long long triangles = 0;
    unsigned long long edges = 0;
    double milliseconds = 0;
    double perMillion() const { return triangles > 0 ? milliseconds * 1e6 / double(triangles) : 0; }
};

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

// The scene from make(kernel), its host and its raw side.
template <class MakeScene>
std::unique_ptr<AssemblyState> openAssembly(MakeScene make) {
    auto state = std::make_unique<AssemblyState>();
    state->scene = make(state->kernel);
    // Refined inside the render, so that requests are counted as the frames ask.
    state->host = AssemblyHost::create(state->scene, state->kernel, false, kWidth, kHeight, &state->error);
    if (state->host) state->error = openRawSide(*state);
    return state;
}

AssemblyState* assemblyState() {
    std::unique_ptr<AssemblyState>& state = sharedState();
    if (!state)
        state = openAssembly([](samplekernel::SampleKernel& kernel) {
            return makeAssemblyScene(benchBodyCount(kAssemblyBodies), kernel);
        });
    return state.get();
}

DrawComparison& smallPartsComparison(size_t index) {
    static DrawComparison results[std::size(kSmallParts)];
    return results[index];
}

DrawComparison& snapshotComparison(size_t index) {
    static DrawComparison results[std::size(kSnapshotKinds)];
    return results[index];
}

struct OwnProcessReport {
    bool ran = false;
    ProcessFrames device, raw;
};

struct ContextsReport {
    bool ran = false;
    ProcessFrames first, second, interleaved, third;
};

// What the assembly benchmarks measured, for the summary.
struct AssemblyReports {
    DrawComparison comparison;
    ZoomReport zoom;
    ZoomedScene zoomedScene;
    DrawComparison zoomedComparison;      // "device" zoomed onto 1% of the area, "raw" the full view
    DrawComparison edgeComparison;        // "device" the frame with borders, "raw" the shaded one
    DrawComparison movingEdgeComparison;  // the same while the camera turns before every frame
    ExtractionReport extraction;
    OwnProcessReport ownProcess;
    ContextsReport contexts;
};

AssemblyReports& reports() {
    static AssemblyReports result;
    return result;
}

// Device frames against raw frames of one assembly, interleaved, into result
// and the benchmark's counters; labelled with the renderer unless named.
void compareFrames(benchmark::State& state, AssemblyState& bench, DrawComparison& result, const char* label) {
    InterleavedFrames frames;
    bool failed = false;
    for (auto _ : state)
        state.SetIterationTime(frames.drawPair([&] { failed |= FAILED(bench.host->drawFrame()); },
                                               [&] { bench.raw->drawFrame(); }));
    if (failed) return state.SkipWithError("a device frame failed");
    result.ran = true;
    result.renderer = bench.host->adapterDescription();
    result.bodies = int(bench.scene.bodies.size());
    result.triangles = bench.raw->triangleCount();
    result.width = kWidth;
    result.height = kHeight;
    frames.report(&result);
    state.SetLabel(label ? label : result.renderer);
    state.counters["bodies"] = result.bodies;
    state.counters["triangles"] = double(result.triangles);
    state.counters["device_ms"] = result.deviceMs;
    state.counters["raw_gl_ms"] = result.rawMs;
    state.counters["ratio"] = result.ratio();
}

void BM_AssemblyDeviceOverRawGL(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    compareFrames(state, *bench, reports().comparison, nullptr);
}

// Frames with the bodies' borders and silhouettes against shaded frames,
// interleaved. The first frame with edges finds every body's edges and
// makes their buffers, and is not timed.
// The same two looks while the camera turns a little before every frame,
// so that no frame finds the camera at rest: the vertex stage picks the
// silhouettes among the candidates at every frame. The camera is put back.
bool compareMovingEdges(AssemblyHost& host, DrawComparison* result) {
    Transform camera;
    if (FAILED(getCameraTransform(host.context(), host.viewport(), &camera))) return false;
    bool ok = true;
    const auto turnedFrame = [&](uint32_t flags) {
        ok &= SUCCEEDED(host.context()->rotateCamera(host.viewport(), 0, 0, 0, 0, 1, 0, kMovingTurn)) &&
              SUCCEEDED(host.setDrawFlags(flags)) && SUCCEEDED(host.drawFrame());
    };
    InterleavedFrames frames;
    for (int pair = 0; pair < kComparedPairs; ++pair)
        frames.drawPair([&] { turnedFrame(kShadedWithEdges); }, [&] { turnedFrame(kShaded); });
    frames.report(result);
    result->ran = true;
    return ok && SUCCEEDED(setCameraTransform(host.context(), host.viewport(), camera));
}

void BM_AssemblyEdgesOverShaded(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    AssemblyHost& host = *bench->host;
    bool failed = FAILED(host.setDrawFlags(kShadedWithEdges)) || FAILED(host.drawFrame());
    // The second frame finds the camera at rest and draws the edges from the
    // bodies' lists: it must show what the first drew, or the timing means nothing.
    const std::vector<uint32_t> moving = host.readImage();
    failed |= FAILED(host.drawFrame());
    if (!failed && host.readImage() != moving)
        return state.SkipWithError("the edges drawn at rest differ from those drawn on the move");
    InterleavedFrames frames;
    for (auto _ : state)
        state.SetIterationTime(frames.drawPair(
            [&] { failed |= FAILED(host.setDrawFlags(kShadedWithEdges)) || FAILED(host.drawFrame()); },
            [&] { failed |= FAILED(host.setDrawFlags(kShaded)) || FAILED(host.drawFrame()); }));
    failed |= !compareMovingEdges(host, &reports().movingEdgeComparison);
    failed |= FAILED(host.setDrawFlags(kShaded));
    if (failed) return state.SkipWithError("a frame failed");
    DrawComparison& result = reports().edgeComparison;
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
        geometry.surface.assign(vertices, facets.vertices.size());
        geometry.vertexCount = uint32_t(facets.vertices.size());
        walkFacetFaces(facets.faceList.data(), long(facets.faceList.size()),
                       [&](const FaceRead& face) { appendTriangle(geometry, face); });
        finishFaceList(geometry);
        triangles += geometry.count;
        geometries.push_back(std::move(geometry));
    }
    const float crease = win::readCreaseAngleSetting();
    ExtractionReport& report = reports().extraction;
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

// Each body's box in the view plane (x and y of its world box).
struct PlaneBox {
    double lo[2], hi[2];
};

// The boxes of the bodies' facets at `deviation`, turned into the world.
std::map<int, PlaneBox> bodyBoxes(const AssemblyState& bench, double deviation) {
    std::map<int, PlaneBox> boxes;
    for (const AssemblyBody& body : bench.scene.bodies) {
        const samplekernel::FacetMesh facets = bench.kernel.facetsOf(body.hostMesh, deviation);
        PlaneBox box{{1e300, 1e300}, {-1e300, -1e300}};
        const D3DMATRIX& m = body.world;
        for (const FacetVertex& v : facets.vertices) {
            const double x = v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41;
            const double y = v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42;
            box.lo[0] = std::min(box.lo[0], x), box.hi[0] = std::max(box.hi[0], x);
            box.lo[1] = std::min(box.lo[1], y), box.hi[1] = std::max(box.hi[1], y);
        }
        boxes[body.hostMesh] = box;
    }
    return boxes;
}

bool inView(const PlaneBox& box, const double plane[4], double factor) {
    const double margin = kInViewMargin * (plane[1] - plane[0]) * factor;
    return box.hi[0] >= plane[0] * factor - margin && box.lo[0] <= plane[1] * factor + margin &&
           box.hi[1] >= plane[2] * factor - margin && box.lo[1] <= plane[3] * factor + margin;
}

// Frames zoomed onto 1% of the assembly's area (the centre) against frames of
// the whole assembly, interleaved; both deviations are fetched before timing.
// How the same two views compare when the raw program draws them: the
// bodies the zoomed view shows, at its deviation and with its camera, against
// the whole assembly at the full view's. The share of the full view's time
// that drawing the zoomed view's triangles takes, with no engine at all.
bool compareRawZoom(AssemblyState& bench, const std::map<int, PlaneBox>& boxes, double deviation,
                    DrawComparison* result) {
    AssemblyScene shown = bench.scene;
    std::erase_if(shown.bodies, [&](const AssemblyBody& body) {
        return !inView(boxes.at(body.hostMesh), bench.scene.plane, kOnePercentZoom);
    });
    AssemblyHost& host = *bench.host;
    // The raw side takes the camera from the device's last frame.
    if (FAILED(host.zoom(kOnePercentZoom)) || FAILED(host.drawFrame())) return false;
    std::string error;
    const std::unique_ptr<AssemblyRawRenderer> zoomedRaw =
        AssemblyRawRenderer::create(host, shown, bench.kernel, deviation, kWidth, kHeight, &error);
    if (!zoomedRaw) return false;
    // Both draw the same picture, or the comparison would mean nothing.
    const std::vector<uint32_t> device = host.readImage();
    zoomedRaw->drawFrame();
    const std::vector<uint32_t> raw = zoomedRaw->readImage();
    writePictures("assembly-zoomed", device, raw, kWidth, kHeight);
    if (!comparePictures(device, raw, bench.scene.background).empty()) return false;
    if (FAILED(host.zoom(1.0)) || FAILED(host.drawFrame())) return false;
    InterleavedFrames frames;
    for (int pair = 0; pair < kComparedPairs; ++pair)
        frames.drawPair([&] { zoomedRaw->drawFrame(); }, [&] { bench.raw->drawFrame(); });
    frames.report(result);
    result->ran = true;
    return true;
}

void BM_AssemblyZoomedOnePercent(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    AssemblyHost& host = *bench->host;
    const auto frameAt = [&](double factor) { return SUCCEEDED(host.zoom(factor)) && SUCCEEDED(host.drawFrame()); };
    bool ok = frameAt(kOnePercentZoom) && frameAt(1.0);
    InterleavedFrames frames;
    for (auto _ : state)
        state.SetIterationTime(
            frames.drawPair([&] { ok &= frameAt(kOnePercentZoom); }, [&] { ok &= frameAt(1.0); }));
    if (!ok) return state.SkipWithError("a frame failed");
    // What the zoomed frames draw: the bodies in view at the zoomed deviation.
    double deviation = 0;
    ok = SUCCEEDED(host.zoom(kOnePercentZoom)) &&
         SUCCEEDED(PelmoraGetViewportDeviation(host.viewport(), &deviation)) && SUCCEEDED(host.zoom(1.0));
    const std::map<int, PlaneBox> boxes = bodyBoxes(*bench, bench->kernel.requests().front().deviation);
    ZoomedScene& zoomed = reports().zoomedScene;
    zoomed = ZoomedScene{};
    for (const AssemblyBody& body : bench->scene.bodies) {
        if (!inView(boxes.at(body.hostMesh), bench->scene.plane, kOnePercentZoom)) continue;
        ++zoomed.bodies;
        zoomed.triangles += bench->kernel.facetsOf(body.hostMesh, deviation).triangleCount();
    }
    zoomed.deviation = deviation;
    zoomed.fullTriangles = bench->raw->triangleCount();
    ok = ok && compareRawZoom(*bench, boxes, deviation, &zoomed.raw);
    if (!ok) return state.SkipWithError("the raw program could not draw the zoomed view");
    DrawComparison& result = reports().zoomedComparison;
    result.ran = true;
    result.renderer = host.adapterDescription();
    result.bodies = int(bench->scene.bodies.size());
    result.width = kWidth;
    result.height = kHeight;
    frames.report(&result);
    state.SetLabel(result.renderer);
    state.counters["zoomed_ms"] = result.deviceMs;
    state.counters["full_ms"] = result.rawMs;
    state.counters["ratio"] = result.ratio();
}

// Requests per (body, deviation) over the whole run so far.
void countRequests(const samplekernel::SampleKernel& kernel, ZoomReport* report) {
    std::map<std::pair<int, double>, int> perBody;
    std::set<double> deviations;
    for (const samplekernel::FacetRequest& request : kernel.requests()) {
        ++perBody[{request.body, request.deviation}];
        deviations.insert(request.deviation);
    }
    bool noneTwice = true;
    for (const auto& [key, count] : perBody) noneTwice &= count == 1;
    report->requests = kernel.requestCount();
    report->deviations.assign(deviations.begin(), deviations.end());
    report->noneTwice = noneTwice;
}

// Zooms in onto 1% of the area, checking that only bodies in view are
// asked for facets, then in and out through several automatic deviations
// and back, drawing at each step, and counts what the kernel was asked.
void BM_AssemblyZoomRequests(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    const std::map<int, PlaneBox> boxes = bodyBoxes(*bench, bench->kernel.requests().front().deviation);
    ZoomReport& report = reports().zoom;
    bool failed = false;
    int steps = 0;
    for (auto _ : state) {
        for (double factor : kZoomInSteps) {
            const size_t before = size_t(bench->kernel.requestCount());
            failed |= FAILED(bench->host->zoom(factor)) || FAILED(bench->host->drawFrame());
            const std::vector<samplekernel::FacetRequest> requests = bench->kernel.requests();
            for (size_t i = before; i < requests.size(); ++i) {
                ++report.zoomInRequests;
                if (!inView(boxes.at(requests[i].body), bench->scene.plane, factor)) ++report.outOfViewRequests;
            }
            ++steps;
        }
        for (double factor : kZoomSteps) {
            failed |= FAILED(bench->host->zoom(factor)) || FAILED(bench->host->drawFrame());
            ++steps;
        }
    }
    if (failed) return state.SkipWithError("a zoom step failed");
    report.ran = true;
    report.bodies = int(bench->scene.bodies.size());
    report.steps = steps;
    countRequests(bench->kernel, &report);
    state.counters["steps"] = steps;
    state.counters["requests"] = report.requests;
    state.counters["deviations"] = double(report.deviations.size());
    state.counters["none_twice"] = report.noneTwice ? 1 : 0;
    state.counters["zoom_in_requests"] = report.zoomInRequests;
    state.counters["out_of_view_requests"] = report.outOfViewRequests;
}

// Many small parts through IDXContext against raw GL, interleaved; the
// scene lives only for this benchmark.
void BM_SmallPartsDeviceOverRawGL(benchmark::State& state) {
    const size_t index = size_t(state.range(0));
    const SmallParts& parts = kSmallParts[index];
    std::unique_ptr<AssemblyState> bench = openAssembly([&](samplekernel::SampleKernel& kernel) {
        return makeSmallPartsScene(parts.columns, parts.rows, parts.segments, kernel);
    });
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    compareFrames(state, *bench, smallPartsComparison(index), parts.name);
    bench->raw.reset();
    bench->host.reset();
}

// saveSnapshotJPG of the assembly's 1920x1080 view ("device") against the
// back buffer read whole and encoded by the same encoder ("raw"), pairs
// interleaved; files go to the temporary folder and are removed.
void BM_SnapshotOverEncoding(benchmark::State& state) {
    AssemblyState* bench = assemblyState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    const size_t index = size_t(state.range(0));
    const SnapshotKind& kind = kSnapshotKinds[index];
    const char* folder = std::getenv("TMPDIR");
    const std::string base = std::string(folder && *folder ? folder : "/tmp") + "/pelmora-bench-snapshot";
    const std::string snapshotPath = base + kind.extension, encodedPath = base + "-encoded" + kind.extension;
    bool failed = FAILED(bench->host->drawFrame());
    InterleavedFrames frames;
    for (auto _ : state)
        state.SetIterationTime(frames.drawPair(
            [&] { failed |= FAILED(bench->host->saveSnapshot(snapshotPath, int(kWidth), int(kHeight))); },
            [&] {
                const std::vector<uint32_t> pixels = bench->host->readImage();
                imaging::WriteOptions options;
                options.keepAlpha = false;
                failed |= FAILED(imaging::writeImage(
                    encodedPath.c_str(), kind.format,
                    imaging::ImageView{pixels.data(), int(kWidth), int(kHeight), int(kWidth)}, options));
            }));
    std::remove(snapshotPath.c_str());
    std::remove(encodedPath.c_str());
    if (failed) return state.SkipWithError("a snapshot or an encoding failed");
    DrawComparison& result = snapshotComparison(index);
    result.ran = true;
    result.renderer = bench->host->adapterDescription();
    result.scene = std::string("saveSnapshotJPG to ") + kind.name + " against read-back and encoding";
    result.width = kWidth;
    result.height = kHeight;
    frames.report(&result);
    state.SetLabel(kind.name);
    state.counters["snapshot_ms"] = result.deviceMs;
    state.counters["encode_ms"] = result.rawMs;
    state.counters["ratio"] = result.ratio();
}

const ProcessFrames* findFrames(const std::vector<ProcessFrames>& all, const char* name) {
    for (const ProcessFrames& frames : all)
        if (frames.name == name) return &frames;
    return nullptr;
}

// The assembly drawn and presented in a process of its own, then the raw
// program in another, each with the allocator's default settings.
void BM_AssemblyOwnProcess(benchmark::State& state) {
    std::string error;
    std::vector<ProcessFrames> device, raw;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        device = measureInOwnProcess("device", &error);
        if (error.empty()) raw = measureInOwnProcess("raw", &error);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const ProcessFrames* deviceFrames = findFrames(device, "device");
    const ProcessFrames* rawFrames = findFrames(raw, "raw");
    if (!error.empty() || !deviceFrames || !rawFrames)
        return state.SkipWithError(error.empty() ? "a child reported nothing" : error.c_str());
    OwnProcessReport& report = reports().ownProcess;
    report = {true, *deviceFrames, *rawFrames};
    state.counters["device_ms"] = deviceFrames->medianMs;
    state.counters["raw_gl_ms"] = rawFrames->medianMs;
    state.counters["ratio"] = deviceFrames->medianMs / rawFrames->medianMs;
    state.counters["device_faults"] = deviceFrames->faultsPerFrame;
    state.counters["raw_gl_faults"] = rawFrames->faultsPerFrame;
}

// A fresh process: the first context's steady frames, a second context's
// on the same model, and the first's again with the second's in between.
void BM_FirstContext(benchmark::State& state) {
    std::string error;
    std::vector<ProcessFrames> found;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        found = measureInOwnProcess("contexts", &error);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const ProcessFrames* first = findFrames(found, "first");
    const ProcessFrames* second = findFrames(found, "second");
    const ProcessFrames* interleaved = findFrames(found, "first-interleaved");
    const ProcessFrames* third = findFrames(found, "after-others-gone");
    if (!error.empty() || !first || !second || !interleaved || !third)
        return state.SkipWithError(error.empty() ? "the child reported nothing" : error.c_str());
    ContextsReport& report = reports().contexts;
    report = {true, *first, *second, *interleaved, *third};
    state.counters["first_ms"] = first->medianMs;
    state.counters["second_ms"] = second->medianMs;
    state.counters["first_interleaved_ms"] = interleaved->medianMs;
    state.counters["after_others_gone_ms"] = third->medianMs;
    state.counters["first_faults"] = first->faultsPerFrame;
    state.counters["second_faults"] = second->faultsPerFrame;
}

BENCHMARK(BM_AssemblyDeviceOverRawGL)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kComparedPairs);
BENCHMARK(BM_AssemblyEdgesOverShaded)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kComparedPairs);
BENCHMARK(BM_FeatureEdgeExtraction)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_AssemblyZoomedOnePercent)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kComparedPairs);
BENCHMARK(BM_AssemblyZoomRequests)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SmallPartsDeviceOverRawGL)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kSmallPartsPairs)
    ->DenseRange(0, int(std::size(kSmallParts)) - 1);
BENCHMARK(BM_SnapshotOverEncoding)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kSnapshotPairs)
    ->DenseRange(0, int(std::size(kSnapshotKinds)) - 1);
BENCHMARK(BM_AssemblyOwnProcess)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_FirstContext)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

const DrawComparison& assemblyComparison() { return reports().comparison; }
const ZoomReport& zoomReport() { return reports().zoom; }

void printAssemblySummary() {
    printComparison("host meshes", reports().comparison, kRatioGoal);
    for (size_t i = 0; i < std::size(kSmallParts); ++i)
        printComparison(kSmallParts[i].name, smallPartsComparison(i), kSmallParts[i].goal);
    for (size_t i = 0; i < std::size(kSnapshotKinds); ++i)
        printComparison("snapshot", snapshotComparison(i), kSnapshotKinds[i].goal);
    const OwnProcessReport& own = reports().ownProcess;
    if (own.ran) {
        const double ratio = own.device.medianMs / own.raw.medianMs;
        const bool met = ratio <= kOwnProcessGoal && own.device.faultsPerFrame <= own.raw.faultsPerFrame;
        std::printf("own process: 2000 bodies drawn and presented, each side in its own process: device %.1f ms "
                    "(%.0f minor faults a frame), raw GL %.1f ms (%.0f), ratio %.3f (goal <= %.2f and no more "
                    "faults: %s)\n",
                    own.device.medianMs, own.device.faultsPerFrame, own.raw.medianMs, own.raw.faultsPerFrame, ratio,
                    kOwnProcessGoal, met ? "met" : "missed");
    }
    const ContextsReport& seen = reports().contexts;
    if (seen.ran) {
        const double ratio = seen.first.medianMs / seen.second.medianMs;
        std::printf("first context: %d bodies, presented: first context %.1f ms (%.0f faults a frame), second "
                    "%.1f ms (%.0f), first with the second's frames between %.1f ms, a third after both went %.1f "
                    "ms (%.0f); first over second %.3f (goal <= %.2f: %s)\n",
                    kContextBodies, seen.first.medianMs, seen.first.faultsPerFrame, seen.second.medianMs,
                    seen.second.faultsPerFrame, seen.interleaved.medianMs, seen.third.medianMs,
                    seen.third.faultsPerFrame, ratio, kFirstContextGoal,
                    ratio <= kFirstContextGoal ? "met" : "missed");
    }
    const DrawComparison& edges = reports().edgeComparison;
    if (edges.ran)
        std::printf("shaded with edges: %d bodies, %llu triangles, %ux%u on %s: borders and silhouettes %.1f ms, "
                    "shaded %.1f ms, "
                    "ratio %.3f (goal <= %.2f: %s)\n",
                    edges.bodies, edges.triangles, edges.width, edges.height, edges.renderer.c_str(), edges.deviceMs,
                    edges.rawMs, edges.ratio(), kEdgesRatioGoal, edges.ratio() <= kEdgesRatioGoal ? "met" : "missed");
    const DrawComparison& moving = reports().movingEdgeComparison;
    if (edges.ran && moving.ran)
        std::printf("shaded with edges, the camera turning before every frame: borders and silhouettes %.1f ms, "
                    "shaded %.1f ms, ratio %.3f\n",
                    moving.deviceMs, moving.rawMs, moving.ratio());
    const ExtractionReport& found = reports().extraction;
    if (found.ran)
        std::printf("feature edges: %llu edges from %llu triangles in %.1f ms: %.1f ms per million triangles "
                    "(goal < %.0f: %s)\n",
                    found.edges, found.triangles, found.milliseconds, found.perMillion(), kExtractionGoalMs,
                    found.perMillion() < kExtractionGoalMs ? "met" : "missed");
    const DrawComparison& zoomed = reports().zoomedComparison;
    const ZoomedScene& shown = reports().zoomedScene;
    if (zoomed.ran)
        std::printf("zoomed onto 1%% of the area: %d bodies, %ux%u on %s: zoomed %.1f ms (%d bodies in view, %llu "
                    "triangles at deviation %g), full view %.1f ms (%llu triangles), ratio %.3f (goal <= %.2f: %s)\n",
                    zoomed.bodies, zoomed.width, zoomed.height, zoomed.renderer.c_str(), zoomed.deviceMs,
                    shown.bodies, shown.triangles, shown.deviation, zoomed.rawMs, shown.fullTriangles,
                    zoomed.ratio(), kZoomedRatioGoal, zoomed.ratio() <= kZoomedRatioGoal ? "met" : "missed");
    if (zoomed.ran && shown.raw.ran)
        std::printf("zoomed onto 1%% of the area, drawn by the raw program: zoomed %.1f ms, full view %.1f ms, "
                    "ratio %.3f (the floor the triangles set; the engine's ratio over it %.2f)\n",
                    shown.raw.deviceMs, shown.raw.rawMs, shown.raw.ratio(),
                    shown.raw.ratio() > 0 ? zoomed.ratio() / shown.raw.ratio() : 0.0);
    const ZoomReport& report = reports().zoom;
    if (!report.ran) return;
    std::string deviations;
    for (double deviation : report.deviations)
        deviations += (deviations.empty() ? "" : ", ") + std::to_string(deviation).substr(0, 4);
    std::printf("zoom: %d steps through deviations %s: %d factory requests for %d bodies; "
                "no body asked twice at a deviation: %s; zooming in onto 1%%: %d requests, %d for bodies out of "
                "view (goal 0: %s)\n",
                report.steps, deviations.c_str(), report.requests, report.bodies, report.noneTwice ? "yes" : "no",
                report.zoomInRequests, report.outOfViewRequests, report.outOfViewRequests == 0 ? "met" : "missed");
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
