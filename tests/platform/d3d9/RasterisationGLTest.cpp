// Where pixels land: clears, pixel centres, the fill rule, vertex colours,
// shading modes and culling, on the software adapter.
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;

class RasterisationGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetFVF(kTLFvf);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    }
    void drawTriangles(const std::vector<TLVertex>& vertices) {
        ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(vertices.size() / 3), vertices.data(),
                                                  sizeof(TLVertex)));
    }
    static long countLit(const Image& image) {
        return std::count_if(image.pixels.begin(), image.pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; });
    }

    D3D9TestDevice device;
};

TEST_F(RasterisationGLTest, ClearStaysInsideTheViewportAndIgnoresTheColourWriteMask) {
    const D3DVIEWPORT9 viewport = {10, 20, 30, 16, 0.0f, 1.0f};
    ASSERT_EQ(D3D_OK, device->SetViewport(&viewport));
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0));
    const D3DRECT partly = {0, 0, 15, 25};
    ASSERT_EQ(D3D_OK, device->Clear(1, &partly, D3DCLEAR_TARGET, kGreen, 1.0f, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0)) << "no depth buffer";
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "clear_viewport");
    EXPECT_TRUE(pixelsNear(image, {{9, 20, kBlack}, {10, 19, kBlack}, {39, 35, kRed}, {40, 35, kBlack}, {39, 36, kBlack},
                                   {10, 20, kGreen}, {14, 24, kGreen}, {15, 24, kRed}, {14, 25, kRed}}));
}

TEST_F(RasterisationGLTest, PixelCentresSitAtIntegerCoordinatesAndSharedEdgesFillOnce) {
    // A triangle covering only the point (10, 10) lights exactly that pixel.
    drawTriangles({{9.9f, 9.9f, 0, 1, kWhite}, {10.6f, 9.9f, 0, 1, kWhite}, {9.9f, 10.6f, 0, 1, kWhite}});
    Image image = device.readBackBuffer();
    EXPECT_PIXEL_NEAR(image, 10, 10, kWhite, 0);
    EXPECT_EQ(1, countLit(image));
    // Two triangles of a 5x5 square: 25 pixels, none drawn twice under additive blending.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    const D3DCOLOR grey = 0xFF404040;
    drawTriangles({{10, 10, 0, 1, grey}, {15, 10, 0, 1, grey}, {10, 15, 0, 1, grey},
                   {15, 10, 0, 1, grey}, {15, 15, 0, 1, grey}, {10, 15, 0, 1, grey}});
    image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "fill_rule_square");
    EXPECT_EQ(25, countLit(image));
    for (int y = 10; y < 15; ++y)
        for (int x = 10; x < 15; ++x) EXPECT_PIXEL_NEAR(image, x, y, grey, 0);
}

TEST_F(RasterisationGLTest, GouraudInterpolatesVertexColoursAndFlatTakesTheFirst) {
    const std::vector<TLVertex> triangle = {{4, 4, 0, 1, kRed}, {60, 4, 0, 1, kGreen}, {4, 60, 0, 1, kBlue}};
    drawTriangles(triangle);
    const Image gouraud = device.readBackBuffer();
    D3D9TestDevice::savePng(gouraud, "shade_gouraud");
    // (18, 18) lies at barycentric weights (0.5, 0.25, 0.25) of the three corners.
    EXPECT_TRUE(pixelsNear(gouraud, {{4, 4, kRed}, {18, 18, 0xFF804040}, {40, 40, kBlack}}, 3));
    EXPECT_GT(green(gouraud.at(50, 6)), 200);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    drawTriangles(triangle);
    const Image flat = device.readBackBuffer();
    D3D9TestDevice::savePng(flat, "shade_flat");
    EXPECT_TRUE(pixelsNear(flat, {{18, 18, kRed}, {50, 6, kRed}, {6, 50, kRed}}));
}

struct CullCase {
    DWORD mode;
    bool clockwiseDrawn, counterClockwiseDrawn;
};

class CullingGLTest : public RasterisationGLTest, public ::testing::WithParamInterface<CullCase> {};

TEST_P(CullingGLTest, WindingDecidesWhatIsDrawn) {
    const CullCase& cull = GetParam();
    device->SetRenderState(D3DRS_CULLMODE, cull.mode);
    // Left triangle clockwise on screen, right one counter-clockwise.
    drawTriangles({{2, 2, 0, 1, kRed}, {30, 2, 0, 1, kRed}, {2, 30, 0, 1, kRed},
                   {34, 2, 0, 1, kGreen}, {34, 30, 0, 1, kGreen}, {62, 2, 0, 1, kGreen}});
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "cull_" + std::to_string(cull.mode));
    EXPECT_TRUE(pixelsNear(image, {{8, 8, cull.clockwiseDrawn ? kRed : kBlack},
                                   {40, 8, cull.counterClockwiseDrawn ? kGreen : kBlack}}));
}

INSTANTIATE_TEST_SUITE_P(Modes, CullingGLTest,
                         ::testing::Values(CullCase{D3DCULL_CCW, true, false}, CullCase{D3DCULL_CW, false, true},
                                           CullCase{D3DCULL_NONE, true, true}));

}  // namespace
}  // namespace pelmora::test
