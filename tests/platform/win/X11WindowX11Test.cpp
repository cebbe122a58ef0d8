// Attached X11 windows: the test makes a window on its own connection,
// Pelmora presents into it on Pelmora's connection, and the test reads the
// result back with XGetImage and through the host's read-back calls.
#include <pelmora/helpers.h>
#include <pelmora/pelmora.h>

#include "platform/imaging/ImageFile.h"
#include "platform/win/Window.h"
#include "platform/win/X11Window.h"
#include "support/CapturedStdout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace pelmora::win {
namespace {

using test::stdoutOf;
using testing::HasSubstr;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr unsigned long kColourBits = 0xFFFFFF;

// Pixels numbered by position in the green and blue channels, red fixed.
std::vector<uint32_t> numbered(int width, int height) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(0xFF400000u | uint32_t(y) << 8 | uint32_t(x));
    return pixels;
}

class X11WindowTest : public testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "these tests need an X server ($DISPLAY)";
        const int screen = DefaultScreen(display);
        xid = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kWidth, kHeight, 0,
                                  BlackPixel(display, screen), BlackPixel(display, screen));
        XMapWindow(display, xid);
        XSync(display, False);
        window = PelmoraAttachX11Window(xid);
        ASSERT_NE(window, 0);
    }

    void TearDown() override {
        setX11SharedMemoryAllowed(true);
        if (window) PelmoraDestroyWindow(window);
        if (display) {
            if (xid) XDestroyWindow(display, xid);
            XCloseDisplay(display);
        }
    }

    // The window's pixels as 0x00RRGGBB, rows top-down.
    std::vector<unsigned long> readBack() {
        XImage* image = XGetImage(display, xid, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        std::vector<unsigned long> pixels;
        if (!image) return pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) pixels.push_back(XGetPixel(image, x, y) & kColourBits);
        XDestroyImage(image);
        return pixels;
    }

    Display* display = nullptr;
    ::Window xid = 0;
    int window = 0;
};

// The image read back is what was presented, as large as the window was then.
TEST_F(X11WindowTest, ReportsTheClientSizeAsItChangesAndTheImageAsLastPresented) {
    int width = 0, height = 0;
    ASSERT_EQ(PelmoraGetClientRect(window, &width, &height), S_OK);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    const uint32_t* pixels = nullptr;
    ASSERT_EQ(PelmoraGetWindowImage(window, &width, &height, &pixels), S_OK);
    EXPECT_EQ(std::vector<uint32_t>(pixels, pixels + kWidth * kHeight),
              std::vector<uint32_t>(kWidth * kHeight, 0xFF000000u));
    XResizeWindow(display, xid, 100, 30);
    XSync(display, False);
    ASSERT_TRUE(getClientSize(window, &width, &height));
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 30);
    const uint32_t white = 0xFFFFFFFFu;
    ASSERT_EQ(presentPixels(window, RECT{0, 0, 100, 30}, &white, 1, 1, 1), S_OK);
    ASSERT_EQ(PelmoraGetWindowImage(window, &width, &height, &pixels), S_OK);
    ASSERT_EQ(width, 100);
    ASSERT_EQ(height, 30);
    EXPECT_EQ(std::vector<uint32_t>(pixels, pixels + 100 * 30), std::vector<uint32_t>(100 * 30, white));
}

// A frame rendered into an X11 window is read back and saved as the screen
// shows it, without a word on the console.
TEST_F(X11WindowTest, ARenderedFrameIsReadBackAndSavedAsShown) {
    constexpr uint32_t kColour = 0xFF3080C0u;
    IDXContext* context = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
    int root = 0, viewport = 0;
    EXPECT_EQ(pelmora::initialize(context, false, ""), S_OK);
    EXPECT_EQ(context->newFrame(0, &root), S_OK);
    EXPECT_EQ(context->newViewport(window, 0, VARIANT_TRUE, kWidth, kHeight, &viewport), S_OK);
    EXPECT_EQ(context->setViewportBackground(viewport, int(kColour), int(kColour)), S_OK);
    EXPECT_EQ(context->clearViewport(viewport), S_OK);
    EXPECT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    EXPECT_EQ(context->viewportFlip(viewport, VARIANT_TRUE), S_OK);
    EXPECT_EQ(context->viewportPresent(viewport, 0, 0, kWidth, kHeight), S_OK);
    context->releaseHandle(viewport);
    context->Release();

    const std::vector<unsigned long> onScreen(size_t(kWidth * kHeight), kColour & kColourBits);
    EXPECT_EQ(readBack(), onScreen);
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    ASSERT_EQ(PelmoraGetWindowImage(window, &width, &height, &pixels), S_OK);
    ASSERT_EQ(width * height, kWidth * kHeight);
    std::vector<unsigned long> readColours;
    for (int i = 0; i < width * height; ++i) readColours.push_back(pixels[i] & kColourBits);
    EXPECT_EQ(readColours, onScreen);

    const std::string path = testing::TempDir() + "x11-window-frame.png";
    const std::string log = stdoutOf([&] { EXPECT_EQ(PelmoraSaveWindowPng(window, path.c_str()), S_OK); });
    EXPECT_EQ(log, "");
    imaging::Image saved;
    ASSERT_EQ(imaging::readImage(path.c_str(), &saved), S_OK);
    EXPECT_EQ(saved.width, kWidth);
    EXPECT_EQ(saved.height, kHeight);
    EXPECT_EQ(saved.pixels, std::vector<uint32_t>(size_t(kWidth * kHeight), kColour));
}

