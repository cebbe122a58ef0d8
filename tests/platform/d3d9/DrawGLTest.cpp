// Draw calls: buffers in each pool with 16- and 32-bit indices, lines with and
// without antialiasing, indexed drawing from user memory, state blocks,
// programs that keep their own transforms, and the promise that repeated
// state never reaches OpenGL.
#include "platform/d3d9/gl/GLTestHooks.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kWhite = 0xFFFFFFFF;

// Two quads in one vertex buffer; the second is reached through the base vertex.
const TLVertex kTwoQuads[] = {{4, 4, 0, 1, kRed},     {28, 4, 0, 1, kRed},    {4, 28, 0, 1, kRed},
                              {28, 28, 0, 1, kRed},   {36, 36, 0, 1, kGreen}, {60, 36, 0, 1, kGreen},
                              {36, 60, 0, 1, kGreen}, {60, 60, 0, 1, kGreen}};
const TLVertex kTriangle[] = {{2, 2, 0, 1, kRed}, {60, 2, 0, 1, kRed}, {2, 60, 0, 1, kRed}};  // clockwise

class DrawGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetFVF(kTLFvf);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    }
    template <class Vertex, size_t N>
    void drawUP(D3DPRIMITIVETYPE type, UINT count, const Vertex (&vertices)[N]) {
        ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(type, count, vertices, sizeof(Vertex)));
    }
    IDirect3DVertexBuffer9* twoQuads(D3DPOOL pool) {
        IDirect3DVertexBuffer9* buffer = device.vertexBuffer(kTwoQuads, sizeof kTwoQuads, kTLFvf, pool);
        device->SetStreamSource(0, buffer, 0, sizeof(TLVertex));
        return buffer;
    }
    uint64_t stateCalls() const { return d3d9gl::glStateCallCount(device.device()); }
    size_t programs() const { return d3d9gl::fixedFunctionProgramCount(device.device()); }

    D3D9TestDevice device;
};

class IndexedDrawGLTest : public DrawGLTest, public ::testing::WithParamInterface<D3DPOOL> {
protected:
    template <class Index>
    void drawQuads(D3DFORMAT format) {
        const Index indices[] = {0, 1, 2, 2, 1, 3};
        IDirect3DVertexBuffer9* vertices = twoQuads(GetParam());
        IDirect3DIndexBuffer9* index = device.indexBuffer(indices, sizeof indices, format, GetParam());
        ASSERT_TRUE(vertices && index);
        device->SetIndices(index);
        EXPECT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2));
        EXPECT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2));
        const Image image = device.readBackBuffer();
        D3D9TestDevice::savePng(image, "indexed" + std::to_string(sizeof(Index) * 8) + "_pool" + std::to_string(GetParam()));
        EXPECT_TRUE(pixelsNear(image, {{16, 16, kRed}, {48, 48, kGreen}, {48, 16, kBlack}}));
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        EXPECT_EQ(0u, vertices->Release());
        EXPECT_EQ(0u, index->Release());
    }
};

TEST_P(IndexedDrawGLTest, SixteenBitIndices) { drawQuads<uint16_t>(D3DFMT_INDEX16); }
TEST_P(IndexedDrawGLTest, ThirtyTwoBitIndices) { drawQuads<uint32_t>(D3DFMT_INDEX32); }

INSTANTIATE_TEST_SUITE_P(Pools, IndexedDrawGLTest, ::testing::Values(D3DPOOL_DEFAULT, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM));

TEST_F(DrawGLTest, DrawPrimitiveFromAnOffsetStreamAndNotWithoutOne) {
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1));
    IDirect3DVertexBuffer9* vertices = twoQuads(D3DPOOL_DEFAULT);
    device->SetStreamSource(0, vertices, 4 * sizeof(TLVertex), sizeof(TLVertex));
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    EXPECT_TRUE(pixelsNear(device.readBackBuffer(), {{48, 48, kGreen}, {16, 16, kBlack}}));
    device->SetStreamSource(0, nullptr, 0, 0);
    vertices->Release();
}

TEST_F(DrawGLTest, LineListAndStrip) {
    drawUP(D3DPT_LINELIST, 1, {TLVertex{4, 10, 0, 1, kWhite}, TLVertex{60, 10, 0, 1, kWhite}});
    drawUP(D3DPT_LINESTRIP, 2, {TLVertex{4, 20, 0, 1, kRed}, TLVertex{60, 20, 0, 1, kRed}, TLVertex{60, 50, 0, 1, kRed}});
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "lines");
    for (int x = 4; x < 60; x += 7)
        EXPECT_TRUE(pixelsNear(image, {{x, 10, kWhite}, {x, 9, kBlack}, {x, 11, kBlack}, {x, 20, kRed}}));
    for (int y = 21; y < 50; y += 7) EXPECT_PIXEL_NEAR(image, 60, y, kRed, 0);
}

TEST_F(DrawGLTest, AntialiasedLinesBlendTheirEdges) {
    const auto partiallyCovered = [](const Image& image) {
        return std::count_if(image.pixels.begin(), image.pixels.end(),
                             [](uint32_t p) { return green(p) > 8 && green(p) < 247; });
    };
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const TLVertex line[] = {{4, 6, 0, 1, kGreen}, {60, 50, 0, 1, kGreen}};
    drawUP(D3DPT_LINELIST, 1, line);
    EXPECT_EQ(0, partiallyCovered(device.readBackBuffer()));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    device->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    drawUP(D3DPT_LINELIST, 1, line);
    const Image smooth = device.readBackBuffer();
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
    EXPECT_TRUE(pixelsNear(image, {{40, 16, kRed}, {16, 40, kGreen}, {40, 40, kBlack}}));
}

