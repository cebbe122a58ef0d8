// BM_InstancesOfOnePart/shared:1 and /shared:0: a torus of the sample kernel
// (4-degree facets, 16,200 triangles) in kInstances frames on a grid, lit,
// 512x512, manual refinement so both sides hold the same facets. Memory is
// the heap in use (mallinfo2: the engine's geometry and, on the software
// rasterizer, the buffers) after the first frame of the instances less after
// a frame of the empty scene, so the two sides can run in one process (it
// also holds what the software rasterizer keeps of the frame, which varies
// from run to run); what the meshes hold is also counted exactly: the
// distinct geometries, and the distinct vertex and index buffers with their
// bytes. The frame time is the median of kFrames frames.
#include "InstanceBench.h"

#include "BenchContext.h"

#include "core/HandleTable.h"
#include "mesh/DXSolidMesh.h"

#include "SampleKernel.h"

#include <pelmora/helpers.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <set>
#include <vector>

namespace pelmora::bench {
namespace {

constexpr int kColumns = 8, kRows = 6, kInstances = kColumns * kRows;
constexpr double kSpacing = 5.0;  // tori of outer radius 2.5 side by side
constexpr int kManualLevel = 15;  // 60 / 15: 4-degree facets
constexpr int kFrames = 15;
constexpr UINT kSize = 512;

double heapInUseMiB() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

struct InstanceRun {
    bool ran = false;
    int requests = 0;
    double heapMiB = 0;
    double frameMs = 0;
    size_t geometries = 0, vertexBuffers = 0;
    double bufferMiB = 0;
};

// The distinct geometries and device buffers the meshes hold.
void countHeld(const std::vector<int>& meshes, InstanceRun* run) {
    std::set<const void*> geometries, buffers;
    uint64_t bytes = 0;
    for (int handle : meshes) {
        const DXSolidMesh* mesh = resolveHandle<DXSolidMesh>(handle);
        if (mesh == nullptr || mesh->batch() == nullptr) continue;
        geometries.insert(mesh->geometry());
        const MeshBatch& batch = *mesh->batch();
        if (!batch.vertexBuffer || !buffers.insert(batch.vertexBuffer.get()).second) continue;
        D3DVERTEXBUFFER_DESC vertices{};
        D3DINDEXBUFFER_DESC indices{};
        if (SUCCEEDED(batch.vertexBuffer->GetDesc(&vertices))) bytes += vertices.Size;
        if (batch.indexBuffer && SUCCEEDED(batch.indexBuffer->GetDesc(&indices))) bytes += indices.Size;
    }
    run->geometries = geometries.size();
    run->vertexBuffers = buffers.size();
    run->bufferMiB = double(bytes) / (1024.0 * 1024.0);
}

struct InstanceReport {
    InstanceRun shared, separate;
};

InstanceReport& report() {
    static InstanceReport result;
    return result;
}

// The grid of instances under one root; false when the context refused a call.
bool buildGrid(IDXContext* context, int factory, const std::vector<int>& hostMeshes, int* root,
               std::vector<int>* meshes) {
    bool ok = SUCCEEDED(context->newFrame(0, root)) && SUCCEEDED(context->setFrameColor(*root, int(0xFF3070C0u)));
    for (int i = 0; ok && i < kInstances; ++i) {
        int frame = 0, mesh = 0;
        const double x = (i % kColumns - (kColumns - 1) / 2.0) * kSpacing;
        const double y = (i / kColumns - (kRows - 1) / 2.0) * kSpacing;
        ok = SUCCEEDED(context->newFrame(*root, &frame)) && SUCCEEDED(setTranslation(context, frame, x, y, 0)) &&
             SUCCEEDED(context->newSolidMeshFromHandle(hostMeshes[size_t(i) % hostMeshes.size()], factory, &mesh)) &&
             SUCCEEDED(context->frameAddVisual(frame, mesh));
        meshes->push_back(mesh);
    }
    return ok;
}

void BM_InstancesOfOnePart(benchmark::State& state) {
    const bool shared = state.range(0) != 0;
    InstanceRun run;
    for (auto _ : state) {
        samplekernel::SampleKernel kernel;
        std::vector<int> hostMeshes;
        for (int i = 0; i < (shared ? 1 : kInstances); ++i)
            hostMeshes.push_back(kernel.addBody(samplekernel::Torus{{0, 0, 0}, 2.0, 0.5}));
        const int factory = PelmoraRegisterFacetFactory(&kernel);
        {
            BenchContext bench;
            int root = 0, light = 0, empty = 0;
            IDXContext* context = nullptr;
            const double halfWidth = kColumns * kSpacing / 2.0, halfHeight = kRows * kSpacing / 2.0;
            bool ok = SUCCEEDED(bench.open(kSize, kSize)) && (context = bench.context()) != nullptr &&
                      SUCCEEDED(context->viewportAddDirectionalLight(bench.viewport(), -1, 0, 0, -1, &light)) &&
                      SUCCEEDED(context->setViewportPlane(bench.viewport(), -halfWidth, halfWidth, -halfHeight,
                                                          halfHeight)) &&
                      SUCCEEDED(context->setAutomaticRefinement(bench.viewport(), VARIANT_FALSE)) &&
                      SUCCEEDED(context->setManualRefinementLevel(bench.viewport(), kManualLevel)) &&
                      SUCCEEDED(context->newFrame(0, &empty)) && SUCCEEDED(bench.drawFrame(empty));
            const double before = heapInUseMiB();
            std::vector<int> meshes;
            ok = ok && buildGrid(context, factory, hostMeshes, &root, &meshes) && SUCCEEDED(bench.drawFrame(root));
            if (!ok) {
                PelmoraUnregisterFacetFactory(factory);
                return state.SkipWithError("the instances could not be set up or drawn");
            }
            run.heapMiB = heapInUseMiB() - before;
            run.requests = kernel.requestCount();
            countHeld(meshes, &run);
            std::vector<double> frames;
            for (int i = 0; i < kFrames; ++i) {
                const auto start = std::chrono::steady_clock::now();
                bench.drawFrame(root);
                frames.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            }
            std::nth_element(frames.begin(), frames.begin() + kFrames / 2, frames.end());
            run.frameMs = frames[kFrames / 2];
            state.SetIterationTime(run.frameMs / 1000.0);
        }
        PelmoraUnregisterFacetFactory(factory);
    }
    run.ran = true;
    (shared ? report().shared : report().separate) = run;
    state.counters["requests"] = run.requests;
    state.counters["heap_mib"] = run.heapMiB;
    state.counters["frame_ms"] = run.frameMs;
    state.counters["geometries"] = double(run.geometries);
    state.counters["vertex_buffers"] = double(run.vertexBuffers);
    state.counters["buffer_mib"] = run.bufferMiB;
}

BENCHMARK(BM_InstancesOfOnePart)->ArgName("shared")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)
    ->UseManualTime()->Iterations(1);

}  // namespace

void printInstanceSummary() {
    const InstanceReport& r = report();
    if (!r.shared.ran || !r.separate.ran) return;
    const auto line = [](const char* how, const InstanceRun& run) {
        std::printf("  %s: %d request(s), %zu geometr%s, %zu vertex buffer(s) (%.1f MiB with the indices), "
                    "heap %.1f MiB, %.1f ms a frame\n",
                    how, run.requests, run.geometries, run.geometries == 1 ? "y" : "ies", run.vertexBuffers,
                    run.bufferMiB, run.heapMiB, run.frameMs);
    };
    std::printf("instances: %d of one part (16,200 triangles each)\n", kInstances);
    line("one host mesh", r.shared);
    line("a host mesh each", r.separate);
}

}  // namespace pelmora::bench
