// A host's display cycle through IDXContext on the real device: clear,
// render, flip, present into an offscreen window and read it back.
#include <pelmora/pelmora.h>

#include "host/DXContext.h"
#include "platform/d3d9/gl/GLTestHooks.h"
#include "support/D3D9TestDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

using pelmora::test::D3D9TestDevice;
using pelmora::test::Image;
using pelmora::test::pixelsNear;

constexpr uint32_t kTopColour = 0x132F4C;
constexpr uint32_t kBottomColour = 0xA0A0A0;
constexpr int kTolerance = 3;

bool near(uint32_t actual, uint32_t expected) {
    std::string why;
    return pelmora::test::colourNear(actual, expected, kTolerance, &why);
}

uint32_t mix(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        const int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
        out |= uint32_t(ca + (cb - ca) * t + 0.5) << shift;
    }
    return out;
}

class DXContextViewport : public ::testing::Test {
protected:
    void SetUp() override {
        // A small desktop, so a large viewport has to grow the back buffer.
        setenv("PELMORA_DESKTOP_SIZE", "640x480", 1);
        ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        VARIANT_BOOL noHardware = VARIANT_TRUE;
        ASSERT_EQ(context->initialize(VARIANT_FALSE, nullptr, &noHardware), S_OK);
        EXPECT_EQ(noHardware, VARIANT_FALSE);
        ASSERT_EQ(context->newFrame(0, &root), S_OK);
    }
    void TearDown() override {
        for (int viewport : viewports) context->releaseHandle(viewport);
        if (context) context->Release();
        for (int window : windows) PelmoraDestroyWindow(window);
        unsetenv("PELMORA_DESKTOP_SIZE");
    }

    int openViewport(int width, int height, uint32_t background = 0) {
        windows.push_back(PelmoraCreateOffscreenWindow(width, height));
        int viewport = 0;
        EXPECT_EQ(context->newViewport(windows.back(), 0, VARIANT_TRUE, width, height, &viewport), S_OK);
        EXPECT_NE(viewport, 0);
        viewports.push_back(viewport);
        if (background) setBackground(viewport, background);
        return viewport;
    }
    void setBackground(int viewport, uint32_t colour) {
        ASSERT_EQ(context->setViewportBackground(viewport, int(colour), int(colour)), S_OK);
    }
    // clearViewport, render, flip to the cache and present the whole viewport.
    void drawAndPresent(int viewport, int width, int height) {
        ASSERT_EQ(context->clearViewport(viewport), S_OK);
        ASSERT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
        ASSERT_EQ(context->viewportFlip(viewport, VARIANT_TRUE), S_OK);
        ASSERT_EQ(context->viewportPresent(viewport, 0, 0, width, height), S_OK);
    }
    // After the device changed: a cleared blue frame shows blue, and flipping
    // back from the cache shows the image cached before.
    void expectCachedImageSurvives(int viewport, int width, int height, uint32_t cached) {
        setBackground(viewport, 0x0000FF);
        ASSERT_EQ(context->clearViewport(viewport), S_OK);
        ASSERT_EQ(context->viewportPresent(viewport, 0, 0, width, height), S_OK);
        EXPECT_PIXEL_NEAR(D3D9TestDevice::windowImage(windows[0]), width / 2, height / 2, 0x0000FF, kTolerance);
        ASSERT_EQ(context->viewportFlip(viewport, VARIANT_FALSE), S_OK);
        ASSERT_EQ(context->viewportPresent(viewport, 0, 0, width, height), S_OK);
        EXPECT_PIXEL_NEAR(D3D9TestDevice::windowImage(windows[0]), width / 2, height / 2, cached, kTolerance);
    }
    static size_t creations(const std::string& log) {
        size_t count = 0;
        for (size_t at = log.find("Creating device"); at != std::string::npos; at = log.find("Creating device", at + 1))
            ++count;
        return count;
    }

    pelmora::DXContext* engine() const { return static_cast<pelmora::DXContext*>(context); }

