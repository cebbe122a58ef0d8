// View-volume culling through IDXContext on the real device: a host body
// wholly outside the view is fetched once (to learn where it lies) and then
// neither drawn nor refined until the view reaches it, whether the view moves
// by its plane or by the camera transform, orthographic or perspective; a
// body across the view's edge, or around the whole view, is drawn.
#include <pelmora/pelmora.h>
#include <pelmora/helpers.h>

#include "support/MeshTestSupport.h"
#include "support/RenderedScene.h"
#include "support/TransformArrays.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace pelmora::test;

constexpr int kSize = 128, kTolerance = 3;  // the rendered scene's size
constexpr uint32_t kLitRed = 0xFF0000, kBlack = 0x000000;

// A host body: a square facing the camera, the same at every deviation, in a
// frame of its own placed at (x, y, z).
struct Body {
    std::unique_ptr<TestFacetFactory> factory;
    int frame = 0;
    int mesh = 0;

    std::vector<double> asked() const {
        std::vector<double> deviations;
        for (const auto& request : factory->requests) deviations.push_back(request.deviation);
        return deviations;
    }
};

class DXContextCulling : public RenderedScene {
protected:
    void SetUp() override {
        RenderedScene::SetUp();
        if (!HasFatalFailure()) addLight();
    }

    Body body(double x, double y, float half, double z = 0.0) {
        Body b;
        b.factory = std::make_unique<TestFacetFactory>([half](double) { return squareFacets(half); });
        EXPECT_EQ(context->newFrame(root, &b.frame), S_OK);
        EXPECT_EQ(pelmora::setTranslation(context, b.frame, x, y, z), S_OK);
        EXPECT_EQ(context->newSolidMeshFromHandle(7, b.factory->handle, &b.mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(b.frame, b.mesh), S_OK);
        return b;
    }
    void plane(double left, double right, double bottom, double top) {
        ASSERT_EQ(context->setViewportPlane(viewport, left, right, bottom, top), S_OK);
    }
    void cameraShift(double x, double y) {
        SafeArrayPtr transform = makeDoubleArray(translationValues(x, y, 0));
        SAFEARRAY* raw = transform.get();
        ASSERT_EQ(context->setCameraTransform(viewport, &raw), S_OK);
    }
    // The pixel showing view-plane point (u, v) of a plane [-half, half] around the centre.
    static uint32_t at(const Image& image, double u, double v, double half) {
        return image.at(int((u / half + 1.0) * 0.5 * kSize), int((1.0 - v / half) * 0.5 * kSize));
    }
};

// The view plane [-1, 1] is deviation 4, [-0.1, 0.1] deviation 2.
TEST_F(DXContextCulling, ABodyOutsideTheViewIsNotRefinedUntilTheViewReachesIt) {
    struct Case {
        const char* how;
        bool byCamera;
    };
    for (const Case& c : {Case{"by the view plane", false}, Case{"by the camera transform", true}}) {
        SCOPED_TRACE(c.how);
        cameraShift(0, 0);
        plane(-1, 1, -1, 1);
        Body inside = body(0, 0, 0.2f), outside = body(6, 0, 0.2f);
        const Image whole = draw();
        EXPECT_EQ(inside.asked(), std::vector<double>{4.0});
        EXPECT_EQ(outside.asked(), std::vector<double>{4.0}) << "fetched once to learn its bounds";
        EXPECT_COLOUR_NEAR(at(whole, 0, 0, 1), kLitRed, kTolerance);

        plane(-0.1, 0.1, -0.1, 0.1);
        draw();
        EXPECT_EQ(inside.asked(), (std::vector<double>{4.0, 2.0}));
        EXPECT_EQ(outside.asked(), std::vector<double>{4.0}) << "not refined while out of view";

        if (c.byCamera)
            cameraShift(-6, 0);
        else
            plane(5.9, 6.1, -0.1, 0.1);
        const Image panned = draw(std::string("cull_panned_") + (c.byCamera ? "camera" : "plane"));
        EXPECT_EQ(outside.asked(), (std::vector<double>{4.0, 2.0}));
        EXPECT_EQ(inside.asked(), (std::vector<double>{4.0, 2.0}));
        EXPECT_COLOUR_NEAR(at(panned, 0, 0, 0.1), kLitRed, kTolerance);
        for (const Body* b : {&inside, &outside}) {
            EXPECT_EQ(context->releaseHandle(b->mesh), S_OK);
            EXPECT_EQ(context->releaseHandle(b->frame), S_OK);
        }
    }
}

TEST_F(DXContextCulling, BodiesAcrossTheEdgesOrAroundTheWholeViewAreDrawn) {
    struct Case {
        const char* what;
        double x, y;
        float half;
        double u, v;  // a point of the body inside the view
    };
    const Case cases[] = {
        {"across the right edge", 1.0, 0.0, 0.3f, 0.85, 0.0},
        {"across the left edge", -1.0, 0.5, 0.3f, -0.85, 0.5},
        {"across the top edge", 0.5, 1.0, 0.3f, 0.5, 0.85},
        {"across the bottom edge", 0.0, -1.0, 0.3f, 0.0, -0.85},
        // Every corner lies outside the view, but not beyond the same side.
        {"around the whole view", 0.0, 0.0, 5.0f, -0.5, -0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Body b = body(c.x, c.y, c.half);
        const Image image = draw();
        EXPECT_COLOUR_NEAR(at(image, c.u, c.v, 1), kLitRed, kTolerance);
        EXPECT_EQ(b.asked(), std::vector<double>{4.0});
        EXPECT_EQ(context->releaseHandle(b.mesh), S_OK);
        EXPECT_EQ(context->releaseHandle(b.frame), S_OK);
        EXPECT_COLOUR_NEAR(at(draw(), c.u, c.v, 1), kBlack, kTolerance);
    }
}

TEST_F(DXContextCulling, InPerspectiveBodiesBesideOrBehindTheEyeAreNotRefined) {
    // Front plane 4, which puts the eye 12 from the origin: the plane [-1, 1]
    // is deviation 4 there, [-0.25, 0.25] deviation 2, and at the origin the
    // view reaches 3 and 0.75 each way.
    ASSERT_EQ(context->setViewportPerspective(viewport, VARIANT_TRUE), S_OK);
    ASSERT_EQ(context->setFront(viewport, 4.0), S_OK);
    Body inside = body(0, 0, 0.2f), beside = body(5, 0, 0.2f), behind = body(0, 0, 0.2f, 20.0);
    const Image whole = draw("cull_perspective");
    for (const Body* b : {&inside, &beside, &behind}) EXPECT_EQ(b->asked(), std::vector<double>{4.0});
    EXPECT_COLOUR_NEAR(at(whole, 0, 0, 1), kLitRed, kTolerance);

    plane(-0.25, 0.25, -0.25, 0.25);
    draw();
    EXPECT_EQ(inside.asked(), (std::vector<double>{4.0, 2.0}));
    EXPECT_EQ(beside.asked(), std::vector<double>{4.0});
    EXPECT_EQ(behind.asked(), std::vector<double>{4.0});

    cameraShift(-5, 0);
    const Image turned = draw("cull_perspective_panned");
    EXPECT_EQ(beside.asked(), (std::vector<double>{4.0, 2.0}));
    EXPECT_EQ(behind.asked(), std::vector<double>{4.0});
    EXPECT_COLOUR_NEAR(at(turned, 0, 0, 1), kLitRed, kTolerance);
}

}  // namespace
