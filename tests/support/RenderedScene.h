// A context drawing into a 128x128 offscreen window: a red root frame, a
// black background, and the whole clear-render-flip-present cycle read back
// as the host sees it. Fixtures of pixel tests through IDXContext derive
// from it.
#pragma once

#include "support/D3D9TestDevice.h"

#include <pelmora/pelmora.h>

#include <gtest/gtest.h>

#include <string>

namespace pelmora::test {

class RenderedScene : public testing::Test {
protected:
    static constexpr int kSceneSize = 128;

    void SetUp() override {
        ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        VARIANT_BOOL noHardware = VARIANT_TRUE;
        ASSERT_EQ(context->initialize(VARIANT_FALSE, nullptr, &noHardware), S_OK);
        ASSERT_EQ(context->newFrame(0, &root), S_OK);
        ASSERT_EQ(context->setFrameColor(root, int(0xFFFF0000u)), S_OK);
        window = PelmoraCreateOffscreenWindow(kSceneSize, kSceneSize);
        ASSERT_EQ(context->newViewport(window, 0, VARIANT_TRUE, kSceneSize, kSceneSize, &viewport), S_OK);
        ASSERT_NE(viewport, 0);
        ASSERT_EQ(context->setViewportBackground(viewport, 0, 0), S_OK);
    }
    void TearDown() override {
        if (context) {
            context->suspendMeshRefinements(VARIANT_FALSE);
            if (viewport) context->releaseHandle(viewport);
            context->Release();
        }
        PelmoraDestroyWindow(window);
    }

    // A white light shining into the screen.
    void addLight() {
        int light = 0;
        ASSERT_EQ(context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFFu), 0, 0, -1, &light), S_OK);
    }

    // One whole frame as the window shows it, saved as a PNG when named.
    Image draw(const std::string& pngName = "") {
        EXPECT_EQ(context->clearViewport(viewport), S_OK);
        EXPECT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
        EXPECT_EQ(context->viewportFlip(viewport, VARIANT_TRUE), S_OK);
        EXPECT_EQ(context->viewportPresent(viewport, 0, 0, kSceneSize, kSceneSize), S_OK);
        const Image image = D3D9TestDevice::windowImage(window);
        if (!pngName.empty()) D3D9TestDevice::savePng(image, pngName);
        return image;
    }

    IDXContext* context = nullptr;
    int root = 0, window = 0, viewport = 0;
};

}  // namespace pelmora::test
