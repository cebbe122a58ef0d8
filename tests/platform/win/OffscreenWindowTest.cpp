// Offscreen windows through the host calls and the internal present.
#include <pelmora/host.h>

#include "platform/win/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora::win {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;

template <class Action>
std::string logOf(Action&& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

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

RECT rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

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
    for (int i = 0; i < 8 * 6; ++i) EXPECT_EQ(image.pixels[i], kBlack);
    int width = 0, height = 0;
    EXPECT_EQ(PelmoraGetClientRect(window, &width, &height), S_OK);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 6);
    EXPECT_TRUE(windowExists(window));
    EXPECT_TRUE(getClientSize(window, &width, &height));
}

TEST_F(OffscreenWindowTest, PresentLandsAtTheDestinationRectangle) {
    const std::vector<uint32_t> source = {1, 2, 3, 4, 5, 6};  // 3 x 2, stride 3
    ASSERT_EQ(presentPixels(window, rect(2, 1, 5, 3), source.data(), 3, 2, 3), S_OK);
    WindowImage image = imageOf(window);
    EXPECT_EQ(image.at(2, 1), 1u);
    EXPECT_EQ(image.at(4, 1), 3u);
    EXPECT_EQ(image.at(2, 2), 4u);
    EXPECT_EQ(image.at(4, 2), 6u);
    EXPECT_EQ(image.at(1, 1), kBlack);
    EXPECT_EQ(image.at(5, 2), kBlack);
    EXPECT_EQ(image.at(2, 3), kBlack);
}

TEST_F(OffscreenWindowTest, PresentHonoursTheSourceStride) {
    const std::vector<uint32_t> source = {kRed, kRed, 0, kBlue, kBlue, 0};  // 2 x 2, stride 3
    ASSERT_EQ(presentPixels(window, rect(0, 0, 2, 2), source.data(), 2, 2, 3), S_OK);
    WindowImage image = imageOf(window);
    EXPECT_EQ(image.at(1, 0), kRed);
    EXPECT_EQ(image.at(0, 1), kBlue);
    EXPECT_EQ(image.at(2, 0), kBlack);
}

TEST_F(OffscreenWindowTest, ScaledPresentFillsTheDestination) {
    // A 2 x 1 image stretched over 8 x 6: the left half red, the right half blue,
    // blended only near the middle.
    const std::vector<uint32_t> source = {kRed, kBlue};
    ASSERT_EQ(presentPixels(window, rect(0, 0, 8, 6), source.data(), 2, 1, 2), S_OK);
    WindowImage image = imageOf(window);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(image.at(0, y), kRed);
        EXPECT_EQ(image.at(7, y), kBlue);
    }
    const uint32_t middle = image.at(3, 3);
    EXPECT_GT((middle >> 16) & 0xFF, middle & 0xFF);  // still more red than blue
    EXPECT_GT(middle & 0xFF, 0u);                     // but blended
}

TEST_F(OffscreenWindowTest, DownscaledPresentAveragesTheSource) {
    std::vector<uint32_t> source(16 * 12);
    for (int i = 0; i < 16 * 12; ++i) source[i] = (i % 2) ? 0xFFFFFFFFu : kBlack;
    ASSERT_EQ(presentPixels(window, rect(0, 0, 8, 6), source.data(), 16, 12, 16), S_OK);
    const uint32_t grey = imageOf(window).at(4, 3);
    EXPECT_NEAR(int((grey >> 8) & 0xFF), 128, 2);
    EXPECT_EQ(grey >> 24, 0xFFu);
}

TEST_F(OffscreenWindowTest, PresentIsClippedToTheClientArea) {
    std::vector<uint32_t> source(4 * 4);
    for (int i = 0; i < 16; ++i) source[i] = uint32_t(i);
    ASSERT_EQ(presentPixels(window, rect(-2, 4, 2, 8), source.data(), 4, 4, 4), S_OK);
    WindowImage image = imageOf(window);
    EXPECT_EQ(image.at(0, 4), 2u);  // source (2, 0)
    EXPECT_EQ(image.at(1, 5), 7u);  // source (3, 1)
    EXPECT_EQ(image.at(2, 4), kBlack);
    ASSERT_EQ(presentPixels(window, rect(20, 20, 24, 24), source.data(), 4, 4, 4), S_OK);
}

