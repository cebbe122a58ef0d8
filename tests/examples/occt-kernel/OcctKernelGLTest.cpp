// The Open CASCADE kernel behind the engine: what a host sees once bodies
// read from files are shown. A STEP box reaches the engine as 12 triangles
// and 12 edges, every face of a box (reversed ones included) is lit from
// outside, an open shell shows its inside, a file's colours and placements
// show where they belong, a zoom sequence asks for each body at each
// deviation once, the first picture shows before refined facets come, and
// a preview of shapes not healed yet is fetched again once they are, and a
// warm-up and a released scene leave no handle behind.
#include "OcctTestModels.h"

#include <pelmora/occt/BackgroundRefiner.h>
#include <pelmora/occt/ModelScene.h>
#include <pelmora/occt/OcctKernel.h>

#include <pelmora/helpers.h>

#include "support/D3D9TestDevice.h"

#include <TopoDS.hxx>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace pelmora::occt::test {
namespace {

using pelmora::test::D3D9TestDevice;
using pelmora::test::Image;

constexpr int kSize = 96;
constexpr double kDegree = M_PI / 180.0;

int brightness(uint32_t pixel) { return int(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF)); }
int red(uint32_t pixel) { return int((pixel >> 16) & 0xFF); }
int blue(uint32_t pixel) { return int(pixel & 0xFF); }

// The kernel's facets, every request finer than the coarse pass held until
// the test opens the gate.
class GatedFacets final : public FacetFactory {
public:
    explicit GatedFacets(OcctKernel* kernel) : kernel_(kernel) {}
    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override {
        if (deviation < BackgroundRefiner::kCoarseDeviation) {
            std::unique_lock<std::mutex> hold(lock_);
            ++held_;
            opened_.wait(hold, [this] { return open_; });
            ++returned_;
        }
        return kernel_->getFacets(hostMesh, deviation, manual, source);
    }
    void releaseFacets(FacetSource* source) override { kernel_->releaseFacets(source); }
    void open() {
        std::lock_guard<std::mutex> hold(lock_);
        open_ = true;
        opened_.notify_all();
    }
    int held() {
        std::lock_guard<std::mutex> hold(lock_);
        return held_;
    }
    int returned() {
        std::lock_guard<std::mutex> hold(lock_);
        return returned_;
    }

private:
    OcctKernel* kernel_;
    std::mutex lock_;
    std::condition_variable opened_;
    bool open_ = false;
    int held_ = 0, returned_ = 0;
};

TopoDS_Shape topFace(const TopoDS_Shape& solid) {
    for (TopExp_Explorer e(solid, TopAbs_FACE); e.More(); e.Next()) {
        bool top = true;
        for (TopExp_Explorer v(e.Current(), TopAbs_VERTEX); v.More(); v.Next())
            top = top && BRep_Tool::Pnt(TopoDS::Vertex(v.Current())).Z() > 9.9;
        if (top) return e.Current();
    }
    return {};
}

