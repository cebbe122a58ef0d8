// fitView on the real device: a 300-unit assembly (millimetres, say) and the
// same assembly at 1/100 of the size, each fitted in orthographic and in
// perspective, must show the same picture, with every vertex between the
// front and back planes and inside the window; the viewport's deviation is
// what the kernel is asked for.
#include <pelmora/helpers.h>
#include <pelmora/pelmora.h>

#include <SampleKernel.h>

#include "support/D3D9TestDevice.h"
#include "support/SampleKernelView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using pelmora::test::D3D9TestDevice;
using pelmora::test::Image;
using samplekernel::Vec3;

constexpr int kWidth = 160, kHeight = 120;
constexpr uint32_t kBackground = 0x00FF00FF;  // magenta: nothing in the model is

// A base plate with two holes, a post, a ball and a ring, off the origin,
// `unit` times the size of a 300 x 200 x 210 assembly.
std::vector<samplekernel::Shape> assembly(double unit) {
    auto at = [unit](double x, double y, double z) { return Vec3{x * unit, y * unit, z * unit}; };
    return {samplekernel::Plate{at(100, 40, 0), 100 * unit, 3, 2, 20 * unit,
                                {{0, 0, 25 * unit}, {2, 1, 25 * unit}}},
            samplekernel::Cylinder{at(150, 90, 20), 20 * unit, 140 * unit},
            samplekernel::Sphere{at(330, 190, 190), 30 * unit},
            samplekernel::Torus{at(150, 90, 160), 45 * unit, 10 * unit}};
}

class FitView : public pelmora::test::SampleKernelView {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(openView(kWidth, kHeight));
        ASSERT_EQ(context->setViewportBackground(viewport, int(kBackground), int(kBackground)), S_OK);
        int light = 0;
        ASSERT_EQ(context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFFu), 0.3f, -0.4f, -1, &light), S_OK);
        // A three-quarter view from above, which the fit keeps.
        ASSERT_EQ(context->rotateCamera(viewport, 0, 0, 0, 1, 0, 0, -1.0), S_OK);
        ASSERT_EQ(context->rotateCamera(viewport, 0, 0, 0, 0, 0, 1, 0.6), S_OK);
    }

    // The assembly under a new root; its bodies and their box.
    int build(double unit, std::vector<int>* bodies, pelmora::Box* box) {
        int root = 0;
        EXPECT_EQ(context->newFrame(0, &root), S_OK);
        EXPECT_EQ(context->setFrameColor(root, int(0xFF4682B4u)), S_OK);
        for (const samplekernel::Shape& shape : assembly(unit)) {
            const int body = kernel.addBody(shape);
            int mesh = 0;
            EXPECT_EQ(context->newSolidMeshFromHandle(body, factory, &mesh), S_OK);
            EXPECT_EQ(context->frameAddVisual(root, mesh), S_OK);
            bodies->push_back(body);
            for (const FacetVertex& v : kernel.facetsOf(body, 4.0).vertices) box->add({v.x, v.y, v.z});
        }
        return root;
    }
    Image draw(int root, const std::string& name) {
        EXPECT_EQ(context->clearViewport(viewport), S_OK);
        EXPECT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
        EXPECT_EQ(context->viewportFlip(viewport, VARIANT_TRUE), S_OK);
        EXPECT_EQ(context->viewportPresent(viewport, 0, 0, kWidth, kHeight), S_OK);
        const Image image = D3D9TestDevice::windowImage(window);
        D3D9TestDevice::savePng(image, name);
        return image;
    }
    // Every vertex of the bodies, at the deviation in force, lands between
    // the front and back planes and inside the window.
    void expectAllVerticesInView(const std::vector<int>& bodies, const char* when) {
        double deviation = 0;
        ASSERT_EQ(PelmoraGetViewportDeviation(viewport, &deviation), S_OK);
        int outside = 0;
        for (int body : bodies)
            for (const FacetVertex& v : kernel.facetsOf(body, deviation).vertices) {
                double x = 0, y = 0, z = 0, w = 0;
                ASSERT_EQ(context->viewportTransform(viewport, v.x, v.y, v.z, &x, &y, &z, &w), S_OK);
                if (!(z > 0.0 && z < 1.0 && x >= 0 && x <= kWidth && y >= 0 && y <= kHeight) && outside++ < 3)
                    ADD_FAILURE() << when << ": body " << body << " vertex (" << v.x << ", " << v.y << ", " << v.z
                                  << ") lands at (" << x << ", " << y << ") depth " << z;
            }
        EXPECT_EQ(outside, 0) << when;
    }

};