TEST_F(X11WindowTest, PresentShowsThePixelsWithAndWithoutSharedMemory) {
    RecordProperty("shared_memory", x11SharedMemoryInUse() ? "used" : "not offered");
    const std::vector<uint32_t> image = numbered(kWidth, kHeight);
    std::vector<unsigned long> expected;
    for (uint32_t pixel : image) expected.push_back(pixel & kColourBits);
    for (bool sharedMemory : {true, false}) {
        SCOPED_TRACE(sharedMemory ? "shared memory allowed" : "plain XPutImage");
        setX11SharedMemoryAllowed(sharedMemory);
        EXPECT_TRUE(sharedMemory || !x11SharedMemoryInUse());
        XClearWindow(display, xid);
        XSync(display, False);
        ASSERT_EQ(presentPixels(window, RECT{0, 0, kWidth, kHeight}, image.data(), kWidth, kHeight,
                                kWidth),
                  S_OK);
        EXPECT_EQ(readBack(), expected);
    }
}

TEST_F(X11WindowTest, PresentIsScaledAndClipped) {
    // A 2 x 2 image stretched over a 40 x 40 square hanging off the right edge.
    const std::vector<uint32_t> image = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    ASSERT_EQ(presentPixels(window, RECT{44, 20, 84, 60}, image.data(), 2, 2, 2), S_OK);
    const std::vector<unsigned long> shown = readBack();
    ASSERT_EQ(shown.size(), size_t(kWidth * kHeight));
    auto at = [&](int x, int y) { return shown[size_t(y) * kWidth + x]; };
    auto red = [](unsigned long p) { return (p >> 16) & 0xFF; };
    auto green = [](unsigned long p) { return (p >> 8) & 0xFF; };
    auto blue = [](unsigned long p) { return p & 0xFF; };
    EXPECT_EQ(at(44, 20), 0xFF0000ul);        // the top-left corner is all red
    const unsigned long middle = at(63, 21);  // halfway across the square: red into green
    EXPECT_GT(red(middle), 0ul);
    EXPECT_GT(green(middle), 0ul);
    const unsigned long low = at(44, 47);  // near the bottom of the visible part: mostly blue
    EXPECT_GT(blue(low), 4 * red(low));
    EXPECT_EQ(at(43, 20), 0ul);  // outside the rectangle: untouched black
    EXPECT_EQ(at(44, 19), 0ul);
}

TEST_F(X11WindowTest, AWindowDestroyedOnTheServerFailsCleanly) {
    XDestroyWindow(display, xid);
    XSync(display, False);
    xid = 0;
    const uint32_t pixel = 0xFFFFFFFF;
    int width = 0, height = 0;
    const std::string log = stdoutOf([&] {
        EXPECT_EQ(presentPixels(window, RECT{0, 0, 1, 1}, &pixel, 1, 1, 1), E_HANDLE);
        EXPECT_EQ(PelmoraGetClientRect(window, &width, &height), E_HANDLE);
    });
    EXPECT_THAT(log, HasSubstr("is gone"));
    EXPECT_EQ(PelmoraDestroyWindow(window), S_OK);
    window = 0;
}

TEST(X11AttachTest, ABadXidGivesNoWindow) {
    const std::string log = stdoutOf([] {
        EXPECT_EQ(PelmoraAttachX11Window(0), 0);
        EXPECT_EQ(PelmoraAttachX11Window(0x7FFFFFF), 0);
    });
    EXPECT_THAT(log, HasSubstr("PelmoraAttachX11Window: 0x7ffffff is not a window on the display"));
}

TEST(X11AttachTest, NoDisplayGivesNoWindow) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, no connection yet
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            std::exit(PelmoraAttachX11Window(1) == 0 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace pelmora::win