class OcctScene : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        ASSERT_EQ(pelmora::initialize(context, false, ""), S_OK);
        window = PelmoraCreateOffscreenWindow(kSize, kSize);
        ASSERT_EQ(context->newViewport(window, 0, VARIANT_TRUE, kSize, kSize, &viewport), S_OK);
        ASSERT_NE(viewport, 0);
        ASSERT_EQ(context->setViewportBackground(viewport, 0, 0), S_OK);
        int light = 0;  // a headlight: a face is bright only when it faces the viewer
        ASSERT_EQ(context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFFu), 0, 0, -1, &light), S_OK);
        factory = PelmoraRegisterFacetFactory(&kernel);
    }
    void TearDown() override {
        if (context) context->Release();
        PelmoraUnregisterFacetFactory(factory);
        PelmoraDestroyWindow(window);
        EXPECT_EQ(kernel.outstandingSources(), 0);
    }

    void load(const std::string& path, bool edges = false, int sceneFactory = 0) {
        std::string error;
        ASSERT_TRUE(kernel.load(path, &error)) << error;
        SceneStyle style;
        style.edges = edges;
        ASSERT_EQ(buildScene(context, kernel, sceneFactory ? sceneFactory : factory, style, &scene), S_OK);
    }
    uint32_t pixelAt(const Image& image, double x, double y, double z) {
        double sx = 0, sy = 0, sz = 0, sw = 0;
        EXPECT_EQ(context->viewportTransform(viewport, x, y, z, &sx, &sy, &sz, &sw), S_OK);
        return image.at(int(sx), int(sy));
    }
    // Looks along a camera rotation at the whole model and draws it.
    Image look(const pelmora::Transform& rotation, const std::string& png = "") {
        EXPECT_EQ(pelmora::setCameraTransform(context, viewport, rotation), S_OK);
        EXPECT_EQ(pelmora::fitView(context, viewport, kernel.bounds()), S_OK);
        EXPECT_EQ(context->clearViewport(viewport), S_OK);
        EXPECT_EQ(context->render(viewport, scene.root, VARIANT_FALSE, VARIANT_FALSE), S_OK);
        EXPECT_EQ(context->viewportPresent(viewport, 0, 0, kSize, kSize), S_OK);
        const Image image = D3D9TestDevice::windowImage(window);
        if (!png.empty()) D3D9TestDevice::savePng(image, png);
        return image;
    }

    // A red cube placed twice (one product, two instances), its top face blue.
    void loadColouredCubes() {
        const TopoDS_Shape cube = box();
        const std::vector<std::pair<TopoDS_Shape, int>> blueTop = {{topFace(cube), int(0xFF0000FFu)}};
        load(files.step("colours.step", {{"Cube", cube, int(0xFFFF0000u), blueTop},
                                         {"Cube", moved(cube, 20, 0, 0), int(0xFFFF0000u), blueTop}}));
        ASSERT_EQ(kernel.shapeCount(), 1);
    }
    // Seen from above, both cubes' tops are blue.
    void expectBlueTops(const Image& top) {
        for (double x : {5.0, 25.0}) {
            EXPECT_GT(blue(pixelAt(top, x, 5, 10)), 150) << "top of the cube at x " << x;
            EXPECT_LT(red(pixelAt(top, x, 5, 10)), 60) << "top of the cube at x " << x;
        }
    }

    ModelFiles files;
    OcctKernel kernel;
    ModelScene scene;
    IDXContext* context = nullptr;
    int window = 0, viewport = 0, factory = 0;
};

TEST_F(OcctScene, StepBoxReachesTheEngineAsTwelveTrianglesAndTwelveEdges) {
    load(files.step("box.step", {{"Cube", box()}}), true);
    look(pelmora::Transform{});
    int provider = 0;
    ASSERT_EQ(context->getTorvelMeshProvider(&provider), S_OK);
    FacetSource* faces = nullptr;
    ASSERT_EQ(PelmoraGetMeshProvider(provider)->getFacets(factory, kernel.faceMeshes(0).at(0).handle, &faces), S_OK);
    ASSERT_NE(faces, nullptr);
    EXPECT_EQ(faces->faceListLength(), 4 * 12 + 1);
    PelmoraGetMeshProvider(provider)->releaseFacets(faces);

    SAFEARRAY* vertices = nullptr;
    SAFEARRAY* lines = nullptr;
    ASSERT_EQ(context->getMeshData(scene.edgeMeshes[0], &vertices, &lines), S_OK);
    ASSERT_NE(lines, nullptr);
    int* list = nullptr;
    ASSERT_EQ(SafeArrayAccessData(lines, reinterpret_cast<void**>(&list)), S_OK);
    int polylines = 0;
    for (int i = 0; list[i] != 0; i += list[i] + 1) ++polylines;
    SafeArrayUnaccessData(lines);
    SafeArrayDestroy(lines);
    SafeArrayDestroy(vertices);
    EXPECT_EQ(polylines, 12);
}

