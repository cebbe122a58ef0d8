#include "PickBench.h"

#include "AssemblyHost.h"
#include "AssemblyScene.h"
#include "HostPickWalk.h"
#include "SampleKernel.h"

#include "meshops/RayPick.h"

#include <pelmora/pelmora.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <time.h>
#include <vector>

namespace pelmora::bench {
namespace {

// A wavy surface of 708 x 708 quads over [-1, 1]^2: 1,002,528 triangles.
constexpr int kQuads = 708;
constexpr int kPicks = 20000;
constexpr int kBrutePicks = 20;
constexpr double kPickGoalMicroseconds = 2.0;
constexpr double kBuildGoalMs = 300.0;

struct PickReport {
    bool ran = false;
    unsigned long long triangles = 0;
    double firstPickMs = 0;     // the hierarchy's build and one pick
    double firstPickCpuMs = 0;  // the same in this thread's processor time
    double microsecondsPerPick = 0;
    double cpuMicrosecondsPerPick = 0;
    double bruteMicroseconds = 0;  // the brute-force loop, per pick
    int hits = 0;
};

PickReport& report() {
    static PickReport result;
    return result;
}

struct Surface {
    std::vector<float> vertices;
    std::vector<int> faces;  // newSolidMesh's layout: 3 and three (index, 0) pairs per face
};

Surface wavySurface() {
    Surface s;
    for (int j = 0; j <= kQuads; ++j)
        for (int i = 0; i <= kQuads; ++i) {
            const float x = -1.0f + 2.0f * float(i) / kQuads, y = -1.0f + 2.0f * float(j) / kQuads;
            s.vertices.insert(s.vertices.end(), {x, y, 0.2f * std::sin(7.0f * x) * std::cos(5.0f * y)});
        }
    const int stride = kQuads + 1;
    for (int j = 0; j < kQuads; ++j)
        for (int i = 0; i < kQuads; ++i) {
            const int a = j * stride + i;
            s.faces.insert(s.faces.end(), {3, a, 0, a + 1, 0, a + stride + 1, 0});
            s.faces.insert(s.faces.end(), {3, a, 0, a + stride + 1, 0, a + stride, 0});
        }
    s.faces.push_back(0);
    return s;
}

template <class T>
SAFEARRAY* vectorOf(VARTYPE type, const std::vector<T>& values) {
    SAFEARRAY* array = SafeArrayCreateVector(type, 0, ULONG(values.size()));
    void* data = nullptr;
    if (array && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        std::memcpy(data, values.data(), values.size() * sizeof(T));
        SafeArrayUnaccessData(array);
    }
    return array;
}

// Rays from above the surface in random directions mostly downwards.
struct Ray {
    double origin[3], direction[3];
};

std::vector<Ray> randomRays(int count) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> across(-1.2, 1.2), tilt(-0.3, 0.3);
    std::vector<Ray> rays;
    for (int k = 0; k < count; ++k) rays.push_back({{across(random), across(random), 3.0}, {tilt(random), tilt(random), -1.0}});
    return rays;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// This thread's processor time: on a machine shared with other work the
// wall clock also counts the time others had the processor.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void BM_PickMillionTriangles(benchmark::State& state) {
    IDXContext* context = nullptr;
    if (FAILED(PelmoraCreateContext(&context))) return state.SkipWithError("no context");
    const Surface surface = wavySurface();
    SAFEARRAY* vertices = vectorOf(VT_R4, surface.vertices);
    SAFEARRAY* normals = vectorOf(VT_R4, std::vector<float>{});
    SAFEARRAY* faces = vectorOf(VT_I4, surface.faces);
    int mesh = 0;
    const HRESULT made = context->newSolidMesh(&vertices, &normals, &faces, VARIANT_FALSE, &mesh);
    SafeArrayDestroy(vertices);
    SafeArrayDestroy(normals);
    SafeArrayDestroy(faces);
    if (FAILED(made)) {
        context->Release();
        return state.SkipWithError("newSolidMesh failed");
    }
    const std::vector<Ray> rays = randomRays(kPicks);
    PickReport& result = report();
    const auto pick = [&](const Ray& ray, double* hit) {
        VARIANT_BOOL isHit = VARIANT_FALSE;
        context->pickMesh(mesh, 0, 0, 0, 0, ray.origin[0], ray.origin[1], ray.origin[2], ray.direction[0],
                          ray.direction[1], ray.direction[2], 0.0, 0.0, &hit[0], &hit[1], &hit[2], &isHit);
        return isHit == VARIANT_TRUE;
    };
    double hit[3] = {};
    const auto first = std::chrono::steady_clock::now();
    const double firstCpu = threadSeconds();
    pick(rays[0], hit);
    result.firstPickCpuMs = (threadSeconds() - firstCpu) * 1e3;
    result.firstPickMs = secondsSince(first) * 1e3;
    for (auto _ : state) {
        int hits = 0;
        const auto start = std::chrono::steady_clock::now();
        const double cpu = threadSeconds();
        for (const Ray& ray : rays) hits += pick(ray, hit) ? 1 : 0;
        result.cpuMicrosecondsPerPick = (threadSeconds() - cpu) * 1e6 / double(rays.size());
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        result.microsecondsPerPick = seconds * 1e6 / double(rays.size());
        result.hits = hits;
    }
    // The same rays through the brute-force loop over the same triangles.
    std::vector<MeshVertex> records;
    for (size_t i = 0; i + 2 < surface.vertices.size(); i += 3)
        records.push_back({surface.vertices[i], surface.vertices[i + 1], surface.vertices[i + 2], 0, 0, 1, 0, 0});
    std::vector<uint32_t> list;
    for (size_t i = 0; i + 6 < surface.faces.size(); i += 7)
        list.insert(list.end(), {3u, uint32_t(surface.faces[i + 1]), uint32_t(surface.faces[i + 3]),
                                 uint32_t(surface.faces[i + 5])});
    list.push_back(0);
    const MeshData data{records.data(), uint32_t(records.size()), list.data(), uint32_t(list.size())};
    const auto brute = std::chrono::steady_clock::now();
    for (int k = 0; k < kBrutePicks; ++k) {
        const Ray& ray = rays[size_t(k)];
        D3DXVECTOR3 point;
        pickFaceList(RayLine{D3DXVECTOR3(float(ray.origin[0]), float(ray.origin[1]), float(ray.origin[2])),
                             D3DXVECTOR3(float(ray.direction[0]), float(ray.direction[1]), float(ray.direction[2]))},
                     data, &point);
    }
    result.bruteMicroseconds = secondsSince(brute) * 1e6 / kBrutePicks;
    context->Release();
    result.ran = true;
    result.triangles = (surface.faces.size() - 1) / 7;
    state.counters["triangles"] = double(result.triangles);
    state.counters["first_pick_ms"] = result.firstPickMs;
    state.counters["first_pick_cpu_ms"] = result.firstPickCpuMs;
    state.counters["us_per_pick"] = result.microsecondsPerPick;
    state.counters["cpu_us_per_pick"] = result.cpuMicrosecondsPerPick;
    state.counters["brute_force_us"] = result.bruteMicroseconds;
    state.counters["hits"] = result.hits;
}

BENCHMARK(BM_PickMillionTriangles)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// ---- The scene pick and the rectangle selection on the assembly ----

constexpr int kHoverPicks = 10000;
// The host-side walk asks every body at every pixel: a share of the pixels is enough.
constexpr int kHostWalkPicks = 100;
constexpr double kHoverGoalMicroseconds = 20.0;
constexpr double kSelectionGoalMs = 2.0;
constexpr UINT kSceneWidth = 1920, kSceneHeight = 1080;

struct ScenePickReport {
    bool ran = false;
    double microsecondsPerPick = 0, cpuMicrosecondsPerPick = 0;
    int hits = 0;
    double firstPassCpuMicrosecondsPerPick = 0;  // bodies' pick trees built along the way
    double hostWalkCpuMicroseconds = 0;  // the old host-side walk, per pick
    int hostWalkAgreed = 0;              // of kHostWalkPicks, the same mesh and frame
    double firstPickAfterChangeCpuMs = 0;  // the hierarchy built again, and one pick
    double selectionMs = 0, selectionCpuMs = 0, crossingCpuMs = 0;
    int selected = 0, crossed = 0;
};

// The processor time of one call, in milliseconds.
template <class Call>
double cpuMilliseconds(Call&& call) {
    const double start = threadSeconds();
    call();
    return (threadSeconds() - start) * 1e3;
}

// The old host-side walk over the first pixels, against the engine's picks.
void measureHostWalk(const AssemblyHost& host, const std::vector<std::pair<int, int>>& pixels,
                     ScenePickReport* result) {
    result->hostWalkAgreed = 0;
    double cpuMs = 0;
    for (int k = 0; k < kHostWalkPicks; ++k) {
        const auto [x, y] = pixels[size_t(k)];
        SceneHit walked;
        cpuMs += cpuMilliseconds([&] { hostWalkPick(host.context(), host.viewport(), host.root(), x, y, &walked); });
        PelmoraSceneHit engine{};
        PelmoraPickScene(host.viewport(), host.root(), x, y, 0.0, 0, &engine);
        result->hostWalkAgreed += walked.mesh == engine.mesh && walked.frame == engine.frame;
    }
    result->hostWalkCpuMicroseconds = cpuMs * 1e3 / kHostWalkPicks;
}

ScenePickReport& sceneReport() {
    static ScenePickReport result;
    return result;
}

void BM_ScenePickOnTheAssembly(benchmark::State& state) {
    samplekernel::SampleKernel kernel;
    const AssemblyScene scene = makeAssemblyScene(kAssemblyBodies, kernel);
    std::string error;
    const auto host = AssemblyHost::create(scene, kernel, false, kSceneWidth, kSceneHeight, &error);
    if (!host) return state.SkipWithError(error.c_str());
    host->drawFrame();  // every body fetched, as a host's screen shows them
    std::mt19937 random(7);
    std::uniform_int_distribution<int> column(0, int(kSceneWidth) - 1), row(0, int(kSceneHeight) - 1);
    std::vector<std::pair<int, int>> pixels(kHoverPicks);
    for (auto& pixel : pixels) pixel = {column(random), row(random)};
    ScenePickReport& result = sceneReport();
    // The first pass builds the pick tree of each body its pixels meet, as
    // the first hover over a body does; the timed pass is the steady one.
    result.firstPassCpuMicrosecondsPerPick = cpuMilliseconds([&] {
        for (const auto& [x, y] : pixels) {
            PelmoraSceneHit hit{};
            PelmoraPickScene(host->viewport(), host->root(), x, y, 0.0, 0, &hit);
        }
    }) * 1e3 / kHoverPicks;
    for (auto _ : state) {
        int hits = 0;
        const auto start = std::chrono::steady_clock::now();
        const double cpu = threadSeconds();
        for (const auto& [x, y] : pixels) {
            PelmoraSceneHit hit{};
            PelmoraPickScene(host->viewport(), host->root(), x, y, 0.0, 0, &hit);
            hits += hit.mesh != 0;
        }
        result.cpuMicrosecondsPerPick = (threadSeconds() - cpu) * 1e6 / kHoverPicks;
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        result.microsecondsPerPick = seconds * 1e6 / kHoverPicks;
        result.hits = hits;
    }
    measureHostWalk(*host, pixels, &result);
    // A transform changed: the next pick builds the hierarchy again.
    host->context()->addFrameRotation(host->root(), 0, 0.0, 0.0, 1.0, 0.0);
    result.firstPickAfterChangeCpuMs = cpuMilliseconds([&] {
        PelmoraSceneHit hit{};
        PelmoraPickScene(host->viewport(), host->root(), pixels[0].first, pixels[0].second, 0.0, 0, &hit);
    });
    // Window and crossing selections over the middle quarter of the screen.
    const auto select = [&](int mode, int* count) {
        PelmoraSelectRectangle(host->viewport(), host->root(), kSceneWidth / 4, kSceneHeight / 4, 3 * kSceneWidth / 4,
                               3 * kSceneHeight / 4, mode, 0, nullptr, 0, count);
    };
    const auto start = std::chrono::steady_clock::now();
    result.selectionCpuMs = cpuMilliseconds([&] { select(PELMORA_SELECT_INSIDE, &result.selected); });
    result.selectionMs = secondsSince(start) * 1e3;
    result.crossingCpuMs = cpuMilliseconds([&] { select(PELMORA_SELECT_CROSSING, &result.crossed); });
    result.ran = true;
    state.counters["us_per_pick"] = result.microsecondsPerPick;
    state.counters["cpu_us_per_pick"] = result.cpuMicrosecondsPerPick;
    state.counters["selection_ms"] = result.selectionMs;
    state.counters["host_walk_cpu_us"] = result.hostWalkCpuMicroseconds;
}

BENCHMARK(BM_ScenePickOnTheAssembly)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

void printScenePickSummary() {
    const ScenePickReport& scene = sceneReport();
    if (!scene.ran) return;
    std::printf("scene pick: %d bodies, %d random pixels: %.1f us a pick, %.1f us of processor time (goal <= %.0f: %s), "
                "%d hit; quarter-screen selection %.2f ms, %.2f ms of processor time (goal <= %.1f: %s), %d bodies\n",
                kAssemblyBodies, kHoverPicks, scene.microsecondsPerPick, scene.cpuMicrosecondsPerPick,
                kHoverGoalMicroseconds, scene.cpuMicrosecondsPerPick <= kHoverGoalMicroseconds ? "met" : "missed",
                scene.hits, scene.selectionMs, scene.selectionCpuMs, kSelectionGoalMs,
                scene.selectionCpuMs <= kSelectionGoalMs ? "met" : "missed", scene.selected);
    std::printf("scene pick against the old host-side walk (%d pixels): %.0f us of processor time a pick, %.0f times "
                "the engine's; %d of %d picks agree; the first pick after a transform change %.2f ms; crossing "
                "selection %.2f ms, %d bodies; the first pass over the pixels (building the bodies' pick trees) "
                "%.1f us a pick\n",
                kHostWalkPicks, scene.hostWalkCpuMicroseconds,
                scene.hostWalkCpuMicroseconds / std::max(scene.cpuMicrosecondsPerPick, 1e-9), scene.hostWalkAgreed,
                kHostWalkPicks, scene.firstPickAfterChangeCpuMs, scene.crossingCpuMs, scene.crossed,
                scene.firstPassCpuMicrosecondsPerPick);
}

}  // namespace

void printPickSummary() {
    printScenePickSummary();
    const PickReport& r = report();
    if (!r.ran) return;
    // The goals are judged on processor time, which other work on the machine does not inflate.
    std::printf("pickMesh: %llu triangles: first pick (building the hierarchy) %.1f ms, %.1f ms of processor time "
                "(goal <= %.0f: %s), then %.2f us a pick, %.2f us of processor time (goal <= %.1f: %s; brute force "
                "%.0f us), %d of %d rays hit\n",
                r.triangles, r.firstPickMs, r.firstPickCpuMs, kBuildGoalMs,
                r.firstPickCpuMs <= kBuildGoalMs ? "met" : "missed", r.microsecondsPerPick, r.cpuMicrosecondsPerPick,
                kPickGoalMicroseconds, r.cpuMicrosecondsPerPick <= kPickGoalMicroseconds ? "met" : "missed",
                r.bruteMicroseconds, r.hits, kPicks);
}

}  // namespace pelmora::bench