TEST_F(OffscreenWindowTest, EmptyDestinationDrawsNothing) {
    const uint32_t pixel = kRed;
    EXPECT_EQ(presentPixels(window, rect(3, 3, 3, 5), &pixel, 1, 1, 1), S_OK);
    EXPECT_EQ(imageOf(window).at(3, 3), kBlack);
}

TEST_F(OffscreenWindowTest, BadPresentArgumentsAreRefusedWithALogLine) {
    const uint32_t pixel = kRed;
    std::string log = logOf([&] {
        EXPECT_EQ(presentPixels(window, rect(0, 0, 1, 1), nullptr, 1, 1, 1), E_POINTER);
        EXPECT_EQ(presentPixels(window, rect(0, 0, 1, 1), &pixel, 0, 1, 1), E_INVALIDARG);
        EXPECT_EQ(presentPixels(window, rect(0, 0, 1, 1), &pixel, 2, 1, 1), E_INVALIDARG);
        EXPECT_EQ(presentPixels(window, rect(4, 0, 1, 1), &pixel, 1, 1, 1), E_INVALIDARG);
        EXPECT_EQ(presentPixels(0, rect(0, 0, 1, 1), &pixel, 1, 1, 1), E_HANDLE);
    });
    EXPECT_NE(log.find("presentPixels: null pixels"), std::string::npos) << log;
    EXPECT_NE(log.find("presentPixels: bad destination rectangle"), std::string::npos) << log;
    EXPECT_NE(log.find("presentPixels: unknown window"), std::string::npos) << log;
    EXPECT_EQ(imageOf(window).at(0, 0), kBlack);
}

TEST_F(OffscreenWindowTest, NullOutPointersGiveEPointer) {
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    std::string log = logOf([&] {
        EXPECT_EQ(PelmoraGetWindowImage(window, nullptr, &height, &pixels), E_POINTER);
        EXPECT_EQ(PelmoraGetWindowImage(window, &width, &height, nullptr), E_POINTER);
        EXPECT_EQ(PelmoraGetClientRect(window, &width, nullptr), E_POINTER);
    });
    EXPECT_NE(log.find("PelmoraGetClientRect: null out pointer"), std::string::npos) << log;
}

TEST(OffscreenWindowLifetimeTest, BadSizesGiveNoWindowAndALogLine) {
    std::string log = logOf([] {
        EXPECT_EQ(PelmoraCreateOffscreenWindow(0, 10), 0);
        EXPECT_EQ(PelmoraCreateOffscreenWindow(10, -1), 0);
        EXPECT_EQ(PelmoraCreateOffscreenWindow(kMaxWindowDimension + 1, 1), 0);
    });
    EXPECT_NE(log.find("PelmoraCreateOffscreenWindow: bad size 0 x 10"), std::string::npos) << log;
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
    std::string log = logOf([&] {
        EXPECT_EQ(PelmoraGetWindowImage(first, &width, &height, &pixels), E_HANDLE);
        EXPECT_EQ(PelmoraGetClientRect(first, &width, &height), E_HANDLE);
        EXPECT_EQ(PelmoraDestroyWindow(first), E_HANDLE);
        EXPECT_EQ(presentPixels(first, rect(0, 0, 1, 1), &pixel, 1, 1, 1), E_HANDLE);
    });
    EXPECT_NE(log.find("PelmoraGetWindowImage: unknown window"), std::string::npos) << log;
    EXPECT_FALSE(windowExists(first));
    EXPECT_TRUE(windowExists(second));
    EXPECT_EQ(PelmoraDestroyWindow(second), S_OK);
}

TEST(OffscreenWindowLifetimeTest, HandlesOfOtherObjectsAreNotWindows) {
    const int bitmap = PelmoraCreateBitmap(2, 2, nullptr);
    ASSERT_NE(bitmap, 0);
    EXPECT_FALSE(windowExists(bitmap));
    EXPECT_FALSE(windowExists(0));
    EXPECT_FALSE(windowExists(-5));
    EXPECT_NE(DeleteObject(bitmap), 0);
}

}  // namespace
}  // namespace pelmora::win
