// pelmora_step_bench: time to the first frame of a 100-solid STEP assembly,
// as pelmora-view meets it, split into reading the file, tessellating every
// body at the deviation the fitted view asks for, and the first render.
//     pelmora_step_bench [RUNS]     (3 by default; the medians are printed)
// The assembly is written first, with OCCT's modelling calls: a 10 x 10
// grid of flanges (a filleted plate, bored, with a boss) and shafts.
#include <pelmora/occt/ModelScene.h>
#include <pelmora/occt/ModelWriter.h>
#include <pelmora/occt/OcctKernel.h>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <gp_Ax2.hxx>

#include <pelmora/helpers.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGrid = 10, kWidth = 1280, kHeight = 720;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TopoDS_Shape flange(double x, double y) {
    TopoDS_Shape plate = BRepPrimAPI_MakeBox(gp_Pnt(x - 20, y - 20, 0), 40, 40, 8).Shape();
    BRepFilletAPI_MakeFillet fillet(plate);
    for (TopExp_Explorer e(plate, TopAbs_EDGE); e.More(); e.Next()) fillet.Add(2.0, TopoDS::Edge(e.Current()));
    const TopoDS_Shape boss = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, y, 8), gp::DZ()), 12, 10).Shape();
    const TopoDS_Shape bore = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, y, -1), gp::DZ()), 6, 20).Shape();
    return BRepAlgoAPI_Cut(BRepAlgoAPI_Fuse(fillet.Shape(), boss).Shape(), bore).Shape();
}

TopoDS_Shape shaft(double x, double y) {
    return BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, y, 0), gp::DZ()), 5.5, 40).Shape();
}

std::string writeAssembly(const std::string& path) {
    std::vector<pelmora::occt::NamedPart> parts;
    for (int row = 0; row < kGrid; ++row)
        for (int column = 0; column < kGrid; ++column) {
            const double x = column * 50.0, y = row * 50.0;
            const bool isShaft = (row + column) % 4 == 3;
            parts.push_back({(isShaft ? "Shaft " : "Flange ") + std::to_string(parts.size() + 1),
                             isShaft ? shaft(x, y) : flange(x, y)});
        }
    std::string error;
    if (!pelmora::occt::writeStep(path, parts, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    return path;
}

struct FirstFrame {
    double read, tessellation, render;
    int triangles = 0;
};

FirstFrame measure(const std::string& path) {
    FirstFrame times{};
    pelmora::occt::OcctKernel kernel;
    std::string error;
    Clock::time_point start = Clock::now();
    if (!kernel.load(path, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    times.read = secondsSince(start);

    IDXContext* context = nullptr;
    PelmoraCreateContext(&context);
    pelmora::initialize(context, false, "");
    const int window = PelmoraCreateOffscreenWindow(kWidth, kHeight);
    int viewport = 0;
    context->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, kWidth, kHeight, &viewport);
    const int factory = PelmoraRegisterFacetFactory(&kernel);
    pelmora::occt::ModelScene scene;
    pelmora::occt::buildScene(context, kernel, factory, pelmora::occt::SceneStyle{}, &scene);
    context->rotateCamera(viewport, 0, 0, 0, 1, 0, 0, -1.0);
    pelmora::fitView(context, viewport, kernel.bounds());
    int light = 0;
    context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFF), 0.3f, -0.4f, -1.0f, &light);
    double deviation = 0;
    PelmoraGetViewportDeviation(viewport, &deviation);

    start = Clock::now();
    kernel.prepare(deviation);
    times.tessellation = secondsSince(start);
    for (int shape = 0; shape < kernel.shapeCount(); ++shape)
        times.triangles += kernel.tessellation(shape, deviation).triangles;

    start = Clock::now();
    context->clearViewport(viewport);
    context->render(viewport, scene.root, VARIANT_FALSE, VARIANT_FALSE);
    context->viewportFlip(viewport, VARIANT_TRUE);
    context->viewportPresent(viewport, 0, 0, kWidth, kHeight);
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    PelmoraGetWindowImage(window, &width, &height, &pixels);  // the frame is on the window
    times.render = secondsSince(start);

    context->Release();
    PelmoraUnregisterFacetFactory(factory);
    PelmoraDestroyWindow(window);
    return times;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string path = (std::filesystem::temp_directory_path() / "pelmora-100-solids.step").string();
    writeAssembly(path);
    std::printf("100-solid STEP assembly: %s, %.0f kB\n", path.c_str(),
                double(std::filesystem::file_size(path)) / 1024.0);
    std::vector<double> read, tessellation, render;
    int triangles = 0;
    for (int run = 0; run < runs; ++run) {
        const FirstFrame t = measure(path);
        read.push_back(t.read);
        tessellation.push_back(t.tessellation);
        render.push_back(t.render);
        triangles = t.triangles;
        std::printf("run %d: read %.3f s, tessellation %.3f s, first render %.3f s\n", run + 1, t.read,
                    t.tessellation, t.render);
    }
    std::filesystem::remove(path);
    std::printf("time to first frame (median of %d, %d triangles, %dx%d): read %.3f s, "
                "tessellation %.3f s, first render %.3f s, total %.3f s\n",
                runs, triangles, kWidth, kHeight, median(read), median(tessellation), median(render),
                median(read) + median(tessellation) + median(render));
    return 0;
}