    IDXContext* context = nullptr;
    int root = 0;
    std::vector<int> windows, viewports;
};

TEST_F(DXContextViewport, AnEmptySceneShowsTheBackgroundGradient) {
    drawAndPresent(openViewport(800, 600), 800, 600);
    const Image image = D3D9TestDevice::windowImage(windows[0]);
    D3D9TestDevice::savePng(image, "context_gradient_800x600");
    ASSERT_EQ(image.width, 800);
    for (int x : {0, 400, 799})
        EXPECT_TRUE(pixelsNear(image, {{x, 0, kTopColour}, {x, 300, mix(kTopColour, kBottomColour, 0.5)},
                                       {x, 599, mix(kTopColour, kBottomColour, 599.0 / 600)}, {x, 599, kBottomColour}},
                               kTolerance));
}

TEST_F(DXContextViewport, ALargerViewportCreatesTheDeviceAgainAndTheCachedImageSurvives) {
    testing::internal::CaptureStdout();
    const int first = openViewport(320, 240, 0xFF0000);
    openViewport(320, 240);
    openViewport(100, 80);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(creations(log), 1u) << "the same or a smaller size keeps the device: " << log;
    drawAndPresent(first, 320, 240);
    testing::internal::CaptureStdout();
    openViewport(800, 600);  // larger than the 640 x 480 desktop
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Evicting device from video memory"), std::string::npos) << log;
    EXPECT_EQ(creations(log), 1u) << log;
    EXPECT_GE(engine()->backBufferDescription().Width, 800u);
    EXPECT_GE(engine()->backBufferDescription().Height, 600u);
    expectCachedImageSurvives(first, 320, 240, 0xFF0000);
}

TEST_F(DXContextViewport, ALostDeviceIsCreatedAgainAtPresentAndTheImageSurvives) {
    const int viewport = openViewport(160, 120, 0x00FF00);
    drawAndPresent(viewport, 160, 120);
    IDirect3DDevice9* lost = engine()->device();
    ASSERT_TRUE(pelmora::d3d9gl::forceDeviceLoss(lost));
    testing::internal::CaptureStdout();
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, 160, 120), S_OK);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Creating device"), std::string::npos) << log;
    // A freed device's address may come back, so ask the device itself.
    EXPECT_EQ(engine()->device()->TestCooperativeLevel(), D3D_OK);
    expectCachedImageSurvives(viewport, 160, 120, 0x00FF00);
}

TEST_F(DXContextViewport, DrawingThroughTheSurfaceDCShowsInTheNextPresent) {
    const int viewport = openViewport(128, 96);
    ASSERT_EQ(context->clearViewport(viewport), S_OK);
    ASSERT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    int dc = 0;
    ASSERT_EQ(context->getSurfaceDC(viewport, &dc), S_OK);
    int width = 0, height = 0, stride = 0;
    uint32_t* pixels = nullptr;
    ASSERT_EQ(PelmoraGetDCImage(dc, &width, &height, &pixels, &stride), S_OK);
    for (int y = 10; y < 30; ++y)
        for (int x = 20; x < 60; ++x) pixels[size_t(y) * stride + x] = 0xFFFFFF00u;
    ASSERT_EQ(context->releaseSurfaceDC(viewport, dc), S_OK);
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, 128, 96), S_OK);
    const Image image = D3D9TestDevice::windowImage(windows[0]);
    D3D9TestDevice::savePng(image, "context_surface_dc");
    const uint32_t background = mix(kTopColour, kBottomColour, 20.0 / 96);  // row 20 of the gradient
    EXPECT_TRUE(pixelsNear(image, {{40, 20, 0xFFFF00}, {19, 20, background}, {70, 20, background}}, kTolerance));
}

