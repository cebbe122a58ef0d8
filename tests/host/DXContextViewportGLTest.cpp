// A host's display cycle through IDXContext on the real device: clear,
// render, flip, present into an offscreen window and read it back.
#include <pelmora/pelmora.h>

#include "host/DXContext.h"
#include "platform/d3d9/gl/GLTestHooks.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using pelmora::test::Image;

constexpr uint32_t kTopColour = 0x132F4C;
constexpr uint32_t kBottomColour = 0xA0A0A0;
constexpr int kTolerance = 3;

int channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

::testing::AssertionResult near(uint32_t actual, uint32_t expected) {
    for (int shift : {16, 8, 0})
        if (std::abs(channel(actual, shift) - channel(expected, shift)) > kTolerance)
            return ::testing::AssertionFailure()
                   << std::hex << "0x" << (actual & 0xFFFFFF) << " is not near 0x" << expected;
    return ::testing::AssertionSuccess();
}

uint32_t mix(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int shift : {16, 8, 0})
        out |= uint32_t(channel(a, shift) + (channel(b, shift) - channel(a, shift)) * t + 0.5)
               << shift;
    return out;
}

Image windowImage(int window) {
    Image image;
    const uint32_t* pixels = nullptr;
    if (FAILED(PelmoraGetWindowImage(window, &image.width, &image.height, &pixels))) return image;
    image.pixels.assign(pixels, pixels + size_t(image.width) * image.height);
    return image;
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

    int openViewport(int width, int height) {
        int window = PelmoraCreateOffscreenWindow(width, height);
        windows.push_back(window);
        int viewport = 0;
        EXPECT_EQ(context->newViewport(window, 0, VARIANT_TRUE, width, height, &viewport), S_OK);
        EXPECT_NE(viewport, 0);
        viewports.push_back(viewport);
        return viewport;
    }

    // clearViewport, render, flip to the cache and present the whole viewport.
    void drawAndPresent(int viewport, int width, int height) {
        ASSERT_EQ(context->clearViewport(viewport), S_OK);
        ASSERT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
        ASSERT_EQ(context->viewportFlip(viewport, VARIANT_TRUE), S_OK);
        ASSERT_EQ(context->viewportPresent(viewport, 0, 0, width, height), S_OK);
    }

    pelmora::DXContext* engine() const { return static_cast<pelmora::DXContext*>(context); }

    IDXContext* context = nullptr;
    int root = 0;
    std::vector<int> windows;
    std::vector<int> viewports;
};

void expectGradient(const Image& image) {
    ASSERT_GT(image.height, 2);
    const int h = image.height;
    for (int x : {0, image.width / 2, image.width - 1}) {
        EXPECT_TRUE(near(image.at(x, 0), kTopColour)) << "top row, x " << x;
        EXPECT_TRUE(near(image.at(x, h - 1), mix(kTopColour, kBottomColour, double(h - 1) / h)))
            << "bottom row, x " << x;
        EXPECT_TRUE(near(image.at(x, h / 2), mix(kTopColour, kBottomColour, 0.5))) << "middle, x " << x;
    }
}

TEST_F(DXContextViewport, AnEmptySceneShowsTheBackgroundGradient) {
    int viewport = openViewport(800, 600);
    drawAndPresent(viewport, 800, 600);
    Image image = windowImage(windows[0]);
    pelmora::test::D3D9TestDevice::savePng(image, "context_gradient_800x600");
    ASSERT_EQ(image.width, 800);
    expectGradient(image);
    EXPECT_TRUE(near(image.at(400, 599), kBottomColour));
}

TEST_F(DXContextViewport, PresentShowsTheTopLeftPartOfTheSizeAsked) {
    int viewport = openViewport(200, 100);
    drawAndPresent(viewport, 200, 100);
    int blank = PelmoraCreateOffscreenWindow(200, 100);
    windows.push_back(blank);
    // Only the size of the host's rectangle counts: (50, 20)-(150, 70) shows (0, 0)-(100, 50).
    ASSERT_EQ(context->viewportPresent(viewport, 50, 20, 150, 70), S_OK);
    Image image = windowImage(windows[0]);
    EXPECT_TRUE(near(image.at(10, 0), kTopColour));
}

TEST_F(DXContextViewport, ALargerViewportCreatesTheDeviceAgainAndTheCachedImageSurvives) {
    testing::internal::CaptureStdout();
    int first = openViewport(320, 240);
    int same = openViewport(320, 240);
    int smaller = openViewport(100, 80);
    std::string log = testing::internal::GetCapturedStdout();
    size_t creations = 0;
    for (size_t at = log.find("Creating device"); at != std::string::npos;
         at = log.find("Creating device", at + 1))
        ++creations;
    EXPECT_EQ(creations, 1u) << log;
    (void)same;
    (void)smaller;

    ASSERT_EQ(context->setViewportBackground(first, 0x00FF0000, 0x00FF0000), S_OK);
    drawAndPresent(first, 320, 240);
    IDirect3DDevice9* before = engine()->device();

    testing::internal::CaptureStdout();
    openViewport(800, 600);  // larger than the 640 x 480 desktop
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Evicting device from video memory"), std::string::npos) << log;
    EXPECT_NE(log.find("Creating device"), std::string::npos) << log;
    EXPECT_NE(engine()->device(), before);
    EXPECT_GE(engine()->backBufferDescription().Width, 800u);
    EXPECT_GE(engine()->backBufferDescription().Height, 600u);

    // The new back buffer does not hold the image; the first viewport's cache does.
    ASSERT_EQ(context->setViewportBackground(first, 0x000000FF, 0x000000FF), S_OK);
    ASSERT_EQ(context->clearViewport(first), S_OK);
    ASSERT_EQ(context->viewportPresent(first, 0, 0, 320, 240), S_OK);
    EXPECT_TRUE(near(windowImage(windows[0]).at(160, 120), 0x0000FF));
    ASSERT_EQ(context->viewportFlip(first, VARIANT_FALSE), S_OK);
    ASSERT_EQ(context->viewportPresent(first, 0, 0, 320, 240), S_OK);
    Image image = windowImage(windows[0]);
    EXPECT_TRUE(near(image.at(160, 120), 0xFF0000));
}

