// Offscreen windows through the host calls and the internal present.
#include <pelmora/host.h>

#include "platform/imaging/ImageFile.h"
#include "platform/win/Window.h"
#include "support/CapturedStdout.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora::win {
namespace {

using test::stdoutOf;
using testing::HasSubstr;

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;

struct WindowImage {
    int width = 0;
    int height = 0;
    const uint32_t* pixels = nullptr;
    uint32_t at(int x, int y) const { return pixels[y * width + x]; }
};

WindowImage imageOf(int window) {
    WindowImage image;
    EXPECT_EQ(PelmoraGetWindowImage(window, &image.width, &image.height, &image.pixels), S_OK);
    return image;
}

class OffscreenWindowTest : public testing::Test {
protected:
    void SetUp() override {
        window = PelmoraCreateOffscreenWindow(8, 6);
        ASSERT_NE(window, 0);
    }
    void TearDown() override { PelmoraDestroyWindow(window); }

    int window = 0;
};

TEST_F(OffscreenWindowTest, StartsOpaqueBlackWithItsSize) {
    WindowImage image = imageOf(window);
    ASSERT_EQ(image.width, 8);
    ASSERT_EQ(image.height, 6);
    EXPECT_EQ(std::vector<uint32_t>(image.pixels, image.pixels + 48),
              std::vector<uint32_t>(48, kBlack));
    int width = 0, height = 0;
    EXPECT_EQ(PelmoraGetClientRect(window, &width, &height), S_OK);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 6);
}

