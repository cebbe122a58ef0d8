// BM_PeakMemoryPerTriangle: each side in a process of its own (the
// allocator at its defaults), its peak resident set (VmHWM) at the end less
// the peak at its start, over the millions of triangles it holds. The raw
// side tessellates at the deviation the engine's side asked for.
#include "MemoryBench.h"

#include "AssemblyProcess.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace pelmora::bench {
namespace {

constexpr double kRatioGoal = 1.15;

struct MemoryReport {
    bool ran = false;
    ProcessMemory device, raw;
    double ratio() const {
        const double raw = this->raw.mibPerMillionTriangles();
        return raw > 0 ? device.mibPerMillionTriangles() / raw : 0;
    }
};

MemoryReport& report() {
    static MemoryReport result;
    return result;
}

void BM_PeakMemoryPerTriangle(benchmark::State& state) {
    std::string error;
    ProcessMemory device, raw;
    bool measured = false;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        measured = measureMemoryInOwnProcess("device-memory", &device, &error) &&
                   measureMemoryInOwnProcess("raw-memory@" + std::to_string(device.deviation), &raw, &error);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (!measured) return state.SkipWithError(error.c_str());
    if (device.triangles != raw.triangles) return state.SkipWithError("the two sides hold different triangles");
    MemoryReport& result = report();
    result = {true, device, raw};
    state.counters["device_mib_per_mtri"] = device.mibPerMillionTriangles();
    state.counters["raw_gl_mib_per_mtri"] = raw.mibPerMillionTriangles();
    state.counters["triangles"] = device.triangles;
    state.counters["ratio"] = result.ratio();
}

BENCHMARK(BM_PeakMemoryPerTriangle)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

void printMemorySummary() {
    const MemoryReport& r = report();
    if (!r.ran) return;
    std::printf("peak memory: %.0f triangles, each side in its own process: device %.1f MiB per million "
                "triangles (%.1f MiB), raw GL %.1f (%.1f MiB), ratio %.3f (goal <= %.2f: %s)\n",
                r.device.triangles, r.device.mibPerMillionTriangles(), r.device.peakMiB,
                r.raw.mibPerMillionTriangles(), r.raw.peakMiB, r.ratio(), kRatioGoal,
                r.ratio() <= kRatioGoal ? "met" : "missed");
}

}  // namespace pelmora::bench
