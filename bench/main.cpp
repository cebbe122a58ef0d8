// pelmora_bench: Google Benchmark's runner, then a one-line summary of the
// comparison that matters (device frame time over raw GL frame time).
#include "DrawBench.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr double kRatioGoal = 1.10;

void printSummary() {
    const pelmora::bench::DrawComparison& result = pelmora::bench::drawComparison();
    if (!result.ran) return;
    std::printf("draw: %d bodies, %llu triangles, %ux%u on %s: device %.1f ms, raw GL %.1f ms, ratio %.3f "
                "(goal <= %.2f: %s)\n",
                result.bodies, result.triangles, result.width, result.height, result.renderer.c_str(),
                result.deviceMs, result.rawMs, result.ratio(), kRatioGoal,
                result.ratio() <= kRatioGoal ? "met" : "missed");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    pelmora::bench::releaseDrawBench();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
