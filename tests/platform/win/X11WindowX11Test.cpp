// Attached X11 windows: the test makes a window on its own connection,
// Pelmora presents into it on Pelmora's connection, and the test reads the
// result back with XGetImage.
#include <pelmora/host.h>

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

TEST_F(X11WindowTest, ReportsTheClientSizeAsItChangesButNoImage) {
    int width = 0, height = 0;
    ASSERT_EQ(PelmoraGetClientRect(window, &width, &height), S_OK);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    XResizeWindow(display, xid, 100, 30);
    XSync(display, False);
    ASSERT_TRUE(getClientSize(window, &width, &height));
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 30);
    const uint32_t* pixels = nullptr;
    EXPECT_EQ(PelmoraGetWindowImage(window, &width, &height, &pixels), E_NOTIMPL);
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
