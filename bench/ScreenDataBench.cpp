// BM_ScreenDataOverProjection: every body mesh of the assembly through
// IDXContext::getScreenData (the viewport's deviation, the body frame's
// transform as 12 doubles), against the floor: a plain loop over the same
// vertices (the kernel's facets at that deviation) that multiplies each by
// the frame's world x view x projection, divides by w, maps onto the
// viewport and truncates, writing the same two integer arrays (x, y per
// point; the list copied). Whole passes over the 2,000 bodies alternate,
// the order flipping each pair; medians of the passes.
#include "ScreenDataBench.h"

#include "AssemblyHost.h"
#include "AssemblyScene.h"
#include "FrameComparison.h"
#include "SampleKernel.h"
#include "platform/d3dx/d3dx9math.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::bench {
namespace {

constexpr UINT kWidth = 1920;
constexpr UINT kHeight = 1080;
constexpr double kRatioGoal = 2.0;
constexpr int kPairs = 15;

// One body as the plain loop sees it.
struct PlainBody {
    const std::vector<FacetVertex>* vertices = nullptr;
    const std::vector<int>* list = nullptr;
    D3DXMATRIX worldViewProjection;
    SAFEARRAY* transform = nullptr;  // the frame's transform for getScreenData
    int mesh = 0;
};

struct ScreenDataState {
    samplekernel::SampleKernel kernel;
    AssemblyScene scene;
    std::unique_ptr<AssemblyHost> host;
    std::vector<samplekernel::FacetMesh> facets;
    std::vector<PlainBody> bodies;
    unsigned long long vertices = 0;
    std::string error;

