// A billboard's draw as device calls, on a device that makes no textures:
// the symbol is drawn untextured in the material colour with the failed
// atlas logged, the alpha reference raised only around the draw, and a
// billboard off screen makes no call at all.
#include "mesh/DXBillboard.h"
#include "view/ViewportRig.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::captureOutput;
using test::ViewportRig;
using Calls = std::vector<std::string>;

class DXBillboardDraw : public testing::Test {
protected:
    void SetUp() override {
        D3DXMatrixIdentity(&world);
        material.Diffuse = {1.0f, 0.5f, 0.0f, 1.0f};
        rig.device.clearCalls();
    }
    HRESULT render(DXBillboard& billboard) {
        return billboard.render(&rig.device, viewport.get(), &world, &material, RenderAttributes{});
    }
    Calls drawCalls() const {
        return rig.calls({"SetRenderState", "SetTexture", "SetFVF", "DrawIndexedPrimitiveUP"});
    }

    ViewportRig rig;
    std::unique_ptr<DXViewport> viewport = rig.make(64, 64);
    D3DXMATRIX world;
    D3DMATERIAL9 material{};
};

TEST_F(DXBillboardDraw, WithoutAnAtlasTheSymbolIsDrawnUntexturedAndTheReferenceIsPutBack) {
    auto billboard = DXBillboard::preloaded(CONSTRAINT_FIXED, 4, 4);
    const std::string log = captureOutput([&] { EXPECT_EQ(render(*billboard), S_OK); });
    EXPECT_NE(log.find("in DXBillboard.cpp"), std::string::npos) << log;
    // D3DRS_ALPHAREF is 24; the vertex format 0x144; 16-bit indices (101), 28-byte vertices.
    EXPECT_EQ(drawCalls(), (Calls{"SetRenderState(24, 15)", "SetTexture(0, null)", "SetFVF(324)",
                                  "DrawIndexedPrimitiveUP(4, 0, 4, 2, ptr, 101, ptr, 28)", "SetRenderState(24, 2)",
                                  "SetTexture(0, null)"}));
    // The next draw tries the atlas again.
    rig.device.clearCalls();
    EXPECT_NE(captureOutput([&] { render(*billboard); }).find("in DXBillboard.cpp"), std::string::npos);
    EXPECT_EQ(rig.calls({"DrawIndexedPrimitiveUP"}).size(), 1u);
}

TEST_F(DXBillboardDraw, OffScreenHiddenAndBitmaplessBillboardsMakeNoCall) {
    auto symbol = DXBillboard::preloaded(CONSTRAINT_BIG_FIXED, 0, 0);
    world._41 = 1000.0f;  // far to the right of the plane
    captureOutput([&] { EXPECT_EQ(render(*symbol), S_OK); });
    world._41 = 0.0f;
    symbol->setVisible(VARIANT_FALSE);
    EXPECT_EQ(render(*symbol), S_OK);
    auto empty = DXBillboard::fromBitmap(0, 0, 0);
    EXPECT_EQ(render(*empty), S_OK);
    EXPECT_EQ(drawCalls(), Calls{});
}

}  // namespace
}  // namespace pelmora
