// The four looks of a CAD view, side by side in edge_looks.png: the demo
// assembly shaded, shaded with edges, with hidden lines removed, and with
// hidden lines dashed. Each look is the same scene with other draw flags on
// the root frame, which every body inherits.
#include "DemoAssembly.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 400, kHeight = 300;

struct Look {
    const char* name;
    unsigned flags;
};

}  // namespace

int main() {
    IDXContext* context = nullptr;
    if (FAILED(PelmoraCreateContext(&context)) || !context) return 1;
    const int window = PelmoraCreateOffscreenWindow(kWidth, kHeight);
    VARIANT_BOOL noHardware = VARIANT_TRUE;
    int viewport = 0, root = 0, light = 0;
    HRESULT hr = context->initialize(VARIANT_FALSE, nullptr, &noHardware);
    if (SUCCEEDED(hr))
        hr = context->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, kWidth, kHeight, &viewport);
    if (FAILED(hr)) {
        std::printf("edge_looks: no viewport (0x%08X)\n", unsigned(hr));
        return 1;
    }
    samplekernel::SampleKernel kernel;
    const int factory = PelmoraRegisterThreadSafeFacetFactory(&kernel);
    context->newFrame(0, &root);
    for (const demo::Part& part : demo::assemblyParts()) {
        int frame = 0, mesh = 0;
        context->newFrame(root, &frame);
        context->newSolidMeshFromHandle(kernel.addBody(part.shape), factory, &mesh);
        context->frameAddVisual(frame, mesh);
        context->setFrameColor(frame, part.color);
        context->frameSetReflectivity(frame, 60.0f);
    }
    const double degrees = 3.14159265358979 / 180.0;
    context->rotateCamera(viewport, 0, 0, 0, 1, 0, 0, -60 * degrees);
    context->rotateCamera(viewport, 0, 0, 0, 0, 0, 1, 30 * degrees);
    context->setViewportPlane(viewport, -3.4, 3.4, -2.2, 2.9);
    context->setViewportBackground(viewport, int(0xFFFFFFFFu), int(0xFFFFFFFFu));
    context->viewportAddAmbientLight(viewport, 0x00303030);
    context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFFu), 0.4f, -0.5f, -1.0f, &light);

    const Look looks[] = {
        {"shaded", SOLID_MESH_DRAW_SOLIDS},
        {"shaded with edges", SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_SILHOUETTES},
        {"hidden lines removed", SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_SILHOUETTES},
        {"hidden lines dashed", SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_SILHOUETTES | SOLID_MESH_DRAW_HIDDEN},
    };
    const int count = int(sizeof looks / sizeof looks[0]);
    std::vector<uint32_t> strip(size_t(kWidth) * count * kHeight);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        context->setFrameDrawFacetEdges(root, SolidMeshDrawFlags(looks[i].flags), int(0xFF1A1A1Au), 2,
                                        int(0xFF8090A0u), 1);
        context->clearViewport(viewport);
        HRESULT step = context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE);
        if (SUCCEEDED(step)) step = context->viewportFlip(viewport, VARIANT_TRUE);
        if (SUCCEEDED(step)) step = context->viewportPresent(viewport, 0, 0, kWidth, kHeight);
        int width = 0, height = 0;
        const uint32_t* pixels = nullptr;
        if (SUCCEEDED(step)) step = PelmoraGetWindowImage(window, &width, &height, &pixels);
        std::printf("  %-22s -> 0x%08X\n", looks[i].name, unsigned(step));
        if (FAILED(step) || width != kWidth || height != kHeight) {
            ++failures;
            continue;
        }
        for (int row = 0; row < kHeight; ++row)
            std::memcpy(&strip[(size_t(row) * count + i) * kWidth], pixels + size_t(row) * kWidth,
                        kWidth * sizeof(uint32_t));
    }
    if (FAILED(demo::writePng("edge_looks.png", kWidth * count, kHeight, strip.data()))) ++failures;
    context->releaseHandle(viewport);
    context->Release();
    PelmoraUnregisterFacetFactory(factory);
    PelmoraDestroyWindow(window);
    std::printf("%s: the four looks are in edge_looks.png\n", failures == 0 ? "Done" : "Failed");
    return failures == 0 ? 0 : 1;
}
