// The mesh queries that need a viewport: a solid picked along the selection
// ray under a pixel, and a mesh projected onto the viewport's pixels, whole,
// off screen and under a camera transform. The viewport is 128 x 128
// with the default plane [-1, 1] on both axes, so world (x, y) on the plane
// z = 0 shows at pixel (64 + 64x, 64 - 64y).
#include <pelmora/pelmora.h>

#include "support/MeshTestSupport.h"
#include "support/RenderedScene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

using namespace pelmora::test;

SAFEARRAY* const kUntouched = reinterpret_cast<SAFEARRAY*>(uintptr_t{0x10});

class DXContextQueriesOnScreen : public RenderedScene {
protected:
    void SetUp() override {
        RenderedScene::SetUp();
        if (!HasFatalFailure()) mesh = squareMesh();
    }

    // The square [-0.5, 0.5] x [-0.5, 0.5] at z = 0: triangles 0 1 2 and 0 2 3.
    int squareMesh() {
        const std::vector<float> vertices = {-0.5f, -0.5f, 0, 0.5f, -0.5f, 0,
                                             0.5f,  0.5f,  0, -0.5f, 0.5f, 0};
        std::vector<int> faces;
        addArrayTriangle(faces, 0, 1, 2);
        addArrayTriangle(faces, 0, 2, 3);
        faces.push_back(0);
        SolidArrays arrays(vertices, {}, faces);
        int handle = 0;
        EXPECT_EQ(context->newSolidMesh(arrays.v(), arrays.n(), arrays.f(), 0, &handle), S_OK);
        return handle;
    }

    struct Pick {
        HRESULT status;
        VARIANT_BOOL hit;
        double point[3];
    };
    Pick pickAtPixel(int x, int y, double threshold, double backThreshold) {
        double o[3], d[3];
        EXPECT_EQ(
            context->getSelectionRay(viewport, x, y, &o[0], &o[1], &o[2], &d[0], &d[1], &d[2]),
            S_OK);
        Pick pick{};
        pick.status = context->pickMesh(mesh, 0, viewport, x, y, o[0], o[1], o[2], d[0], d[1],
                                        d[2], threshold, backThreshold, &pick.point[0],
                                        &pick.point[1], &pick.point[2], &pick.hit);
        return pick;
    }
    HRESULT screenData(const std::vector<double>& transform) {
        SafeArrayPtr array = makeDoubleArray(transform);
        SAFEARRAY* raw = array.get();
        return context->getScreenData(mesh, viewport, &raw, &points, &list);
    }
    std::vector<int32_t> takePoints() {
        return takeVector<int32_t>(std::exchange(points, nullptr));
    }
    std::vector<int32_t> takeList() { return takeVector<int32_t>(std::exchange(list, nullptr)); }

    int mesh = 0;
    SAFEARRAY* points = kUntouched;
    SAFEARRAY* list = kUntouched;
};

TEST_F(DXContextQueriesOnScreen, TheSelectionRayUnderAPixelPicksTheSquareWhereItShows) {
    for (auto [threshold, backThreshold] : {std::pair{0.0, 0.0}, {0.5, 4.0}, {4.0, 0.5}}) {
        const Pick over = pickAtPixel(80, 48, threshold, backThreshold);
        ASSERT_EQ(over.status, S_OK);
        EXPECT_EQ(over.hit, VARIANT_TRUE);
        EXPECT_NEAR(over.point[0], 0.25, 1e-4);
        EXPECT_NEAR(over.point[1], 0.25, 1e-4);
        EXPECT_NEAR(over.point[2], 0.0, 1e-4);

        const Pick beside = pickAtPixel(10, 10, threshold, backThreshold);
        ASSERT_EQ(beside.status, S_OK);
        EXPECT_EQ(beside.hit, VARIANT_FALSE);
        EXPECT_EQ(beside.point[0], 0.0);
    }
}

TEST_F(DXContextQueriesOnScreen, ATransformOfOtherThanTwelveValuesIsRefused) {
    for (size_t count : {11u, 16u}) {
        EXPECT_EQ(screenData(std::vector<double>(count, 0.0)), HRESULT(0x80070057)) << count;
        EXPECT_EQ(points, kUntouched);
        EXPECT_EQ(list, kUntouched);
    }
}

TEST_F(DXContextQueriesOnScreen, AMeshInsideTheViewLandsOnItsPixelsTruncated) {
    // Moved right by 0.3: x = -0.2 shows at 51.2, x = 0.8 at 115.2.
    ASSERT_EQ(screenData(translationValues(0.3, 0, 0)), S_OK);
    EXPECT_EQ(takePoints(), (std::vector<int32_t>{51, 96, 115, 96, 115, 32, 51, 32}));
    EXPECT_EQ(takeList(), (std::vector<int32_t>{3, 0, 1, 2, 3, 0, 2, 3, 0}));
}

TEST_F(DXContextQueriesOnScreen, AMeshBehindTheCameraOrBesideTheViewGivesNullArrays) {
    for (const auto& shift : {translationValues(0, 0, 10), translationValues(3, 0, 0)}) {
        points = list = kUntouched;
        ASSERT_EQ(screenData(shift), S_OK);
        EXPECT_EQ(points, nullptr);
        EXPECT_EQ(list, nullptr);
    }
}

TEST_F(DXContextQueriesOnScreen, ScreenPointsFollowTheCameraTransformAsViewportTransformDoesInEitherLens) {
    SafeArrayPtr camera = makeDoubleArray({0.5, 0, 0, 0, 0.5, 0, 0, 0, 0.5, 0.25, 0.125, 0});
    SAFEARRAY* raw = camera.get();
    ASSERT_EQ(context->setCameraTransform(viewport, &raw), S_OK);
    for (VARIANT_BOOL perspective : {VARIANT_FALSE, VARIANT_TRUE}) {
        SCOPED_TRACE(perspective ? "perspective" : "orthographic");
        ASSERT_EQ(context->setViewportPerspective(viewport, perspective), S_OK);
        ASSERT_EQ(screenData(translationValues(0.1, 0, 0.2)), S_OK);
        const std::vector<int32_t> projected = takePoints();
        ASSERT_EQ(projected.size(), 8u);
        const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
        for (int i = 0; i < 4; ++i) {
            double x = 0, y = 0, z = 0, w = 0;
            ASSERT_EQ(context->viewportTransform(viewport, corners[i][0] + 0.1, corners[i][1], 0.2, &x, &y, &z, &w),
                      S_OK);
            EXPECT_EQ(projected[2 * i], int32_t(x)) << i;
            EXPECT_EQ(projected[2 * i + 1], int32_t(y)) << i;
        }
        EXPECT_EQ(takeList(), (std::vector<int32_t>{3, 0, 1, 2, 3, 0, 2, 3, 0}));
    }
}

}  // namespace