TEST_F(OffscreenWindowTest, AnUnscaledPresentLandsAtTheDestinationClippedToTheClientArea) {
    struct Probe {
        int x, y;
        uint32_t expected;
    };
    const std::vector<uint32_t> numbers = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const struct {
        const char* label;
        RECT destination;
        int width, height, stride;  // of the source, read from numbers
        std::vector<Probe> probes;
    } cases[] = {
        {"inside", {2, 1, 5, 3}, 3, 2, 3, {{2, 1, 0}, {4, 2, 5}, {1, 1, kBlack}, {5, 2, kBlack}}},
        {"stride", {0, 0, 2, 2}, 2, 2, 3, {{1, 0, 1}, {0, 1, 3}, {2, 0, kBlack}}},
        {"clipped", {-2, 4, 2, 8}, 4, 4, 4, {{0, 4, 2}, {1, 5, 7}, {2, 4, kBlack}}},
        {"outside", {20, 20, 24, 24}, 4, 4, 4, {{7, 5, kBlack}}},
        {"empty", {3, 3, 3, 5}, 1, 1, 1, {{3, 3, kBlack}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const int fresh = PelmoraCreateOffscreenWindow(8, 6);
        ASSERT_EQ(presentPixels(fresh, c.destination, numbers.data(), c.width, c.height, c.stride),
                  S_OK);
        const WindowImage image = imageOf(fresh);
        for (const Probe& p : c.probes)
            EXPECT_EQ(image.at(p.x, p.y), p.expected) << p.x << ", " << p.y;
        PelmoraDestroyWindow(fresh);
    }
}

TEST_F(OffscreenWindowTest, ScaledPresentsFillTheDestinationBlendingOrAveraging) {
    // A 2 x 1 image stretched over 8 x 6: red left, blue right, blended only near the middle.
    const std::vector<uint32_t> pair = {kRed, kBlue};
    ASSERT_EQ(presentPixels(window, RECT{0, 0, 8, 6}, pair.data(), 2, 1, 2), S_OK);
    WindowImage image = imageOf(window);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(image.at(0, y), kRed);
        EXPECT_EQ(image.at(7, y), kBlue);
    }
    const uint32_t middle = image.at(3, 3);
    EXPECT_GT((middle >> 16) & 0xFF, middle & 0xFF);  // still more red than blue
    EXPECT_GT(middle & 0xFF, 0u);                     // but blended

    // A fine checkerboard shrunk by two averages to grey.
    std::vector<uint32_t> checks(16 * 12);
    for (int i = 0; i < 16 * 12; ++i) checks[i] = (i % 2) ? 0xFFFFFFFFu : kBlack;
    ASSERT_EQ(presentPixels(window, RECT{0, 0, 8, 6}, checks.data(), 16, 12, 16), S_OK);
    const uint32_t grey = imageOf(window).at(4, 3);
    EXPECT_NEAR(int((grey >> 8) & 0xFF), 128, 2);
    EXPECT_EQ(grey >> 24, 0xFFu);
}

TEST_F(OffscreenWindowTest, BadArgumentsAreRefusedWithALogLine) {
    const uint32_t pixel = kRed;
    const RECT one{0, 0, 1, 1};
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    const std::string log = stdoutOf([&] {
        EXPECT_EQ(presentPixels(window, one, nullptr, 1, 1, 1), E_POINTER);
        EXPECT_EQ(presentPixels(window, one, &pixel, 0, 1, 1), E_INVALIDARG);
        EXPECT_EQ(presentPixels(window, one, &pixel, 2, 1, 1), E_INVALIDARG);
        EXPECT_EQ(presentPixels(window, RECT{4, 0, 1, 1}, &pixel, 1, 1, 1), E_INVALIDARG);
        EXPECT_EQ(presentPixels(0, one, &pixel, 1, 1, 1), E_HANDLE);
        EXPECT_EQ(PelmoraGetWindowImage(window, nullptr, &height, &pixels), E_POINTER);
        EXPECT_EQ(PelmoraGetClientRect(window, &width, nullptr), E_POINTER);
    });
    EXPECT_THAT(log, HasSubstr("presentPixels: null pixels"));
    EXPECT_THAT(log, HasSubstr("presentPixels: bad destination rectangle"));
    EXPECT_THAT(log, HasSubstr("presentPixels: unknown window"));
    EXPECT_THAT(log, HasSubstr("PelmoraGetClientRect: null out pointer"));
    EXPECT_EQ(imageOf(window).at(0, 0), kBlack);
}

TEST_F(OffscreenWindowTest, APngOfTheWindowIsOpaqueWithItsColours) {
    // What a render leaves: the clear colour's alpha, 0 for the default background.
    std::vector<uint32_t> rendered(48, 0x00132F4Cu);
    rendered[9] = 0x80FF8000u;
    ASSERT_EQ(presentPixels(window, RECT{0, 0, 8, 6}, rendered.data(), 8, 6, 8), S_OK);
    const std::string folder = test::makeTempDir("window_png");
    const std::string path = folder + "/window.png";
    ASSERT_EQ(PelmoraSaveWindowPng(window, path.c_str()), S_OK);
    imaging::Image read;
    ASSERT_EQ(imaging::readImage(path.c_str(), &read), S_OK);
    ASSERT_EQ(std::pair(read.width, read.height), std::pair(8, 6));
    for (size_t i = 0; i < rendered.size(); ++i) EXPECT_EQ(read.pixels[i], rendered[i] | 0xFF000000u) << i;

    const std::string log = stdoutOf([&] {
        EXPECT_EQ(PelmoraSaveWindowPng(window, nullptr), E_POINTER);
        EXPECT_EQ(PelmoraSaveWindowPng(0, path.c_str()), E_HANDLE);
        EXPECT_EQ(PelmoraSaveWindowPng(window, (folder + "/missing/folder.png").c_str()), E_FAIL);
    });
    EXPECT_THAT(log, HasSubstr("PelmoraSaveWindowPng: null file name"));
    EXPECT_THAT(log, HasSubstr("PelmoraSaveWindowPng: unknown window"));
    EXPECT_THAT(log, HasSubstr("missing/folder.png"));
    test::removeTree(folder);
}

TEST(OffscreenWindowLifetimeTest, BadSizesGiveNoWindowAndALogLine) {
    const std::string log = stdoutOf([] {
        EXPECT_EQ(PelmoraCreateOffscreenWindow(0, 10), 0);
        EXPECT_EQ(PelmoraCreateOffscreenWindow(10, -1), 0);
        EXPECT_EQ(PelmoraCreateOffscreenWindow(kMaxWindowDimension + 1, 1), 0);
    });
    EXPECT_THAT(log, HasSubstr("PelmoraCreateOffscreenWindow: bad size 0 x 10"));
}

TEST(OffscreenWindowLifetimeTest, DestroyedWindowHandleIsDeadEvenAfterReuse) {
    const int first = PelmoraCreateOffscreenWindow(4, 4);
    ASSERT_GT(first, 0);
    ASSERT_EQ(PelmoraDestroyWindow(first), S_OK);
    const int second = PelmoraCreateOffscreenWindow(4, 4);  // likely the same slot
    ASSERT_GT(second, 0);
    EXPECT_NE(second, first);

    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    const uint32_t pixel = kRed;
    const std::string log = stdoutOf([&] {
        EXPECT_EQ(PelmoraGetWindowImage(first, &width, &height, &pixels), E_HANDLE);
        EXPECT_EQ(PelmoraGetClientRect(first, &width, &height), E_HANDLE);
        EXPECT_EQ(PelmoraDestroyWindow(first), E_HANDLE);
        EXPECT_EQ(presentPixels(first, RECT{0, 0, 1, 1}, &pixel, 1, 1, 1), E_HANDLE);
    });
    EXPECT_THAT(log, HasSubstr("PelmoraGetWindowImage: unknown window"));
    EXPECT_FALSE(windowExists(first));
    EXPECT_TRUE(windowExists(second));
    EXPECT_EQ(PelmoraDestroyWindow(second), S_OK);

    const int bitmap = PelmoraCreateBitmap(2, 2, nullptr);  // other objects are not windows
    EXPECT_FALSE(windowExists(bitmap));
    EXPECT_FALSE(windowExists(0));
    EXPECT_NE(DeleteObject(bitmap), 0);
}

}  // namespace
}  // namespace pelmora::win