std::vector<bool> silhouette(const Image& image) {
    std::vector<bool> mask;
    for (uint32_t pixel : image.pixels) mask.push_back((pixel & 0xFFFFFFu) != kBackground);
    return mask;
}

TEST_P(FitView, AModelInMillimetresFillsTheViewUncutAsItsHundredthDoes) {
    const char* projection = GetParam() ? "perspective" : "orthographic";
    std::vector<int> large, small;
    pelmora::Box largeBox, smallBox;
    const int largeRoot = build(1.0, &large, &largeBox);
    const int smallRoot = build(0.01, &small, &smallBox);

    ASSERT_EQ(pelmora::fitView(context, viewport, largeBox), S_OK);
    const Image largeImage = draw(largeRoot, std::string("fit_300_") + projection);
    expectAllVerticesInView(large, "300 units");
    double deviation = 0;
    ASSERT_EQ(PelmoraGetViewportDeviation(viewport, &deviation), S_OK);
    EXPECT_EQ(kernel.requests().back().deviation, deviation) << "the render asked for the viewport's deviation";
    EXPECT_EQ(deviation, 4.0) << "a fitted view of either projection is drawn at a middle step";

    ASSERT_EQ(pelmora::fitView(context, viewport, smallBox), S_OK);
    const Image smallImage = draw(smallRoot, std::string("fit_3_") + projection);
    expectAllVerticesInView(small, "3 units");

    // The same pixels at both sizes, and the model framed: it reaches
    // towards two opposite borders and touches none. (In perspective the
    // box's near corners, which the model does not fill, set the frame.)
    const std::vector<bool> a = silhouette(largeImage), b = silhouette(smallImage);
    int differing = 0, covered = 0, minX = kWidth, maxX = -1, minY = kHeight, maxY = -1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const size_t i = size_t(y) * kWidth + x;
            differing += a[i] != b[i];
            if (!a[i]) continue;
            ++covered;
            minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    EXPECT_LE(differing, covered / 200) << differing << " of " << covered << " model pixels differ";
    EXPECT_GT(minX, 0);
    EXPECT_GT(minY, 0);
    EXPECT_LT(maxX, kWidth - 1);
    EXPECT_LT(maxY, kHeight - 1);
    EXPECT_TRUE(maxX - minX > kWidth * 0.75 || maxY - minY > kHeight * 0.75)
        << "spans " << maxX - minX << " x " << maxY - minY;
}

TEST_P(FitView, AFitStaysUncutWhileTheCameraOrbitsTheModel) {
    std::vector<int> bodies;
    pelmora::Box box;
    build(1.0, &bodies, &box);
    ASSERT_EQ(pelmora::fitView(context, viewport, box), S_OK);
    const pelmora::Point3 c = box.centre();
    for (const auto& [x, y, z] : {std::tuple(1, 0, 0), std::tuple(0, 1, 0), std::tuple(1, 1, 1)}) {
        ASSERT_EQ(context->rotateCamera(viewport, c[0], c[1], c[2], x, y, z, 1.3), S_OK);
        double depthX = 0, depthY = 0, depth = 0, w = 0;
        // Every vertex stays between the planes (not necessarily in the window).
        for (int body : bodies)
            for (const FacetVertex& v : kernel.facetsOf(body, 4.0).vertices) {
                ASSERT_EQ(context->viewportTransform(viewport, v.x, v.y, v.z, &depthX, &depthY, &depth, &w), S_OK);
                ASSERT_TRUE(depth > 0.0 && depth < 1.0) << "after turning about " << x << y << z;
            }
    }
}

TEST_P(FitView, BoxesItCannotFrameAreRefusedAndTheViewStays) {
    double front = 0;
    ASSERT_EQ(context->getViewportFront(viewport, &front), S_OK);
    const double inf = std::numeric_limits<double>::infinity();
    const pelmora::Box refused[] = {pelmora::Box{},
                                    pelmora::Box{{1, 2, 3}, {1, 2, 3}},
                                    pelmora::Box{{0, 0, 0}, {inf, 1, 1}}};
    for (const pelmora::Box& box : refused) EXPECT_EQ(pelmora::fitView(context, viewport, box), E_INVALIDARG);
    double after = 0;
    ASSERT_EQ(context->getViewportFront(viewport, &after), S_OK);
    EXPECT_EQ(after, front);
    EXPECT_EQ(pelmora::fitView(context, 0, pelmora::Box{{0, 0, 0}, {1, 1, 1}}), E_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Projections, FitView, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Perspective" : "Orthographic";
                         });

}  // namespace
