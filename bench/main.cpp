// pelmora_bench: Google Benchmark's runner, then one-line summaries of the
// comparisons that matter (device frame time over raw GL frame time: draws,
// host meshes, thin and wide lines, billboards), of the factory requests of
// the zoom sequences, the zoomed-in frame, refinement with a slow kernel,
// picking, getScreenData, peak memory per triangle and instances of one part.
#include "AssemblyBench.h"
#include "AssemblyProcess.h"
#include "BillboardBench.h"
#include "DrawBench.h"
#include "InstanceBench.h"
#include "LineBench.h"
#include "MemoryBench.h"
#include "PickBench.h"
#include "RefinementBench.h"
#include "ScreenDataBench.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double kDrawRatioGoal = 1.10;

}  // namespace

int main(int argc, char** argv) {
    // Started again by a benchmark to draw in a process of its own.
    if (argc == 2 && pelmora::bench::isAssemblyProcessOption(argv[1]))
        return pelmora::bench::runAssemblyProcess(argv[1]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    pelmora::bench::releaseDrawBench();
    pelmora::bench::releaseAssemblyBench();
    pelmora::bench::releaseBillboardBench();
    pelmora::bench::releaseLineBench();
    pelmora::bench::releaseScreenDataBench();
    pelmora::bench::printComparison("draw", pelmora::bench::drawComparison(), kDrawRatioGoal);
    pelmora::bench::printAssemblySummary();
    pelmora::bench::printRefinementSummary();
    pelmora::bench::printPickSummary();
    pelmora::bench::printLineSummary();
    pelmora::bench::printBillboardSummary();
    pelmora::bench::printScreenDataSummary();
    pelmora::bench::printMemorySummary();
    pelmora::bench::printInstanceSummary();
    benchmark::Shutdown();
    return 0;
}