TEST_F(OcctScene, EveryFaceOfABoxIsLitFromOutsideReversedOnesIncluded) {
    int reversed = 0;
    for (TopExp_Explorer e(box(), TopAbs_FACE); e.More(); e.Next())
        reversed += e.Current().Orientation() == TopAbs_REVERSED;
    ASSERT_GT(reversed, 0) << "the box should hold reversed faces";
    load(files.brep("box.brep", box()));
    using pelmora::Transform;
    const Transform views[] = {
        Transform{},                                   // +z towards the viewer
        Transform::rotation(1, 0, 0, 180 * kDegree),   // -z
        Transform::rotation(1, 0, 0, 90 * kDegree),    // -y
        Transform::rotation(1, 0, 0, -90 * kDegree),   // +y
        Transform::rotation(0, 1, 0, 90 * kDegree),    // -x
        Transform::rotation(0, 1, 0, -90 * kDegree),   // +x
    };
    for (size_t i = 0; i < std::size(views); ++i) {
        const Image image = look(views[i], "occt_box_face_" + std::to_string(i));
        // Culled, it would show the black background; lit from behind, black too.
        EXPECT_GT(brightness(image.at(kSize / 2, kSize / 2)), 3 * 100) << "view " << i;
    }
}

TEST_F(OcctScene, OpenShellShowsItsInsideLit) {
    load(files.brep("tray.brep", openBox()));
    ASSERT_TRUE(kernel.body(0).open);
    // From above, through the missing top: the floor's outside faces away.
    const Image image = look(pelmora::Transform{}, "occt_open_shell");
    EXPECT_GT(brightness(image.at(kSize / 2, kSize / 2)), 3 * 100);
    // From below: the floor's outside.
    const Image under = look(pelmora::Transform::rotation(1, 0, 0, 180 * kDegree));
    EXPECT_GT(brightness(under.at(kSize / 2, kSize / 2)), 3 * 100);
}

TEST_F(OcctScene, ZoomSequenceAsksForEachBodyAtEachDeviationOnce) {
    load(files.step("pair.step", {{"Cube", box()}, {"Rod", moved(cylinder(), 20, 5, 0)}}), true);
    look(pelmora::Transform::rotation(1, 0, 0, -60 * kDegree));
    std::set<double> deviations, wholeModelDeviations;
    for (double factor : {0.5, 0.25, 0.1, 0.05, 0.02, 0.2, 1.0, 4.0, 30.0, 0.1, 1.0}) {
        double left, right, bottom, top;
        ASSERT_EQ(context->getViewportPlane(viewport, &left, &right, &bottom, &top), S_OK);
        const double cx = (left + right) / 2, cy = (bottom + top) / 2;
        ASSERT_EQ(pelmora::fitView(context, viewport, kernel.bounds()), S_OK);
        ASSERT_EQ(context->getViewportPlane(viewport, &left, &right, &bottom, &top), S_OK);
        const double hw = (right - left) / 2 * factor, hh = (top - bottom) / 2 * factor;
        ASSERT_EQ(context->setViewportPlane(viewport, cx - hw, cx + hw, cy - hh, cy + hh), S_OK);
        double deviation = 0;
        ASSERT_EQ(PelmoraGetViewportDeviation(viewport, &deviation), S_OK);
        deviations.insert(deviation);
        if (factor >= 1.0) wholeModelDeviations.insert(deviation);
        ASSERT_EQ(context->render(viewport, scene.root, VARIANT_FALSE, VARIANT_FALSE), S_OK);
    }
    ASSERT_GE(deviations.size(), 3u) << "the sequence should span several deviations";
    // Zoomed in, a body outside the view is not refined; never is one asked twice.
    int tessellations = 0;
    for (double deviation : deviations) {
        for (int body = 0; body < 2; ++body) {
            const int count = kernel.tessellationCount(body, deviation);
            EXPECT_LE(count, 1) << body << " at " << deviation;
            if (wholeModelDeviations.count(deviation)) {
                EXPECT_EQ(count, 1) << body << " at " << deviation;
            }
            EXPECT_EQ(kernel.requestCount(kernel.faceMeshes(body).at(0).handle, deviation), count);
            EXPECT_EQ(kernel.requestCount(kernel.edgeMesh(body), deviation), count);
            tessellations += count;
        }
    }
    EXPECT_EQ(kernel.tessellationCount(), tessellations);
}

