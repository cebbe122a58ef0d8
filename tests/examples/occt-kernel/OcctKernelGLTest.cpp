// The Open CASCADE kernel behind the engine: what a host sees once bodies
// read from files are shown. A STEP box reaches the engine as 12 triangles
// and 12 edges, every face of a box (reversed ones included) is lit from
// outside, an open shell shows its inside, and a zoom sequence asks for
// each body at each deviation once.
#include "OcctTestModels.h"

#include <pelmora/occt/ModelScene.h>
#include <pelmora/occt/OcctKernel.h>

#include <pelmora/helpers.h>

#include "support/D3D9TestDevice.h"

#include <TopoDS.hxx>

#include <gtest/gtest.h>

#include <set>

namespace pelmora::occt::test {
namespace {

using pelmora::test::D3D9TestDevice;
using pelmora::test::Image;

constexpr int kSize = 96;
constexpr double kDegree = M_PI / 180.0;

int brightness(uint32_t pixel) { return int(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF)); }

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

    void load(const std::string& path, bool edges = false) {
        std::string error;
        ASSERT_TRUE(kernel.load(path, &error)) << error;
        SceneStyle style;
        style.edges = edges;
        ASSERT_EQ(buildScene(context, kernel, factory, style, &scene), S_OK);
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
    ASSERT_EQ(PelmoraGetMeshProvider(provider)->getFacets(factory, OcctKernel::faceMesh(0), &faces), S_OK);
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
            EXPECT_EQ(kernel.requestCount(OcctKernel::faceMesh(body), deviation), count);
            EXPECT_EQ(kernel.requestCount(OcctKernel::edgeMesh(body), deviation), count);
            tessellations += count;
        }
    }
    EXPECT_EQ(kernel.tessellationCount(), tessellations);
}

}  // namespace
}  // namespace pelmora::occt::test
