// Line work through IDXContext on the real device: wire meshes thin and wide,
// recoloured by their frame, construction grids, picking, and host wire
// meshes fetched once per deviation. The viewport is 128 x 128 on black with
// the default plane [-1, 1], so world (x, y) on z = 0 shows at pixel
// (64 + 64x, 64 - 64y); line colours come from the root frame.
#include <pelmora/helpers.h>
#include <pelmora/pelmora.h>

#include "mesh/DXWireMesh.h"
#include "support/MeshTestSupport.h"
#include "host/DXContext.h"
#include "core/HandleTable.h"
#include "platform/d3d9/gl/GLTestHooks.h"
#include "support/D3D9TestDevice.h"
#include "support/RenderedScene.h"
#include "view/DXViewport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace pelmora::test;

constexpr int kSize = 128, kTolerance = 3;
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlack = 0x000000;

// A right angle: (-0.5, 0.25) to (0.5, 0.25), pixels (32, 48) to (96, 48),
// then down to (0.5, -0.5), pixel (96, 96).
const std::vector<float> kCorner = {-0.5f, 0.25f, 0, 0.5f, 0.25f, 0, 0.5f, -0.5f, 0};

bool lit(uint32_t pixel) { return red(pixel) > 128 || green(pixel) > 128; }

// Lit pixels down a column or along a row.
std::set<int> litInColumn(const Image& image, int x) {
    std::set<int> rows;
    for (int y = 0; y < image.height; ++y)
        if (lit(image.at(x, y))) rows.insert(y);
    return rows;
}
std::set<int> litInRow(const Image& image, int y) {
    std::set<int> columns;
    for (int x = 0; x < image.width; ++x)
        if (lit(image.at(x, y))) columns.insert(x);
    return columns;
}