TEST_F(DXContextViewport, AViewportWorksOnlyThroughTheContextThatMadeIt) {
    const int viewport = openViewport(64, 48, 0x00FF00);
    drawAndPresent(viewport, 64, 48);
    // Another context with a device and a back buffer of its own.
    IDXContext* other = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&other), S_OK);
    VARIANT_BOOL noHardware = VARIANT_TRUE;
    ASSERT_EQ(other->initialize(VARIANT_FALSE, nullptr, &noHardware), S_OK);
    windows.push_back(PelmoraCreateOffscreenWindow(32, 24));
    int otherViewport = 0;
    ASSERT_EQ(other->newViewport(windows.back(), 0, VARIANT_TRUE, 32, 24, &otherViewport), S_OK);

    const std::string snapshot = pelmora::test::makeTempDir("pelmora-foreign-") + "/foreign.png";
    const std::u16string wide(snapshot.begin(), snapshot.end());
    BSTR fileName = SysAllocString(wide.c_str());
    int dc = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(other->viewportFlip(viewport, VARIANT_TRUE), E_HANDLE);
    EXPECT_EQ(other->getSurfaceDC(viewport, &dc), E_HANDLE);
    EXPECT_EQ(other->releaseSurfaceDC(viewport, dc), E_HANDLE);
    EXPECT_EQ(other->saveSnapshotJPG(viewport, fileName, 32, 24), E_HANDLE);
    EXPECT_EQ(other->clearViewport(viewport), E_HANDLE);
    EXPECT_EQ(other->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), E_HANDLE);
    EXPECT_EQ(other->viewportPresent(viewport, 0, 0, 64, 48), E_HANDLE);
    EXPECT_EQ(context->viewportFlip(otherViewport, VARIANT_TRUE), E_HANDLE);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("is not one of this context's"), std::string::npos) << log;
    EXPECT_EQ(dc, 0);
    EXPECT_NE(access(snapshot.c_str(), F_OK), 0) << "no file from another context's device";
    SysFreeString(fileName);

    // Through its own context it still works, and the other's flips left its image alone.
    ASSERT_EQ(context->viewportFlip(viewport, VARIANT_FALSE), S_OK);
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, 64, 48), S_OK);
    EXPECT_PIXEL_NEAR(D3D9TestDevice::windowImage(windows[0]), 32, 24, 0x00FF00, kTolerance);
    EXPECT_EQ(other->releaseHandle(otherViewport), S_OK);
    other->Release();
}

TEST_F(DXContextViewport, AViewportOutlivingItsContextIsReleasedSafely) {
    const int viewport = openViewport(64, 48);
    drawAndPresent(viewport, 64, 48);
    IDXContext* other = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&other), S_OK);
    context->Release();  // the device goes to a count of 0 without a warning
    context = nullptr;
    viewports.clear();
    testing::internal::CaptureStdout();
    EXPECT_TRUE(FAILED(other->clearViewport(viewport)));
    EXPECT_EQ(other->releaseHandle(viewport), S_OK);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.find("Device count is"), std::string::npos) << log;
    EXPECT_EQ(other->clearViewport(viewport), E_HANDLE);
    other->Release();
}

// The frame-rate line of a profiled viewport, in the complement of the clear colour.
TEST_F(DXContextViewport, AProfiledViewportWritesTheFrameRateTopLeft) {
    const pelmora::test::ScopedRegistry registry;
    ASSERT_TRUE(pelmora::test::storeUserString("Software\\Torvel, Inc.\\Torvel Design\\Profiling", "Enabled", "yes"));
    const int viewport = openViewport(160, 120);
    drawAndPresent(viewport, 160, 120);
    const Image image = D3D9TestDevice::windowImage(windows[0]);
    D3D9TestDevice::savePng(image, "context_profiled_viewport");
    const uint32_t textColour = ~kTopColour & 0xFFFFFF;
    int textPixels = 0, elsewhere = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (near(image.at(x, y), textColour)) ++(y < 12 ? textPixels : elsewhere);
    EXPECT_GT(textPixels, 20);
    EXPECT_EQ(elsewhere, 0);
}

}  // namespace
