// Draw calls: buffers in each pool with 16- and 32-bit indices, lines with and
// without antialiasing, indexed drawing from user memory, state blocks, and
// the promise that repeated state never reaches OpenGL.
#include "platform/d3d9/gl/GLTestHooks.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;

class DrawGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    }

    template <class T>
    IDirect3DVertexBuffer9* vertexBuffer(const std::vector<T>& vertices, DWORD fvf, D3DPOOL pool) {
        IDirect3DVertexBuffer9* buffer = nullptr;
        const UINT bytes = UINT(vertices.size() * sizeof(T));
        EXPECT_EQ(D3D_OK, device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, pool, &buffer, nullptr));
        void* data = nullptr;
        EXPECT_EQ(D3D_OK, buffer->Lock(0, 0, &data, 0));
        std::memcpy(data, vertices.data(), bytes);
        buffer->Unlock();
        return buffer;
    }

    template <class Index>
    IDirect3DIndexBuffer9* indexBuffer(const std::vector<Index>& indices, D3DPOOL pool) {
        IDirect3DIndexBuffer9* buffer = nullptr;
        const UINT bytes = UINT(indices.size() * sizeof(Index));
        const D3DFORMAT format = sizeof(Index) == 4 ? D3DFMT_INDEX32 : D3DFMT_INDEX16;
        EXPECT_EQ(D3D_OK, device->CreateIndexBuffer(bytes, 0, format, pool, &buffer, nullptr));
        void* data = nullptr;
        EXPECT_EQ(D3D_OK, buffer->Lock(0, 0, &data, 0));
        std::memcpy(data, indices.data(), bytes);
        buffer->Unlock();
        return buffer;
    }

    D3D9TestDevice device;
};

// Two quads in one vertex buffer; the second is reached through the base vertex.
std::vector<TLVertex> twoQuads() {
    return {{4, 4, 0, 1, kRed},      {28, 4, 0, 1, kRed},      {4, 28, 0, 1, kRed},      {28, 28, 0, 1, kRed},
            {36, 36, 0, 1, kGreen}, {60, 36, 0, 1, kGreen}, {36, 60, 0, 1, kGreen}, {60, 60, 0, 1, kGreen}};
}

class IndexedDrawGLTest : public DrawGLTest, public ::testing::WithParamInterface<D3DPOOL> {
protected:
    template <class Index>
    void drawQuads(const char* name) {
        const D3DPOOL pool = GetParam();
        IDirect3DVertexBuffer9* vertices = vertexBuffer(twoQuads(), kTLFvf, pool);
        IDirect3DIndexBuffer9* indices = indexBuffer(std::vector<Index>{0, 1, 2, 2, 1, 3}, pool);
        device->SetFVF(kTLFvf);
        device->SetStreamSource(0, vertices, 0, sizeof(TLVertex));
        device->SetIndices(indices);
        EXPECT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2));
        EXPECT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2));
        const Image image = device.readBackBuffer();
        D3D9TestDevice::savePng(image, std::string(name) + "_pool" + std::to_string(pool));
        EXPECT_PIXEL_NEAR(image, 16, 16, kRed, 0);
        EXPECT_PIXEL_NEAR(image, 48, 48, kGreen, 0);
        EXPECT_PIXEL_NEAR(image, 48, 16, kBlack, 0);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        EXPECT_EQ(0u, vertices->Release());
        EXPECT_EQ(0u, indices->Release());
    }
};

TEST_P(IndexedDrawGLTest, SixteenBitIndices) { drawQuads<uint16_t>("indexed16"); }
TEST_P(IndexedDrawGLTest, ThirtyTwoBitIndices) { drawQuads<uint32_t>("indexed32"); }

INSTANTIATE_TEST_SUITE_P(Pools, IndexedDrawGLTest,
                         ::testing::Values(D3DPOOL_DEFAULT, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM));

TEST_F(DrawGLTest, DrawPrimitiveFromAnOffsetStream) {
    IDirect3DVertexBuffer9* vertices = vertexBuffer(twoQuads(), kTLFvf, D3DPOOL_DEFAULT);
    device->SetFVF(kTLFvf);
    device->SetStreamSource(0, vertices, 4 * sizeof(TLVertex), sizeof(TLVertex));
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    const Image image = device.readBackBuffer();
    EXPECT_PIXEL_NEAR(image, 48, 48, kGreen, 0);
    EXPECT_PIXEL_NEAR(image, 16, 16, kBlack, 0);
    device->SetStreamSource(0, nullptr, 0, 0);
    vertices->Release();
}

TEST_F(DrawGLTest, DrawingWithoutAStreamFails) {
    device->SetFVF(kTLFvf);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1));
}

TEST_F(DrawGLTest, LineListAndStrip) {
    device->SetFVF(kTLFvf);
    const TLVertex list[] = {{4, 10, 0, 1, kWhite}, {60, 10, 0, 1, kWhite}};
    const TLVertex strip[] = {{4, 20, 0, 1, kRed}, {60, 20, 0, 1, kRed}, {60, 50, 0, 1, kRed}};
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_LINELIST, 1, list, sizeof(TLVertex)));
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_LINESTRIP, 2, strip, sizeof(TLVertex)));
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "lines");
    for (int x = 4; x < 60; x += 7) {
        EXPECT_PIXEL_NEAR(image, x, 10, kWhite, 0);
        EXPECT_PIXEL_NEAR(image, x, 9, kBlack, 0);
        EXPECT_PIXEL_NEAR(image, x, 11, kBlack, 0);
        EXPECT_PIXEL_NEAR(image, x, 20, kRed, 0);
    }
    for (int y = 21; y < 50; y += 7) EXPECT_PIXEL_NEAR(image, 60, y, kRed, 0);
}