TEST_F(DXContextViewport, ALostDeviceIsCreatedAgainAtPresentAndTheImageSurvives) {
    int viewport = openViewport(160, 120);
    ASSERT_EQ(context->setViewportBackground(viewport, 0x0000FF00, 0x0000FF00), S_OK);
    drawAndPresent(viewport, 160, 120);
    IDirect3DDevice9* lost = engine()->device();
    ASSERT_TRUE(pelmora::d3d9gl::forceDeviceLoss(lost));

    testing::internal::CaptureStdout();
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, 160, 120), S_OK);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Creating device"), std::string::npos) << log;
    EXPECT_NE(engine()->device(), lost);
    ASSERT_EQ(context->setViewportBackground(viewport, 0x000000FF, 0x000000FF), S_OK);
    ASSERT_EQ(context->clearViewport(viewport), S_OK);
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, 160, 120), S_OK);
    EXPECT_TRUE(near(windowImage(windows[0]).at(80, 60), 0x0000FF));

    ASSERT_EQ(context->viewportFlip(viewport, VARIANT_FALSE), S_OK);
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, 160, 120), S_OK);
    EXPECT_TRUE(near(windowImage(windows[0]).at(80, 60), 0x00FF00));
}

TEST_F(DXContextViewport, DrawingThroughTheSurfaceDCShowsInTheNextPresent) {
    int viewport = openViewport(128, 96);
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
    Image image = windowImage(windows[0]);
    pelmora::test::D3D9TestDevice::savePng(image, "context_surface_dc");
    EXPECT_TRUE(near(image.at(40, 20), 0xFFFF00));
    EXPECT_FALSE(near(image.at(19, 20), 0xFFFF00));
    EXPECT_FALSE(near(image.at(70, 20), 0xFFFF00));
}

TEST_F(DXContextViewport, TheCameraKeepsItsTransformWhenGivenAnArrayOfTheWrongSize) {
    int viewport = openViewport(64, 64);
    SAFEARRAY* wrong = SafeArrayCreateVector(VT_R8, 0, 9);
    EXPECT_EQ(context->setCameraTransform(viewport, &wrong), D3DERR_INVALIDCALL);
    SafeArrayDestroy(wrong);
    SAFEARRAY* camera = nullptr;
    ASSERT_EQ(context->getCameraTransform(viewport, &camera), S_OK);
    double* m = nullptr;
    SafeArrayAccessData(camera, reinterpret_cast<void**>(&m));
    EXPECT_EQ(m[0], 1.0);
    EXPECT_EQ(m[9], 0.0);
    SafeArrayUnaccessData(camera);
    SafeArrayDestroy(camera);
    EXPECT_EQ(context->clearViewport(root), E_HANDLE);  // a frame is not a viewport
}

TEST_F(DXContextViewport, AViewportOutlivingItsContextIsReleasedSafely) {
    int viewport = openViewport(64, 48);
    drawAndPresent(viewport, 64, 48);
    IDXContext* other = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&other), S_OK);
    context->Release();  // the device goes to a count of 0 without a warning
    context = nullptr;
    viewports.clear();
    testing::internal::CaptureStdout();
    EXPECT_TRUE(FAILED(other->clearViewport(viewport)));
    EXPECT_EQ(other->releaseHandle(viewport), S_OK);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.find("Device count is"), std::string::npos) << log;
    EXPECT_EQ(other->clearViewport(viewport), E_HANDLE);
    other->Release();
}

// The frame-rate line of a profiled viewport, in the complement of the clear colour.
TEST_F(DXContextViewport, AProfiledViewportWritesTheFrameRateTopLeft) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Torvel, Inc.\\Torvel Design\\Profiling",
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char yes[] = "yes";
    RegSetValueExA(key, "Enabled", 0, REG_SZ, reinterpret_cast<const BYTE*>(yes), sizeof yes);
    int viewport = openViewport(160, 120);
    RegDeleteValueA(key, "Enabled");
    RegCloseKey(key);

    drawAndPresent(viewport, 160, 120);
    Image image = windowImage(windows[0]);
    pelmora::test::D3D9TestDevice::savePng(image, "context_profiled_viewport");
    const uint32_t textColour = ~kTopColour & 0xFFFFFF;
    int textPixels = 0, elsewhere = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (near(image.at(x, y), textColour)) ++(y < 12 ? textPixels : elsewhere);
    EXPECT_GT(textPixels, 20);
    EXPECT_EQ(elsewhere, 0);
}

}  // namespace