class DXContextLines : public RenderedScene {
protected:
    int wireMesh(const std::vector<float>& vertices, const std::vector<int>& lines) {
        SafeArrayPtr v = makeVector(VT_R4, vertices), l = makeVector(VT_I4, lines);
        SAFEARRAY *rawV = v.get(), *rawL = l.get();
        int mesh = 0;
        EXPECT_EQ(context->newWireMesh(&rawV, &rawL, &mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(root, mesh), S_OK);
        return mesh;
    }
    int grid(float left, float top, float right, float bottom, float majorX, float minorX, float majorY, float minorY) {
        int mesh = 0;
        EXPECT_EQ(context->newGrillMesh(left, top, right, bottom, majorX, minorX, majorY, minorY, &mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(root, mesh), S_OK);
        return mesh;
    }
    pelmora::MergedLines& mergedLines() {
        return pelmora::resolveHandle<pelmora::DXViewport>(viewport)->edgePass().lines();
    }
    static const pelmora::MeshBatch* batchOf(int mesh) {
        auto* wire = pelmora::resolveHandle<pelmora::DXWireMesh>(mesh);
        return wire ? wire->batch() : nullptr;
    }

    struct Pick {
        VARIANT_BOOL hit = VARIANT_FALSE;
        double point[3] = {};
    };
    // A pick along -z through (x, y).
    Pick pickDown(int mesh, double x, double y, double threshold) {
        Pick pick;
        EXPECT_EQ(context->pickMesh(mesh, root, viewport, 0, 0, x, y, 10, 0, 0, -1, threshold, threshold,
                                    &pick.point[0], &pick.point[1], &pick.point[2], &pick.hit),
                  S_OK);
        return pick;
    }

};

// ---- Thin lines ----

TEST_F(DXContextLines, AOneSegmentStripAndATwoSegmentListLandOnTheirPixelsMergedOrAlone) {
    struct Case {
        const char* name;
        std::vector<int> lines;
        D3DPRIMITIVETYPE type;
        bool indexed;
        UINT segments;
    };
    const Case cases[] = {
        {"wire_strip", {2, 0, 1, 0}, D3DPT_LINESTRIP, false, 1},
        {"wire_list", {2, 0, 1, 2, 1, 2, 0}, D3DPT_LINELIST, true, 2},
    };
    // Thin lines wait for the viewport's merged draw; a frame that turns the
    // depth test off draws its own at once, from the mesh's own buffers.
    for (const bool merged : {true, false})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (merged ? " merged" : " alone"));
            ASSERT_EQ(context->setFrameZBufferMode(root, merged ? 0 : 1), S_OK);
            const int mesh = wireMesh(kCorner, c.lines);
            const Image image = draw(c.name);
            // The horizontal segment lies on row 48 from column 32 on, one pixel thick.
            for (int x : {33, 48, 64, 80, 94}) EXPECT_EQ(litInColumn(image, x), std::set<int>{48}) << "column " << x;
            EXPECT_PIXEL_NEAR(image, 64, 48, kRed, kTolerance);
            EXPECT_PIXEL_NEAR(image, 20, 48, kBlack, kTolerance);
            // The second segment runs down column 96 in the list only.
            for (int y : {60, 80, 94})
                EXPECT_EQ(litInRow(image, y), c.segments == 2 ? std::set<int>{96} : std::set<int>{});
            const pelmora::MeshBatch* batch = batchOf(mesh);
            EXPECT_EQ(mergedLines().pieceCount(), merged ? 1u : 0u);
            if (merged) {
                EXPECT_EQ(batch, nullptr) << "a merged mesh needs no buffers of its own";
            } else {
                ASSERT_NE(batch, nullptr);
                EXPECT_EQ(batch->primitiveType, c.type);
                EXPECT_EQ(batch->indexBuffer.get() != nullptr, c.indexed);
                EXPECT_EQ(batch->primitiveCount, c.segments);
                EXPECT_EQ(batch->fvf, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
            }
            ASSERT_EQ(context->frameDeleteVisual(root, mesh), S_OK);
        }
}

TEST_F(DXContextLines, MergedLinesOfManyFramesAreCopiedAgainOnlyWhenAFrameMovesOrRecolours) {
    // The corner under two frames, the second moved left by 0.5 (32 pixels).
    int frames[2] = {};
    for (int& frame : frames) {
        ASSERT_EQ(context->newFrame(root, &frame), S_OK);
        int mesh = wireMesh(kCorner, {3, 0, 1, 2, 0});
        ASSERT_EQ(context->frameDeleteVisual(root, mesh), S_OK);
        ASSERT_EQ(context->frameAddVisual(frame, mesh), S_OK);
    }
    ASSERT_EQ(pelmora::setTranslation(context, frames[1], -0.5, 0.0, 0.0), S_OK);
    const auto expectCorners = [&](const Image& image, int secondRight, uint32_t colour) {
        EXPECT_PIXEL_NEAR(image, 96, 80, colour, kTolerance);
        EXPECT_PIXEL_NEAR(image, secondRight, 80, colour, kTolerance);
        EXPECT_EQ(litInRow(image, 80), (std::set<int>{secondRight, 96}));
    };
    expectCorners(draw("merged_lines"), 64, kRed);
    EXPECT_EQ(mergedLines().pieceCount(), 2u);
    EXPECT_EQ(mergedLines().uploadCount(), 1u);
    expectCorners(draw(), 64, kRed);
    EXPECT_EQ(mergedLines().uploadCount(), 1u) << "nothing changed, nothing copied";
    ASSERT_EQ(pelmora::setTranslation(context, frames[1], -0.25, 0.0, 0.0), S_OK);
    expectCorners(draw("merged_lines_moved"), 80, kRed);
    EXPECT_EQ(mergedLines().uploadCount(), 2u);
    ASSERT_EQ(context->setFrameColor(root, int(0xFF00FF00u)), S_OK);
    expectCorners(draw("merged_lines_recoloured"), 80, kGreen);
    EXPECT_EQ(mergedLines().uploadCount(), 3u);
    // A frame taken out leaves one corner.
    ASSERT_EQ(context->frameDeleteChild(root, frames[0]), S_OK);
    const Image one = draw();
    EXPECT_EQ(litInRow(one, 80), std::set<int>{80});
    EXPECT_EQ(mergedLines().pieceCount(), 1u);
}

// ---- Wide lines ----

TEST_F(DXContextLines, LineWidthsMeasureAcrossTheLineAndARightAngleHasNoGap) {
    const int mesh = wireMesh(kCorner, {3, 0, 1, 2, 0});
    struct Case {
        int frameWidth;
        int pixels;  // across the line
    };
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{2, 2}, Case{5, 5}, Case{12, 12}}) {
        SCOPED_TRACE("line width " + std::to_string(c.frameWidth));
        ASSERT_EQ(context->frameSetLineWidth(root, c.frameWidth), S_OK);
        const Image image = draw("wire_width_" + std::to_string(c.frameWidth));
        // Across the horizontal arm at column 64 and the vertical one at row 72.
        EXPECT_EQ(litInColumn(image, 64).size(), size_t(c.pixels));
        EXPECT_EQ(litInRow(image, 72).size(), size_t(c.pixels));
        EXPECT_TRUE(litInColumn(image, 64).count(48)) << "centred on the line";
        EXPECT_PIXEL_NEAR(image, 64, 48, kRed, kTolerance);
        if (c.pixels < 2) continue;
        // The corner's square, out to its outer corner, is filled; beyond it nothing.
        const float half = float(c.pixels) * 0.5f;
        int gaps = 0;
        for (int y = int(std::ceil(48 - half)); y < 48 + half; ++y)
            for (int x = int(std::ceil(96 - half)); x < 96 + half; ++x) gaps += !lit(image.at(x, y));
        EXPECT_EQ(gaps, 0);
        EXPECT_FALSE(lit(image.at(int(96 + half + 1), int(48 - half - 1))));
    }
    // Wider than the widest line draws at the widest (a million pixels would take seconds).
    ASSERT_EQ(context->frameSetLineWidth(root, 1 << 20), S_OK);
    EXPECT_EQ(litInColumn(draw("wire_width_limit"), 40).size(), size_t(PELMORA_MAX_LINE_WIDTH));
    EXPECT_FALSE(pelmora::resolveHandle<pelmora::DXWireMesh>(mesh)->chunks().empty());
    // Thin again, the lines are merged again.
    ASSERT_EQ(context->frameSetLineWidth(root, 1), S_OK);
    EXPECT_EQ(litInColumn(draw(), 64), std::set<int>{48});
    EXPECT_EQ(mergedLines().pieceCount(), 1u);
}