TEST_F(OcctScene, FileColoursAndPlacementsShowAtTheirPixels) {
    loadColouredCubes();
    const Image top = look(pelmora::Transform{}, "occt_colours_top");
    expectBlueTops(top);
    EXPECT_EQ(brightness(pixelAt(top, 15, 5, 10)), 0) << "nothing between the instances";
    const Image side = look(pelmora::Transform::rotation(1, 0, 0, 90 * kDegree), "occt_colours_side");
    for (double x : {5.0, 25.0}) {
        const uint32_t pixel = pixelAt(side, x, 0, 5);
        EXPECT_GT(red(pixel), 150) << "front of the cube at x " << x;
        EXPECT_LT(blue(pixel), 60) << "front of the cube at x " << x;
    }
}

TEST_F(OcctScene, FirstPictureShowsBeforeTheLastFacetRequestReturns) {
    GatedFacets gated(&kernel);
    const int gatedFactory = PelmoraRegisterThreadSafeFacetFactory(&gated);
    load(files.step("box.step", {{"Cube", box()}}), false, gatedFactory);
    BackgroundRefiner refiner(&kernel);
    ASSERT_EQ(refiner.showCoarse(context, viewport), S_OK);
    EXPECT_GT(brightness(look(pelmora::Transform{}).at(kSize / 2, kSize / 2)), 3 * 100);
    ASSERT_EQ(refiner.refine(context, viewport), S_OK);
    // Frames go on while the finer facets are held in the factory.
    for (int wait = 0; wait < 500 && gated.held() == 0; ++wait) {
        look(pelmora::Transform{});
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(gated.held(), 0) << "the view should ask for finer facets";
    EXPECT_GT(brightness(look(pelmora::Transform{}).at(kSize / 2, kSize / 2)), 3 * 100);
    EXPECT_EQ(gated.returned(), 0);
    gated.open();
    refiner.stop();
    context->Release();
    context = nullptr;
    EXPECT_EQ(PelmoraUnregisterFacetFactory(gatedFactory), S_OK);
}

TEST_F(OcctScene, APreviewShowsFirstAndIsFetchedAgainOnceItsShapeIsHealed) {
    loadColouredCubes();
    BackgroundRefiner refiner(&kernel);
    ASSERT_EQ(refiner.showCoarse(context, viewport), S_OK);
    EXPECT_TRUE(kernel.shape(0).healing) << "a preview is made from the shape as translated";
    constexpr double kCoarse = BackgroundRefiner::kCoarseDeviation;
    const int faces = kernel.faceMeshes(0).at(1).handle;  // the blue group
    expectBlueTops(look(pelmora::Transform{}));
    EXPECT_EQ(kernel.requestCount(faces, kCoarse), 1) << "both instances share the preview";
    EXPECT_EQ(kernel.tessellationCount(), 0);

    kernel.prepare(kCoarse);
    EXPECT_FALSE(kernel.shape(0).healing);
    ASSERT_EQ(refreshPreviews(context, kernel, scene), S_OK);
    expectBlueTops(look(pelmora::Transform{}, "occt_preview_healed"));
    EXPECT_EQ(kernel.requestCount(faces, kCoarse), 2) << "fetched again once, for both instances";
    EXPECT_EQ(kernel.tessellationCount(0, kCoarse), 1);
    ASSERT_EQ(refreshPreviews(context, kernel, scene), S_OK);
    look(pelmora::Transform{});
    EXPECT_EQ(kernel.requestCount(faces, kCoarse), 2) << "a preview is replaced once";
}

TEST_F(OcctScene, AWarmUpAndAReleasedSceneLeaveNoHandleBehind) {
    SceneStyle edges;
    ASSERT_EQ(warmUpScene(context, viewport, edges), S_OK);
    load(files.step("box.step", {{"Cube", box()}}), true);
    EXPECT_GT(brightness(look(pelmora::Transform{}).at(kSize / 2, kSize / 2)), 3 * 100) << "the model after a warm-up";
    const int root = scene.root, mesh = scene.faceMeshes[0][0], edge = scene.edgeMeshes[0];
    ASSERT_EQ(releaseScene(context, &scene), S_OK);
    EXPECT_EQ(scene.root, 0);
    EXPECT_NE(context->setFrameColor(root, 0), S_OK) << "the root is gone";
    for (int handle : {mesh, edge}) EXPECT_NE(context->refreshMesh(handle), S_OK) << "mesh " << handle << " is gone";
}

}  // namespace
}  // namespace pelmora::occt::test
