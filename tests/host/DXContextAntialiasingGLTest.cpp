// Anti-aliasing from the "Antialiasing" registry value on the software
// device: a square turned 10 degrees shows intermediate shades along its
// edges when the value asks for samples, and only its two colours without,
// in what the viewport reads back from the back buffer and presents.
#include <pelmora/pelmora.h>

#include "support/SolidShapes.h"
#include "support/D3D9TestDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace pelmora::test;

constexpr int kSize = 96;

// Pixels whose red lies strictly between black and full red.
int intermediateShades(const Image& image) {
    int count = 0;
    for (uint32_t pixel : image.pixels) {
        const int red = int((pixel >> 16) & 0xFF);
        count += red > 24 && red < 232;
    }
    return count;
}

class DXContextAntialiasing : public testing::Test {
protected:
    // A red square turned 10 degrees on black, flipped into the viewport's
    // cached image (read back from the back buffer) and presented from it.
    static Image drawTurnedSquare() {
        Image presented;
        IDXContext* context = nullptr;
        EXPECT_EQ(PelmoraCreateContext(&context), S_OK);
        VARIANT_BOOL noHardware = VARIANT_TRUE;
        EXPECT_EQ(context->initialize(VARIANT_FALSE, nullptr, &noHardware), S_OK);
        int root = 0, frame = 0, mesh = 0, viewport = 0, light = 0;
        EXPECT_EQ(context->newFrame(0, &root), S_OK);
        EXPECT_EQ(context->newFrame(root, &frame), S_OK);
        EXPECT_EQ(context->setFrameColor(frame, int(0xFFFF0000u)), S_OK);
        EXPECT_EQ(context->addFrameRotation(frame, 0, 0, 0, 1, 10 * 3.14159265358979 / 180), S_OK);
        ShapeArrays square;
        for (auto [x, y] : {std::pair{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}})
            square.addVertex(x, y, 0, 0, 0, 1);
        addArrayTriangle(square.faces, 0, 1, 2);
        addArrayTriangle(square.faces, 0, 2, 3);
        square.faces.push_back(0);
        SolidArrays safe(square.vertices, square.normals, square.faces);
        EXPECT_EQ(context->newSolidMesh(safe.v(), safe.n(), safe.f(), VARIANT_FALSE, &mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(frame, mesh), S_OK);
        const int window = PelmoraCreateOffscreenWindow(kSize, kSize);
        EXPECT_EQ(context->newViewport(window, 0, VARIANT_TRUE, kSize, kSize, &viewport), S_OK);
        EXPECT_EQ(context->setViewportBackground(viewport, 0, 0), S_OK);
        EXPECT_EQ(context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFFu), 0, 0, -1, &light), S_OK);
        EXPECT_EQ(context->clearViewport(viewport), S_OK);
        EXPECT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
        EXPECT_EQ(context->viewportFlip(viewport, VARIANT_TRUE), S_OK);
        EXPECT_EQ(context->viewportPresent(viewport, 0, 0, kSize, kSize), S_OK);
        presented = D3D9TestDevice::windowImage(window);
        context->releaseHandle(viewport);
        context->Release();
        PelmoraDestroyWindow(window);
        return presented;
    }

    ScopedRegistry registry;
};

TEST_F(DXContextAntialiasing, SamplesFromTheRegistrySoftenEdgesInEveryPictureAndNoneLeavesThemHard) {
    struct Case {
        int samples;  // -1: no value
        bool soft;
    };
    for (const Case& c : {Case{-1, false}, Case{0, false}, Case{4, true}}) {
        SCOPED_TRACE("samples " + std::to_string(c.samples));
        if (c.samples >= 0) {
            ASSERT_TRUE(storeUserValue(kPelmoraKey, "Antialiasing", REG_DWORD, &c.samples, 4));
        }
        const Image presented = drawTurnedSquare();
        D3D9TestDevice::savePng(presented, ("antialiasing_" + std::to_string(c.samples)).c_str());
        EXPECT_EQ(intermediateShades(presented) > 20, c.soft);
    }
}

}  // namespace