// Redrawn unchanged, wide lines come from device buffers; whatever moves
// them on screen or changes their look is drawn at once.
TEST_F(DXContextLines, WideLinesAtRestFollowEveryChangeOfViewFrameColourAndWidth) {
    const int mesh = wireMesh(kCorner, {3, 0, 1, 2, 0});
    const auto* wire = pelmora::resolveHandle<pelmora::DXWireMesh>(mesh);
    ASSERT_EQ(context->frameSetLineWidth(root, 5), S_OK);
    struct Case {
        const char* name;
        std::function<void()> change;
        int column;  // across the horizontal arm afterwards
        std::set<int> rows;
        uint32_t colour;
    };
    const Case cases[] = {
        {"unchanged", [] {}, 64, {46, 47, 48, 49, 50}, kRed},
        // The plane a quarter unit higher: the arm 16 pixels lower.
        {"view_moved", [&] { ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -0.75, 1.25), S_OK); },
         64, {62, 63, 64, 65, 66}, kRed},
        {"frame_moved", [&] { pelmora::setTranslation(context, root, 0.0, 0.25, 0.0); }, 64, {46, 47, 48, 49, 50},
         kRed},
        {"recoloured", [&] { ASSERT_EQ(context->setFrameColor(root, int(0xFF00FF00u)), S_OK); }, 64,
         {46, 47, 48, 49, 50}, kGreen},
        {"wider", [&] { ASSERT_EQ(context->frameSetLineWidth(root, 7), S_OK); }, 64, {45, 46, 47, 48, 49, 50, 51},
         kGreen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        draw();
        draw();
        EXPECT_TRUE(wire->wideLines().buffered()) << "a view at rest draws from buffers";
        c.change();
        const Image image = draw(std::string("wire_rest_") + c.name);
        EXPECT_EQ(litInColumn(image, c.column), c.rows);
        EXPECT_PIXEL_NEAR(image, c.column, *c.rows.begin() + 2, c.colour, kTolerance);
    }
}

