#include "RefinementBench.h"

#include "AssemblyHost.h"
#include "AssemblyScene.h"
#include "FrameComparison.h"
#include "SampleKernel.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace pelmora::bench {
namespace {

constexpr UINT kWidth = 1920;
constexpr UINT kHeight = 1080;
constexpr auto kKernelDelay = std::chrono::milliseconds(500);
constexpr double kRatioGoal = 1.5;
// Zoom steps from the benchmark's view; each one that changes the deviation is timed.
constexpr double kZoomSteps[] = {2.0, 0.5, 0.2, 0.08};

// The sample kernel, slowed down once `slow` is set.
class SlowKernel final : public FacetFactory {
public:
    explicit SlowKernel(samplekernel::SampleKernel& kernel) : kernel_(kernel) {}

    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override {
        if (slow.load()) {
            if (std::this_thread::get_id() == hostThread_) ++slowOnHostThread;
            std::this_thread::sleep_for(kKernelDelay);
        }
        return kernel_.getFacets(hostMesh, deviation, manual, source);
    }
    void releaseFacets(FacetSource* source) override { kernel_.releaseFacets(source); }

    std::atomic<bool> slow{false};
    // Slow requests the host's thread had to wait for.
    std::atomic<int> slowOnHostThread{0};

private:
    samplekernel::SampleKernel& kernel_;
    const std::thread::id hostThread_ = std::this_thread::get_id();
};

struct RefinementReport {
    bool ran = false;
    int bodies = 0;
    int steps = 0;                // zoom steps that changed the deviation
    double changeMs = 0;          // the slowest frame of a step that changed the deviation
    double sameMs = 0;            // the next frame of the same view
    double ratio = 0;             // the worst step's
    int waitedFor = 0;            // slow requests the frames waited for (goal 0)
    double teardownMs = 0;        // releasing the context with requests still waiting
};

RefinementReport& report() {
    static RefinementReport result;
    return result;
}

double secondsOf(AssemblyHost& host, bool* failed) {
    const auto start = std::chrono::steady_clock::now();
    *failed |= FAILED(host.drawFrame());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_RefinementZoomStepWithSlowKernel(benchmark::State& state) {
    samplekernel::SampleKernel kernel;
    SlowKernel slowKernel(kernel);
    const AssemblyScene scene = makeAssemblyScene(benchBodyCount(kAssemblyBodies), kernel);
    std::string error;
    std::unique_ptr<AssemblyHost> host = AssemblyHost::create(scene, slowKernel, true, kWidth, kHeight, &error);
    if (!host) return state.SkipWithError(error.c_str());
    bool failed = FAILED(host->drawFrame()) || FAILED(host->drawFrame());
    slowKernel.slow = true;
    RefinementReport& result = report();
    for (auto _ : state) {
        for (double factor : kZoomSteps) {
            double before = 0, after = 0;
            failed |= FAILED(PelmoraGetViewportDeviation(host->viewport(), &before));
            failed |= FAILED(host->zoom(factor));
            failed |= FAILED(PelmoraGetViewportDeviation(host->viewport(), &after));
            const double change = secondsOf(*host, &failed);
            const double same = secondsOf(*host, &failed);
            state.SetIterationTime(change + same);
            if (before == after) continue;
            ++result.steps;
            const double ratio = change / same;
            if (ratio > result.ratio) {
                result.ratio = ratio;
                result.changeMs = change * 1e3;
                result.sameMs = same * 1e3;
            }
        }
    }
    const auto start = std::chrono::steady_clock::now();
    host.reset();
    result.teardownMs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() * 1e3;
    if (failed) return state.SkipWithError("a frame failed");
    result.ran = true;
    result.bodies = int(scene.bodies.size());
    result.waitedFor = slowKernel.slowOnHostThread.load();
    state.counters["steps"] = result.steps;
    state.counters["change_ms"] = result.changeMs;
    state.counters["same_view_ms"] = result.sameMs;
    state.counters["ratio"] = result.ratio;
    state.counters["teardown_ms"] = result.teardownMs;
    state.counters["waited_for_kernel"] = result.waitedFor;
}

BENCHMARK(BM_RefinementZoomStepWithSlowKernel)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

void printRefinementSummary() {
    const RefinementReport& r = report();
    if (!r.ran) return;
    std::printf("refinement with a kernel taking %lld ms a request: %d bodies, %d zoom steps changing the deviation: "
                "worst step %.1f ms against %.1f ms for the next frame of the same view, ratio %.3f (goal <= %.2f: "
                "%s); slow requests a frame waited for: %d; context released in %.0f ms with requests waiting\n",
                static_cast<long long>(kKernelDelay.count()), r.bodies, r.steps, r.changeMs, r.sameMs, r.ratio,
                kRatioGoal, r.steps > 0 && r.ratio <= kRatioGoal ? "met" : "missed", r.waitedFor,
                r.teardownMs);
}

}  // namespace pelmora::bench