TEST_F(DrawGLTest, StateBlockRestoresCapturedState) {
    device->SetRenderState(D3DRS_ALPHAREF, 0x42);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    D3DMATERIAL9 material{}, restored{};
    material.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    device->SetMaterial(&material);
    IDirect3DStateBlock9* block = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateStateBlock(D3DSBT_ALL, &block));
    device->SetRenderState(D3DRS_ALPHAREF, 7);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetMaterial(&restored);
    ASSERT_EQ(D3D_OK, block->Apply());
    DWORD value = 0;
    device->GetRenderState(D3DRS_ALPHAREF, &value);
    EXPECT_EQ(0x42u, value);
    device->GetMaterial(&restored);
    EXPECT_EQ(0.25f, restored.Diffuse.g);
    drawUP(D3DPT_TRIANGLELIST, 1, kTriangle);  // clockwise culling is back
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
    IDirect3DVertexBuffer9* vertices = twoQuads(D3DPOOL_MANAGED);
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
    const uint64_t afterFirst = stateCalls();
    EXPECT_GT(afterFirst, 0u);
    frame();
    frame();
    EXPECT_EQ(afterFirst, stateCalls());
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);  // a real change costs calls again
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    EXPECT_GT(stateCalls(), afterFirst);
    device->SetStreamSource(0, nullptr, 0, 0);
    vertices->Release();
}

TEST_F(DrawGLTest, EqualStateSharesOneProgram) {
    drawUP(D3DPT_TRIANGLELIST, 1, kTriangle);
    const size_t before = programs();
    // Lighting and light changes do not matter to pre-transformed vertices.
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->LightEnable(0, TRUE);
    drawUP(D3DPT_TRIANGLELIST, 1, kTriangle);
    EXPECT_EQ(before, programs());
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    drawUP(D3DPT_TRIANGLELIST, 1, kTriangle);
    EXPECT_EQ(before + 1, programs());
}

// A quad drawn left of centre, then a world moving it right set while
// another program draws (flat shading), or while pretransformed vertices
// (which never read the matrices) draw: the next world-space draw, with the
// first program again, lands on the right.
TEST_F(DrawGLTest, AWorldSetWhileAnotherProgramOrPretransformedVerticesDrawReachesTheNextDraw) {
    constexpr float h = 0.4f;
    const ColourVertex quad[] = {{-h, h, 0.5f, kRed}, {h, h, 0.5f, kRed}, {-h, -h, 0.5f, kRed}, {h, -h, 0.5f, kRed}};
    D3DMATRIX left{}, right{};
    left._11 = left._22 = left._33 = left._44 = 1.0f;
    right = left;
    left._41 = -0.5f;
    right._41 = 0.5f;
    for (bool pretransformed : {false, true}) {
        SCOPED_TRACE(pretransformed ? "pretransformed between" : "flat shading between");
        device->SetFVF(kColourFvf);
        device->SetTransform(D3DTS_WORLD, &left);
        drawUP(D3DPT_TRIANGLESTRIP, 2, quad);
        device->SetTransform(D3DTS_WORLD, &right);
        if (pretransformed) {
            device->SetFVF(kTLFvf);
            drawUP(D3DPT_TRIANGLELIST, 1,
                   {TLVertex{0, 0, 0, 1, kWhite}, TLVertex{4, 0, 0, 1, kWhite}, TLVertex{0, 4, 0, 1, kWhite}});
            device->SetFVF(kColourFvf);
        } else {
            device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
            drawUP(D3DPT_TRIANGLESTRIP, 2, quad);
            device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        drawUP(D3DPT_TRIANGLESTRIP, 2, quad);
        EXPECT_TRUE(pixelsNear(device.readBackBuffer(), {{48, 32, kRed}, {16, 32, kBlack}}));
    }
}

// A buffer keeps what was written through every lock, whatever pool and
// usage: static DEFAULT buffers drop their staging copy after each unlock and
// read their contents back from GL at the next lock.
TEST_F(DrawGLTest, BuffersKeepWhatEachLockWroteInEveryPoolAndUsage) {
    struct Case {
        D3DPOOL pool;
        DWORD usage;
    };
    const Case cases[] = {{D3DPOOL_DEFAULT, D3DUSAGE_WRITEONLY}, {D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC},
                          {D3DPOOL_MANAGED, 0}, {D3DPOOL_SYSTEMMEM, 0}};
    constexpr UINT kWords = 64;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pool " << c.pool << ", usage " << c.usage);
        IDirect3DVertexBuffer9* buffer = nullptr;
        ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(kWords * 4, c.usage, 0, c.pool, &buffer, nullptr));
        uint32_t* words = nullptr;
        ASSERT_EQ(D3D_OK, buffer->Lock(0, 0, reinterpret_cast<void**>(&words), 0));
        for (UINT i = 0; i < kWords; ++i) words[i] = i;
        ASSERT_EQ(D3D_OK, buffer->Unlock());
        // The second half again, on its own.
        ASSERT_EQ(D3D_OK, buffer->Lock(kWords * 2, kWords * 2, reinterpret_cast<void**>(&words), 0));
        for (UINT i = 0; i < kWords / 2; ++i) words[i] = 1000 + i;
        ASSERT_EQ(D3D_OK, buffer->Unlock());
        ASSERT_EQ(D3D_OK, buffer->Lock(0, 0, reinterpret_cast<void**>(&words), D3DLOCK_READONLY));
        for (UINT i = 0; i < kWords; ++i) EXPECT_EQ(words[i], i < kWords / 2 ? i : 1000 + i - kWords / 2) << i;
        ASSERT_EQ(D3D_OK, buffer->Unlock());
        buffer->Release();
    }
}

}  // namespace
}  // namespace pelmora::test