// A wide line running behind the eye is cut at the front plane, not
// projected through the eye into a smear across the window.
TEST_F(DXContextLines, InPerspectiveALineRunningBehindTheEyeIsCutNotSmeared) {
    ASSERT_EQ(context->setViewportPerspective(viewport, VARIANT_TRUE), S_OK);
    ASSERT_EQ(context->frameSetLineWidth(root, 5), S_OK);
    struct Case {
        const char* name;
        float farZ;  // the eye is at z = 5
    };
    for (const Case c : {Case{"wire_in_front", 2.0f}, Case{"wire_behind_eye", 40.0f}}) {
        SCOPED_TRACE(c.name);
        const int mesh = wireMesh({0.3f, 0.2f, -2.0f, 0.3f, 0.2f, c.farZ, -0.3f, 0.2f, c.farZ}, {3, 0, 1, 2, 0});
        const Image image = draw(c.name);
        int litCount = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) litCount += lit(image.at(x, y));
        EXPECT_GT(litCount, 20);
        EXPECT_LT(litCount, kSize * kSize / 4);
        ASSERT_EQ(context->frameDeleteVisual(root, mesh), S_OK);
    }
}

TEST_F(DXContextLines, TheLineDrawerIsMadeAgainWithTheDeviceAndWideLinesDrawOnIt) {
    wireMesh(kCorner, {3, 0, 1, 2, 0});
    ASSERT_EQ(context->frameSetLineWidth(root, 5), S_OK);
    EXPECT_EQ(litInColumn(draw(), 64).size(), 5u);
    auto* engine = static_cast<pelmora::DXContext*>(context);
    ASSERT_TRUE(pelmora::d3d9gl::forceDeviceLoss(engine->device()));
    testing::internal::CaptureStdout();
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, kSize, kSize), S_OK);
    const std::string log = testing::internal::GetCapturedStdout();
    ASSERT_NE(log.find("Creating device"), std::string::npos) << log;
    // A freed device's address may come back, so ask the drawer's device itself.
    ID3DXLine* drawer = pelmora::resolveHandle<pelmora::DXViewport>(viewport)->lineDrawer();
    ASSERT_NE(drawer, nullptr);
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(drawer->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner->TestCooperativeLevel(), D3D_OK);
    owner->Release();
    const Image image = draw("wire_after_device_loss");
    EXPECT_EQ(litInColumn(image, 64).size(), 5u);
    EXPECT_EQ(litInRow(image, 72).size(), 5u);
}

// ---- Grids ----

