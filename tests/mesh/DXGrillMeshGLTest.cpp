// A grid's draw as the device sees it: one call in the frame's colour with
// lighting off around it, antialiased where the device offers it, and a
// second, fainter call for the minor lines.
#include "mesh/DXGrillMesh.h"
#include "support/D3D9TestDevice.h"
#include "support/RecordingDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;
using Calls = std::vector<std::string>;

const std::string kAntialiasOn = "SetRenderState(" + std::to_string(D3DRS_ANTIALIASEDLINEENABLE) + ", 1)";
const std::string kAntialiasOff = "SetRenderState(" + std::to_string(D3DRS_ANTIALIASEDLINEENABLE) + ", 0)";

TEST(GrillMeshDraw, OneDrawOfItsLinesWithLightingOffAndAntialiasingWhereOffered) {
    D3D9TestDevice real;
    ASSERT_TRUE(real.ok());
    D3DCAPS9 caps{};
    ASSERT_EQ(real->GetDeviceCaps(&caps), D3D_OK);
    D3DMATERIAL9 material{};
    material.Diffuse = {1.0f, 0.5f, 0.0f, 1.0f};
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    // Alone the recorder offers no capabilities; around the real device, the device's own.
    for (bool aroundRealDevice : {false, true}) {
        RecordingDevice device(aroundRealDevice ? real.device() : nullptr);
        DXGrillMesh grid(GrillSpacing{0, 10, 10, 0, 2.5f, 0, 2.5f, 0});
        ASSERT_EQ(grid.render(&device, nullptr, &world, &material, RenderAttributes{}), S_OK);
        Calls expected;
        if (aroundRealDevice && (caps.LineCaps & D3DLINECAPS_ANTIALIAS)) expected.push_back(kAntialiasOn);
        // 4 + 4 lines and the border's 4 sides: 24 vertices, 12 lines, 16-bit indices.
        const Calls drawn = {"SetRenderState(LIGHTING, 0)", "SetFVF(66)",
                             "DrawIndexedPrimitiveUP(2, 0, 24, 12, ptr, 101, ptr, 16)",
                             "SetRenderState(LIGHTING, 1)", kAntialiasOff};
        expected.insert(expected.end(), drawn.begin(), drawn.end());
        EXPECT_EQ(device.callTexts({"SetRenderState", "SetFVF", "DrawIndexedPrimitiveUP"}), expected);
        for (const LineVertex& v : grid.majorLines()) ASSERT_EQ(v.colour, 0xFFFF8000u);

        // Overridden frames draw nothing.
        device.clearCalls();
        RenderAttributes overridden;
        overridden.overrideRender = 1;
        ASSERT_EQ(grid.render(&device, nullptr, &world, &material, overridden), S_OK);
        EXPECT_TRUE(device.calls().empty());
    }
}

TEST(GrillMeshDraw, MinorLinesAreASecondDrawAtAQuarterOfTheAlpha) {
    RecordingDevice device;
    DXGrillMesh grid(GrillSpacing{0, 10, 10, 0, 5, 1, 5, 0});
    D3DMATERIAL9 material{};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 0.8f};
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    ASSERT_EQ(grid.render(&device, nullptr, &world, &material, RenderAttributes{}), S_OK);
    // Majors: 2 + 2 lines and the border; minors: the 8 verticals between them.
    EXPECT_EQ(device.callTexts({"DrawIndexedPrimitiveUP"}),
              (Calls{"DrawIndexedPrimitiveUP(2, 0, 16, 8, ptr, 101, ptr, 16)",
                     "DrawIndexedPrimitiveUP(2, 0, 16, 8, ptr, 101, ptr, 16)"}));
    EXPECT_EQ(grid.majorLines().front().colour, 0xCCFFFFFFu);
    EXPECT_EQ(grid.minorLines().front().colour, 0x33FFFFFFu);
}

}  // namespace