    ~ScreenDataState() {
        for (PlainBody& body : bodies) SafeArrayDestroy(body.transform);
    }
};

struct ScreenDataReport {
    bool ran = false;
    int bodies = 0;
    unsigned long long vertices = 0;
    double engineMs = 0, plainMs = 0;
};

ScreenDataReport& report() {
    static ScreenDataReport result;
    return result;
}

std::unique_ptr<ScreenDataState>& sharedState() {
    static std::unique_ptr<ScreenDataState> state;
    return state;
}

SAFEARRAY* intVector(size_t count) { return SafeArrayCreateVector(VT_I4, 0, ULONG(count)); }

// The plain loop for one body: both arrays made and filled, as a host gets them.
void projectPlainly(const PlainBody& body, SAFEARRAY** points, SAFEARRAY** list) {
    const std::vector<FacetVertex>& vertices = *body.vertices;
    const D3DXMATRIX& m = body.worldViewProjection;
    const float halfWidth = 0.5f * float(kWidth), halfHeight = 0.5f * float(kHeight);
    const float centreX = float(kWidth / 2), centreY = float(kHeight / 2);
    *points = intVector(2 * vertices.size());
    int32_t* out = nullptr;
    SafeArrayAccessData(*points, reinterpret_cast<void**>(&out));
    for (const FacetVertex& v : vertices) {
        const float x = v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41;
        const float y = v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42;
        const float w = v.x * m._14 + v.y * m._24 + v.z * m._34 + m._44;
        *out++ = int32_t(halfWidth * (x / w) + centreX);
        *out++ = int32_t(centreY - halfHeight * (y / w));
    }
    SafeArrayUnaccessData(*points);
    *list = intVector(body.list->size());
    void* listData = nullptr;
    SafeArrayAccessData(*list, &listData);
    std::memcpy(listData, body.list->data(), body.list->size() * sizeof(int));
    SafeArrayUnaccessData(*list);
}

void destroy(SAFEARRAY*& array) {
    SafeArrayDestroy(array);
    array = nullptr;
}

// The largest distance in pixels between the two sides' points of one body;
// -1 when their shapes differ.
double largestDifference(ScreenDataState& state, const PlainBody& body) {
    SAFEARRAY *enginePoints = nullptr, *engineList = nullptr, *plainPoints = nullptr, *plainList = nullptr;
    SAFEARRAY* transform = body.transform;
    state.host->context()->getScreenData(body.mesh, state.host->viewport(), &transform, &enginePoints, &engineList);
    projectPlainly(body, &plainPoints, &plainList);
    double largest = -1;
    if (enginePoints && engineList && enginePoints->rgsabound[0].cElements == plainPoints->rgsabound[0].cElements &&
        engineList->rgsabound[0].cElements == plainList->rgsabound[0].cElements) {
        largest = 0;
        const auto* a = static_cast<const int32_t*>(enginePoints->pvData);
        const auto* b = static_cast<const int32_t*>(plainPoints->pvData);
        for (ULONG i = 0; i < enginePoints->rgsabound[0].cElements; ++i)
            largest = std::max(largest, std::fabs(double(a[i]) - double(b[i])));
        if (std::memcmp(engineList->pvData, plainList->pvData, engineList->rgsabound[0].cElements * 4) != 0)
            largest = -1;
    }
    for (SAFEARRAY** array : {&enginePoints, &engineList, &plainPoints, &plainList}) destroy(*array);
    return largest;
}

// The assembly drawn once (every body fetched at the automatic deviation),
// the kernel's facets at that deviation and the device's view and projection.
std::string open(ScreenDataState& state) {
    state.scene = makeAssemblyScene(benchBodyCount(kAssemblyBodies), state.kernel);
    state.host = AssemblyHost::create(state.scene, state.kernel, false, kWidth, kHeight, &state.error);
    if (!state.host) return state.error;
    if (FAILED(state.host->drawFrame())) return "the device failed to draw the assembly";
    if (state.kernel.requests().empty()) return "the engine asked the kernel for no facets";
    const double deviation = state.kernel.requests().front().deviation;
    D3DXMATRIX view, projection;
    state.host->device()->GetTransform(D3DTS_VIEW, &view);
    state.host->device()->GetTransform(D3DTS_PROJECTION, &projection);
    const D3DXMATRIX viewProjection = view * projection;
    const std::vector<AssemblyHost::BodyMesh>& meshes = state.host->bodyMeshes();
    state.facets.reserve(meshes.size());
    for (size_t i = 0; i < meshes.size(); ++i) {
        state.facets.push_back(state.kernel.facetsOf(state.scene.bodies[i].hostMesh, deviation));
        PlainBody body;
        body.vertices = &state.facets.back().vertices;
        body.list = &state.facets.back().faceList;
        body.worldViewProjection = D3DXMATRIX(meshes[i].world) * viewProjection;
        body.transform = BenchContext::transformArray(meshes[i].world);
        body.mesh = meshes[i].mesh;
        state.vertices += body.vertices->size();
        state.bodies.push_back(body);
    }
    // Both sides must do the same work: the same arrays, points apart by
    // at most a pixel (the engine goes through each matrix in turn).
    for (const PlainBody& body : state.bodies) {
        const double difference = largestDifference(state, body);
        if (difference < 0 || difference > 1) return "getScreenData and the plain loop disagree";
    }
    return {};
}

ScreenDataState* screenDataState() {
    std::unique_ptr<ScreenDataState>& state = sharedState();
    if (!state) {
        state = std::make_unique<ScreenDataState>();
        state->error = open(*state);
    }
    return state.get();
}

void BM_ScreenDataOverProjection(benchmark::State& state) {
    ScreenDataState* bench = screenDataState();
    if (!bench->error.empty()) return state.SkipWithError(bench->error.c_str());
    IDXContext* context = bench->host->context();
    const int viewport = bench->host->viewport();
    bool failed = false;
    InterleavedFrames passes;
    for (auto _ : state) {
        for (int pair = 0; pair < kPairs; ++pair)
            passes.drawPair(
                [&] {
                    for (PlainBody& body : bench->bodies) {
                        SAFEARRAY *points = nullptr, *list = nullptr;
                        failed |= context->getScreenData(body.mesh, viewport, &body.transform, &points, &list) != S_OK;
                        SafeArrayDestroy(points);
                        SafeArrayDestroy(list);
                    }
                },
                [&] {
                    for (const PlainBody& body : bench->bodies) {
                        SAFEARRAY *points = nullptr, *list = nullptr;
                        projectPlainly(body, &points, &list);
                        SafeArrayDestroy(points);
                        SafeArrayDestroy(list);
                    }
                });
    }
    if (failed) return state.SkipWithError("getScreenData failed");
    DrawComparison medians;
    passes.report(&medians);
    ScreenDataReport& result = report();
    result = {true, int(bench->bodies.size()), bench->vertices, medians.deviceMs, medians.rawMs};
    state.counters["bodies"] = result.bodies;
    state.counters["vertices"] = double(result.vertices);
    state.counters["get_screen_data_ms"] = result.engineMs;
    state.counters["plain_loop_ms"] = result.plainMs;
    state.counters["ratio"] = result.plainMs > 0 ? result.engineMs / result.plainMs : 0;
}

BENCHMARK(BM_ScreenDataOverProjection)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

void printScreenDataSummary() {
    const ScreenDataReport& r = report();
    if (!r.ran) return;
    const double ratio = r.plainMs > 0 ? r.engineMs / r.plainMs : 0;
    std::printf("screen data: getScreenData over %d bodies (%llu vertices) %.2f ms, plain projection loop %.2f ms, "
                "ratio %.2f (goal <= %.2f: %s)\n",
                r.bodies, r.vertices, r.engineMs, r.plainMs, ratio, kRatioGoal,
                ratio <= kRatioGoal ? "met" : "NOT met");
}

void releaseScreenDataBench() { sharedState().reset(); }

}  // namespace pelmora::bench