TEST_F(DXContextLines, GridLinesLandWhereTheSpacingCountAndBorderPutThem) {
    // 10 pixels a unit: x shows at column 14 + 10x, y at row 114 - 10y.
    ASSERT_EQ(context->setViewportPlane(viewport, -1.4, 11.4, -1.4, 11.4), S_OK);
    ASSERT_EQ(context->setFrameColor(root, int(0xFFFFFFFFu)), S_OK);
    struct Case {
        const char* name;
        float values[8];  // left, top, right, bottom, majorX, minorX, majorY, minorY
        int row;          // a row between horizontal lines
        std::set<int> columns;
    };
    const Case cases[] = {
        {"grid_no_spacing", {0, 10, 10, 0, 0, 0, 2.5f, 0}, 54, {}},
        // Lines at 0, 2.5, 5 and 7.5, the border at 0 and 10.
        {"grid_quarters", {0, 10, 10, 0, 2.5f, 0, 2.5f, 0}, 54, {14, 39, 64, 89, 114}},
        // Lines at 2, 3, 4 and 5 (the first outside the rectangle, none at 6), border at 2.5 and 6.5.
        {"grid_offset", {2.5f, 6.5f, 6.5f, 2.5f, 1, 0, 1, 0}, 69, {34, 39, 44, 54, 64, 79}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const float* v = c.values;
        const int mesh = grid(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        const Image image = draw(c.name);
        EXPECT_EQ(litInRow(image, c.row), c.columns);
        ASSERT_EQ(context->frameDeleteVisual(root, mesh), S_OK);
    }
}

TEST_F(DXContextLines, MinorGridLinesShowFaintlyBetweenTheMajorOnes) {
    ASSERT_EQ(context->setViewportPlane(viewport, -1.4, 11.4, -1.4, 11.4), S_OK);
    ASSERT_EQ(context->setFrameColor(root, int(0xFFFFFFFFu)), S_OK);
    grid(0, 10, 10, 0, 5, 1, 5, 1);
    const Image image = draw("grid_minor");
    // Row 49 (y = 6.5) crosses every vertical line: major ones white, minor ones a quarter.
    std::set<int> bright, faint;
    for (int x = 0; x < kSize; ++x) {
        const int level = green(image.at(x, 49));
        if (level > 192) bright.insert(x);
        else if (level > 32) faint.insert(x);
    }
    EXPECT_EQ(bright, (std::set<int>{14, 64, 114}));
    EXPECT_EQ(faint, (std::set<int>{24, 34, 44, 54, 74, 84, 94, 104}));
    EXPECT_NEAR(green(image.at(24, 49)), 64, 12);
}

// ---- Picking ----

TEST_F(DXContextLines, PicksTheFirstSegmentInRangeNeverAParallelOneNorDotsOrGrids) {
    // Two horizontal segments, y = 0.25 then y = 0.27, and one along the view direction.
    const int mesh = wireMesh({-0.5f, 0.25f, 0, 0.5f, 0.25f, 0, -0.5f, 0.27f, 0, 0.5f, 0.27f, 0, 0, -0.5f, -1, 0, -0.5f, 1},
                              {2, 0, 1, 2, 2, 3, 2, 4, 5, 0});
    struct Case {
        const char* name;
        double x, y, threshold;
        bool hit;
        double hitY;
    };
    const Case cases[] = {
        {"within the threshold", 0.1, 0.23, 0.05, true, 0.25},
        {"beyond the threshold", 0.1, 0.18, 0.05, false, 0},
        // Nearer the second segment, but the first in the list is in range too.
        {"first in list order", 0.1, 0.265, 0.05, true, 0.25},
        {"only the second in range", 0.1, 0.29, 0.03, true, 0.27},
        {"past the segment's end", 0.6, 0.25, 0.05, false, 0},
        {"along a parallel segment", 0.0, -0.5, 0.2, false, 0},
    };
    for (const Case& c : cases) {
        const Pick pick = pickDown(mesh, c.x, c.y, c.threshold);
        EXPECT_EQ(pick.hit, c.hit ? VARIANT_TRUE : VARIANT_FALSE) << c.name;
        if (c.hit) {
            EXPECT_NEAR(pick.point[0], c.x, 1e-5) << c.name;
            EXPECT_NEAR(pick.point[1], c.hitY, 1e-5) << c.name;
            EXPECT_NEAR(pick.point[2], 0.0, 1e-5) << c.name;
        }
    }
    // Dots and grids lie right under the ray and are never hit.
    SafeArrayPtr dots = makeVector(VT_R4, std::vector<float>{0.1f, 0.25f, 0});
    SAFEARRAY* raw = dots.get();
    int dotMesh = 0;
    ASSERT_EQ(context->newDotMesh(&raw, &dotMesh), S_OK);
    ASSERT_EQ(context->frameAddVisual(root, dotMesh), S_OK);
    const int gridMesh = grid(-1, 1, 1, -1, 0.1f, 0, 0.1f, 0);
    for (int other : {dotMesh, gridMesh}) {
        const Pick pick = pickDown(other, 0.1, 0.25, 1.0);
        EXPECT_EQ(pick.hit, VARIANT_FALSE);
        SAFEARRAY *points = nullptr, *list = nullptr;
        EXPECT_EQ(context->getMeshData(other, &points, &list), S_OK);
        EXPECT_EQ((std::pair{points, list}), (std::pair<SAFEARRAY*, SAFEARRAY*>{nullptr, nullptr}));
        SafeArrayPtr identity = makeDoubleArray({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
        SAFEARRAY* transform = identity.get();
        EXPECT_EQ(context->getScreenData(other, viewport, &transform, &points, &list), 13);
        EXPECT_EQ((std::pair{points, list}), (std::pair<SAFEARRAY*, SAFEARRAY*>{nullptr, nullptr}));
    }
    // The wire mesh hands out its positions and its list as stored.
    SAFEARRAY *positions = nullptr, *list = nullptr;
    ASSERT_EQ(context->getMeshData(mesh, &positions, &list), S_OK);
    EXPECT_EQ(takeVector<float>(positions).size(), 18u);
    EXPECT_EQ(takeVector<int32_t>(list), (std::vector<int32_t>{2, 0, 1, 2, 2, 3, 2, 4, 5, 0}));
}

TEST_F(DXContextLines, ADotMeshInAFrameDrawsNothing) {
    SafeArrayPtr dots = makeVector(VT_R4, std::vector<float>{0, 0, 0, 0.5f, 0.5f, 0});
    SAFEARRAY* raw = dots.get();
    int dotMesh = 0;
    ASSERT_EQ(context->newDotMesh(&raw, &dotMesh), S_OK);
    ASSERT_EQ(context->frameAddVisual(root, dotMesh), S_OK);
    EXPECT_EQ(context->setVisible(dotMesh, VARIANT_TRUE), S_OK);
    const Image image = draw();
    for (uint32_t pixel : image.pixels) ASSERT_FALSE(lit(pixel));
}

// ---- Host wire meshes ----

// A horizontal polyline of deviation / 10 either side of the centre, so each
// deviation's geometry shows.
std::unique_ptr<TestFacets> lineForDeviation(double deviation) {
    auto facets = std::make_unique<TestFacets>();
    const float half = float(deviation / 10.0);
    facets->points = {{-half, 0, 0, 0, 0, 1, 0, 0}, {0, 0, 0, 0, 0, 1, 0, 0}, {half, 0, 0, 0, 0, 1, 0, 0}};
    facets->faces = {3, 0, 1, 2, 0};
    return facets;
}

TEST_F(DXContextLines, AHostWireMeshIsFetchedOncePerDeviation) {
    TestFacetFactory factory(lineForDeviation);
    int mesh = 0;
    ASSERT_EQ(context->newWireMeshFromHandle(7, factory.handle, &mesh), S_OK);
    ASSERT_EQ(context->frameAddVisual(root, mesh), S_OK);
    EXPECT_TRUE(factory.requests.empty()) << "nothing is fetched before the first draw";
    const Image fine = draw("wire_host_fine");
    ASSERT_EQ(context->setViewportPlane(viewport, -9, 9, -9, 9), S_OK);
    draw();
    ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -1, 1), S_OK);
    const Image again = draw();
    ASSERT_EQ(factory.requests.size(), 2u);
    EXPECT_GT(factory.requests[1].deviation, factory.requests[0].deviation);
    EXPECT_EQ(factory.outstanding, 0);
    // The third view shows the first geometry again.
    EXPECT_EQ(again.pixels, fine.pixels);
    const int reach = int(64 * factory.requests[0].deviation / 10.0);
    EXPECT_TRUE(lit(fine.at(64 + reach - 2, 64)));
    EXPECT_FALSE(lit(fine.at(64 + reach + 3, 64)));
}

}  // namespace