int partiallyCovered(const Image& image) {
    int partial = 0;
    for (uint32_t pixel : image.pixels) partial += green(pixel) > 8 && green(pixel) < 247;
    return partial;
}

TEST_F(DrawGLTest, AntialiasedLinesBlendTheirEdges) {
    device->SetFVF(kTLFvf);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const TLVertex line[] = {{4, 6, 0, 1, kGreen}, {60, 50, 0, 1, kGreen}};
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(TLVertex)));
    const Image aliased = device.readBackBuffer();
    EXPECT_EQ(0, partiallyCovered(aliased));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    device->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(TLVertex)));
    const Image smooth = device.readBackBuffer();
    D3D9TestDevice::savePng(aliased, "line_aliased");
    D3D9TestDevice::savePng(smooth, "line_antialiased");
    EXPECT_GT(partiallyCovered(smooth), 40);
}

TEST_F(DrawGLTest, IndexedLinesFromUserMemory) {
    // The wire-mesh path: world-space XYZ | DIFFUSE vertices, 16-bit indices, stride 16.
    device->SetFVF(kColourFvf);
    const ColourVertex vertices[] = {{-0.9f, 0.5f, 0.5f, kRed}, {0.9f, 0.5f, 0.5f, kRed},
                                     {-0.5f, -0.9f, 0.5f, kGreen}, {-0.5f, 0.9f, 0.5f, kGreen}};
    const uint16_t indices[] = {0, 1, 2, 3};
    ASSERT_EQ(D3D_OK, device->DrawIndexedPrimitiveUP(D3DPT_LINELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                                     sizeof(ColourVertex)));
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "indexed_lines_up");
    // y = 0.5 maps to row 16, x = -0.5 to column 16 of the 64x64 target.
    EXPECT_PIXEL_NEAR(image, 40, 16, kRed, 0);
    EXPECT_PIXEL_NEAR(image, 16, 40, kGreen, 0);
    EXPECT_PIXEL_NEAR(image, 40, 40, kBlack, 0);
}

TEST_F(DrawGLTest, StateBlockRestoresCapturedState) {
    device->SetRenderState(D3DRS_ALPHAREF, 0x42);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    D3DMATERIAL9 material{};
    material.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    device->SetMaterial(&material);
    IDirect3DStateBlock9* block = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateStateBlock(D3DSBT_ALL, &block));
    device->SetRenderState(D3DRS_ALPHAREF, 7);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const D3DMATERIAL9 other{};
    device->SetMaterial(&other);
    ASSERT_EQ(D3D_OK, block->Apply());
    DWORD value = 0;
    device->GetRenderState(D3DRS_ALPHAREF, &value);
    EXPECT_EQ(0x42u, value);
    D3DMATERIAL9 restored{};
    device->GetMaterial(&restored);
    EXPECT_EQ(0.25f, restored.Diffuse.g);
    // Clockwise culling is back: a clockwise triangle disappears.
    device->SetFVF(kTLFvf);
    const TLVertex clockwise[] = {{2, 2, 0, 1, kRed}, {60, 2, 0, 1, kRed}, {2, 60, 0, 1, kRed}};
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(TLVertex)));
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 10, 10, kBlack, 0);
    // Capture takes the state as it is now.
    device->SetRenderState(D3DRS_ALPHAREF, 9);
    block->Capture();
    device->SetRenderState(D3DRS_ALPHAREF, 1);
    block->Apply();
    device->GetRenderState(D3DRS_ALPHAREF, &value);
    EXPECT_EQ(9u, value);
    EXPECT_EQ(0u, block->Release());
}

TEST_F(DrawGLTest, RepeatedStateNeverReachesOpenGL) {
    IDirect3DVertexBuffer9* vertices = vertexBuffer(twoQuads(), kTLFvf, D3DPOOL_MANAGED);
    const auto frame = [&] {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTexture(0, nullptr);
        device->SetFVF(kTLFvf);
        device->SetStreamSource(0, vertices, 0, sizeof(TLVertex));
        EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
        EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2));
    };
    frame();
    const uint64_t afterFirst = d3d9gl::glStateCallCount(device.device());
    EXPECT_GT(afterFirst, 0u);
    frame();
    frame();
    EXPECT_EQ(afterFirst, d3d9gl::glStateCallCount(device.device()));
    // A real change costs calls again.
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    EXPECT_GT(d3d9gl::glStateCallCount(device.device()), afterFirst);
    device->SetStreamSource(0, nullptr, 0, 0);
    vertices->Release();
}

TEST_F(DrawGLTest, EqualStateSharesOneProgram) {
    device->SetFVF(kTLFvf);
    const TLVertex triangle[] = {{2, 2, 0, 1, kRed}, {60, 2, 0, 1, kRed}, {2, 60, 0, 1, kRed}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(TLVertex));
    const size_t programs = d3d9gl::fixedFunctionProgramCount(device.device());
    // Lighting and light changes do not matter to pre-transformed vertices.
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->LightEnable(0, TRUE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(TLVertex));
    EXPECT_EQ(programs, d3d9gl::fixedFunctionProgramCount(device.device()));
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(TLVertex));
    EXPECT_EQ(programs + 1, d3d9gl::fixedFunctionProgramCount(device.device()));
}

}  // namespace
}  // namespace pelmora::test
