// The demo host: what a CAD host does with Pelmora, end to end. It builds a
// small assembly from the sample modelling kernel (a holed base plate, two
// posts, a ball, a ring and a translucent cover), shows the bodies shaded
// with their borders and outlines and a construction grid under it all, hangs it
// in a frame tree through IDXContext with a few sketch-constraint symbols and
// a hot spot pinned to points of it, renders it into an offscreen window and
// writes the window's pixels to demo.png, printing each step and what the
// engine said.
#include "DemoAssembly.h"

#include <pelmora/helpers.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

int failures = 0;

// Prints a step and its status; anything but the expected status counts as a failure.
void report(const char* step, HRESULT status, HRESULT expected = S_OK) {
    std::printf("  %-46s -> 0x%08X%s\n", step, static_cast<unsigned>(status),
                status == expected ? "" : " (unexpected)");
    if (status != expected) ++failures;
}


// A symbol of the built-in set pinned to a point of the model: its anchor
// pixel lands on the point, whatever the camera does.
struct Marker {
    const char* name;
    PreloadedTextureIDs symbol;
    double x, y, z;
    int anchorX, anchorY;
    int color;
};

// A frame at (x, y, z) under parent.
int frameAt(IDXContext* context, int parent, double x, double y, double z) {
    int frame = 0;
    context->newFrame(parent, &frame);
    pelmora::setTranslation(context, frame, x, y, z);
    return frame;
}

}  // namespace

int main() {
    using namespace samplekernel;
    std::printf("Pelmora demo host\n");
    IDXContext* context = nullptr;
    report("PelmoraCreateContext", PelmoraCreateContext(&context));
    if (!context) return 1;

    constexpr int kWidth = 800, kHeight = 600;
    int window = PelmoraCreateOffscreenWindow(kWidth, kHeight);
    report("initialize", pelmora::initialize(context, false, ""));
    int viewport = 0;
    report("newViewport(800x600 offscreen window)",
           context->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, kWidth, kHeight, &viewport));

    // The modelling kernel owns the bodies; the engine asks it for facets.
    SampleKernel kernel;
    const int factory = PelmoraRegisterThreadSafeFacetFactory(&kernel);
    const std::vector<demo::Part> parts = demo::assemblyParts();

    int root = 0;
    report("newFrame(root)", context->newFrame(0, &root));
    pelmora::Box modelBox;  // the kernel knows where its bodies lie
    for (const demo::Part& part : parts) {
        int frame = 0, mesh = 0;
        context->newFrame(root, &frame);
        const int body = kernel.addBody(part.shape);
        for (const FacetVertex& v : kernel.facetsOf(body, 4.0).vertices) modelBox.add({v.x, v.y, v.z});
        char step[80];
        std::snprintf(step, sizeof step, "newSolidMeshFromHandle(%s)", part.name);
        report(step, context->newSolidMeshFromHandle(body, factory, &mesh));
        context->frameAddVisual(frame, mesh);
        context->setFrameColor(frame, part.color);
        context->frameSetReflectivity(frame, 60.0f);
    }
    // Shaded with edges: every body's borders and outline two pixels wide in
    // near black, set once on the root and inherited by each part.
    const unsigned shadedWithEdges = SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_SILHOUETTES;
    report("setFrameDrawFacetEdges(root)",
           context->setFrameDrawFacetEdges(root, SolidMeshDrawFlags(shadedWithEdges),
                                           static_cast<int>(0xFF1A1A1Au), 2, static_cast<int>(0xFF808080u), 1));

    // A construction grid just under the base plate: lines every unit, faint
    // ones every quarter.
    int gridFrame = 0, grid = 0;
    context->newFrame(root, &gridFrame);
    report("setTranslation(grid under the plate)", pelmora::setTranslation(context, gridFrame, 0.0, 0.0, -0.32));
    report("newGrillMesh", context->newGrillMesh(-4.0f, 3.0f, 4.0f, -3.0f, 1.0f, 0.25f, 1.0f, 0.25f, &grid));
    context->frameAddVisual(gridFrame, grid);
    context->setFrameColor(gridFrame, static_cast<int>(0xFFB8C8D8u));

    // Constraint symbols the way a sketcher shows them, and a hot spot on a
    // corner of the plate; each sits a hair above its surface.
    const int constraintGreen = static_cast<int>(0xFF40D040u);
    const Marker markers[] = {
        {"fixed plate", CONSTRAINT_BIG_FIXED, -0.2, -1.2, 0.01, 8, 15, constraintGreen},
        {"perpendicular post", CONSTRAINT_BIG_PERPENDICULAR, 1.35, -0.35, 0.01, 0, 15, constraintGreen},
        {"concentric ring", CONSTRAINT_BIG_CONCENTRIC, 1.0, 0.0, 1.45, 8, 8, constraintGreen},
        {"tangent ball", CONSTRAINT_BIG_TANGENT, -1.0, -0.36, 1.75, 0, 8, constraintGreen},
        {"parallel posts", CONSTRAINT_PARALLEL, 0.0, 0.0, 0.7, 4, 4, constraintGreen},
        {"hot spot", HOTSPOT_BIG_HOTPOINT, 2.0, -1.5, 0.01, 8, 8, static_cast<int>(0xFFFFB020u)},
    };
    for (const Marker& marker : markers) {
        int symbol = 0;
        char step[80];
        std::snprintf(step, sizeof step, "newPreloadedBillboard(%s)", marker.name);
        report(step, context->newPreloadedBillboard(marker.symbol, marker.anchorX, marker.anchorY, &symbol));
        const int frame = frameAt(context, root, marker.x, marker.y, marker.z);
        context->frameAddVisual(frame, symbol);
        context->setFrameColor(frame, marker.color);
    }

    // A three-quarter view: tilt the model towards the viewer, then turn it.
    const double degrees = 3.14159265358979 / 180.0;
    report("rotateCamera(tilt)", context->rotateCamera(viewport, 0, 0, 0, 1, 0, 0, -60 * degrees));
    report("rotateCamera(turn)", context->rotateCamera(viewport, 0, 0, 0, 0, 0, 1, 30 * degrees));
    report("fitView", pelmora::fitView(context, viewport, modelBox));
    int light = -1;
    report("viewportAddAmbientLight", context->viewportAddAmbientLight(viewport, 0x00303030));
    report("viewportAddDirectionalLight",
           context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFF), 0.4f, -0.5f, -1.0f,
                                                &light));

    report("clearViewport", context->clearViewport(viewport));
    report("render(assembly)", context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE));
    report("viewportFlip(to cache)", context->viewportFlip(viewport, VARIANT_TRUE));
    report("viewportPresent", context->viewportPresent(viewport, 0, 0, kWidth, kHeight));
    report("saveWindowPng(demo.png)", pelmora::saveWindowPng(window, "demo.png"));
    std::printf("      the kernel was asked for facets %d times\n", kernel.requestCount());

    report("releaseHandle(viewport)", context->releaseHandle(viewport));
    std::printf("Releasing the context (destroys every frame and mesh it made)\n");
    context->Release();
    PelmoraUnregisterFacetFactory(factory);
    PelmoraDestroyWindow(window);
    std::printf("Done: %d unexpected status(es); the picture is in demo.png\n", failures);
    return failures == 0 ? 0 : 1;
}
