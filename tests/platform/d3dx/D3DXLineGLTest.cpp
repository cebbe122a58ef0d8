// The line object on a real device: width, joins, depth, and the device
// state it leaves behind.
#include "platform/d3dx/d3dx9line.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kLineColour = 0xFFFFFF00, kQuadColour = 0xFF0000FF;
constexpr int kSize = 64;
// The line object's mitre limit, in half-widths.
constexpr float kMiterLimitHalfWidths = 4.0f;

class D3DXLineGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        ASSERT_EQ(D3DXCreateLine(device.device(), &line), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        // Maps x, y pixel coordinates (y down) and a depth to clip space.
        D3DXMatrixIdentity(&pixelSpace);
        pixelSpace._11 = 2.0f / kSize;
        pixelSpace._22 = -2.0f / kSize;
        pixelSpace._41 = -1.0f;
        pixelSpace._42 = 1.0f;
    }
    void TearDown() override {
        if (line) {
            EXPECT_EQ(line->Release(), 0u);
        }
    }
    // Pixels lit across a line at one column (of a horizontal line) or row.
    static int litAcross(const Image& image, int at, bool horizontalLine) {
        int lit = 0;
        for (int i = 0; i < kSize; ++i) lit += red(horizontalLine ? image.at(at, i) : image.at(i, at)) > 128;
        return lit;
    }

    D3D9TestDevice device{DeviceOptions{kSize, kSize, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8}};
    ID3DXLine* line = nullptr;
    D3DXMATRIX pixelSpace;
};

// Distance from (x, y) to the segment from a to b; `across` is false when
// the point lies beyond either end, or within half a pixel of one (where a
// square end's edge may fall either way), so the segment owes it nothing.
float distanceToSegment(float x, float y, const D3DXVECTOR2& a, const D3DXVECTOR2& b, bool* across) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float length = std::hypot(dx, dy);
    const float t = ((x - a.x) * dx + (y - a.y) * dy) / (length * length);
    *across = t * length >= 0.5f && t * length <= length - 0.5f;
    const float c = std::fmax(0.0f, std::fmin(1.0f, t));
    return std::hypot(x - (a.x + c * dx), y - (a.y + c * dy));
}

struct Polyline {
    const char* name;
    std::vector<D3DXVECTOR2> points;
    bool closed() const { return points.front().x == points.back().x && points.front().y == points.back().y; }
    // cos(turn / 2) at point i: how far out a bevel reaches, in half-widths.
    float bevelReach(size_t i) const {
        const size_t n = points.size();
        const D3DXVECTOR2& before = points[i == 0 ? n - 2 : i - 1];
        const D3DXVECTOR2& after = points[i + 1 == n ? 1 : i + 1];
        const D3DXVECTOR2& at = points[i];
        const float ax = at.x - before.x, ay = at.y - before.y, bx = after.x - at.x, by = after.y - at.y;
        const float cosTurn = (ax * bx + ay * by) / (std::hypot(ax, ay) * std::hypot(bx, by));
        return std::sqrt(std::fmax(0.0f, (1.0f + cosTurn) * 0.5f));
    }
};

std::vector<Polyline> testPolylines() {
    std::vector<D3DXVECTOR2> circle, tight;
    for (int i = 0; i <= 20; ++i) tight.push_back({24.0f + 4.0f * float(i), i % 2 ? 60.0f : 68.0f});
    for (int i = 0; i <= 24; ++i) {
        const float t = 2.0f * 3.14159265f * float(i % 24) / 24.0f;
        circle.push_back({64.0f + 30.0f * std::cos(t), 64.0f + 30.0f * std::sin(t)});
    }
    return {
        {"right_angle", {{20, 30}, {100, 30}, {100, 100}}},
        {"zigzag", {{15, 100}, {40, 20}, {65, 100}, {90, 20}, {115, 100}}},
        {"circle", circle},
        {"square", {{24, 24}, {104, 24}, {104, 104}, {24, 104}, {24, 24}}},
        {"sharp_turn", {{10, 64}, {118, 54}, {10, 44}}},  // a mitre past the limit: bevelled
        {"tight_zigzag", tight},  // segments shorter than the width
    };
}

// What one pixel is owed and allowed: lit when it lies well inside a
// segment's width, or well inside a joint's corner as far as even a bevel
// reaches; dark when it lies beyond every segment's width and beyond the
// mitre limit of every joint.
struct PixelRule {
    bool owed = false;
    bool allowed = false;
};

PixelRule ruleAt(const Polyline& polyline, float x, float y, float half) {
    const std::vector<D3DXVECTOR2>& p = polyline.points;
    PixelRule rule;
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        bool across = false;
        const float d = distanceToSegment(x, y, p[i], p[i + 1], &across);
        rule.owed |= across && d < half - 0.75f;
        rule.allowed |= d <= half + 0.75f;
    }
    const bool closed = polyline.closed();
    for (size_t i = closed ? 0 : 1; i + 1 < p.size(); ++i) {
        const float d = std::hypot(x - p[i].x, y - p[i].y);
        rule.owed |= d < polyline.bevelReach(i) * half - 0.75f;
        rule.allowed |= d <= kMiterLimitHalfWidths * half + 0.75f;
    }
    return rule;
}

// At every width from 1 to 16 (the right angle's corner square included): no pixel well inside the line is left out
// (no gap at a joint, however short the segments), and nothing is lit
// beyond the line's edge but mitres within the mitre limit (no spike).
TEST(D3DXLineWidthsGLTest, EveryWidthCoversTheLineWithoutGapsOrSpikes) {
    constexpr int kCanvas = 128;
    D3D9TestDevice device(DeviceOptions{kCanvas, kCanvas, D3DFMT_X8R8G8B8, false});
    ASSERT_TRUE(device.ok());
    ID3DXLine* line = nullptr;
    ASSERT_EQ(D3DXCreateLine(device.device(), &line), D3D_OK);
    for (const Polyline& polyline : testPolylines()) {
        const std::vector<D3DXVECTOR2>& p = polyline.points;
        for (int width = 1; width <= 16; ++width) {
            SCOPED_TRACE(std::string(polyline.name) + " at width " + std::to_string(width));
            device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
            ASSERT_EQ(line->SetWidth(float(width)), D3D_OK);
            ASSERT_EQ(line->Draw(p.data(), DWORD(p.size()), kLineColour), D3D_OK);
            const Image image = device.readBackBuffer();
            if (width == 3 || width == 16)
                D3D9TestDevice::savePng(image, "d3dx_line_" + std::string(polyline.name) + "_" + std::to_string(width));
            const float half = float(width) * 0.5f;
            int gaps = 0, spikes = 0;
            for (int y = 0; y < kCanvas; ++y) {
                for (int x = 0; x < kCanvas; ++x) {
                    const PixelRule rule = ruleAt(polyline, float(x), float(y), half);
                    const bool lit = red(image.at(x, y)) > 128;
                    gaps += rule.owed && !lit;
                    spikes += lit && !rule.allowed;
                }
            }
            EXPECT_EQ(gaps, 0);
            EXPECT_EQ(spikes, 0);
        }
    }
    // Straight parts measure the width exactly: the right angle's arms.
    const std::vector<D3DXVECTOR2> corner = testPolylines()[0].points;
    for (int width = 1; width <= 16; ++width) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        line->SetWidth(float(width));
        line->Draw(corner.data(), DWORD(corner.size()), kLineColour);
        const Image image = device.readBackBuffer();
        int across = 0, down = 0;
        for (int i = 0; i < kCanvas; ++i) {
            across += red(image.at(60, i)) > 128;
            down += red(image.at(i, 70)) > 128;
        }
        EXPECT_EQ(across, width) << "horizontal arm at width " << width;
        EXPECT_EQ(down, width) << "vertical arm at width " << width;
    }
    EXPECT_EQ(line->Release(), 0u);
}

TEST_F(D3DXLineGLTest, ScreenSpaceLinesLieOverTheSceneAndTransformedOnesAreHiddenBehindIt) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    const TLVertex quad[] = {{0, 0, 0.2f, 1, kQuadColour}, {32, 0, 0.2f, 1, kQuadColour},
                             {0, 64, 0.2f, 1, kQuadColour}, {32, 64, 0.2f, 1, kQuadColour}};
    device->SetFVF(kTLFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TLVertex));
    line->SetWidth(4.0f);
    const D3DXVECTOR3 points[] = {{4, 32, 0.5f}, {60, 32, 0.5f}};
    ASSERT_EQ(line->DrawTransform(points, 2, &pixelSpace, kLineColour), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);  // nothing would pass a depth test
    line->SetWidth(3.0f);
    const D3DXVECTOR2 screen[] = {{8, 10}, {56, 10}};
    ASSERT_EQ(line->Draw(screen, 2, kLineColour), D3D_OK);
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "d3dx_line_depth");
    // Behind the quad, in the open, and the screen-space line over the quad.
    EXPECT_TRUE(pixelsNear(image, {{16, 32, kQuadColour}, {48, 32, kLineColour}, {16, 9, kLineColour}}, 2));
    EXPECT_EQ(litAcross(image, 40, true), 3 + 4);
}

TEST_F(D3DXLineGLTest, DeviceStateIsAsTheCallerLeftIt) {
    const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
        {D3DRS_LIGHTING, TRUE}, {D3DRS_CULLMODE, D3DCULL_CCW}, {D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_ZENABLE, D3DZB_TRUE}};
    for (const auto& [state, value] : states) device->SetRenderState(state, value);
    device->SetFVF(kColourFvf);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    device->SetTexture(0, texture);
    const D3DXVECTOR2 points[] = {{8, 8}, {56, 56}};
    ASSERT_EQ(line->Begin(), D3D_OK);
    EXPECT_EQ(line->Begin(), D3DERR_INVALIDCALL);
    ASSERT_EQ(line->Draw(points, 2, kLineColour), D3D_OK);
    ASSERT_EQ(line->End(), D3D_OK);
    EXPECT_EQ(line->End(), D3DERR_INVALIDCALL);
    DWORD value = 0;
    for (const auto& [state, expected] : states) {
        device->GetRenderState(state, &value);
        EXPECT_EQ(value, expected) << "render state " << state;
    }
    device->GetFVF(&value);
    EXPECT_EQ(value, kColourFvf);
    IDirect3DBaseTexture9* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    if (bound) bound->Release();
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(D3DXLineGLTest, AnswersItsDeviceAndRefusesBadArguments) {
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(line->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device.device());
    owner->Release();
    EXPECT_FLOAT_EQ(line->GetWidth(), 1.0f);
    EXPECT_EQ(line->SetWidth(5.0f), D3D_OK);
    EXPECT_EQ(line->SetWidth(0.5f), D3DERR_INVALIDCALL);
    EXPECT_FLOAT_EQ(line->GetWidth(), 5.0f);
    const D3DXVECTOR3 one[] = {{1, 2, 3}};
    EXPECT_EQ(line->DrawTransform(one, 1, nullptr, kLineColour), D3DERR_INVALIDCALL);
    EXPECT_EQ(line->DrawTransform(one, 1, &pixelSpace, kLineColour), D3D_OK);  // nothing to draw
    EXPECT_EQ(line->OnLostDevice(), D3D_OK);
    EXPECT_EQ(line->OnResetDevice(), D3D_OK);
}

}  // namespace
}  // namespace pelmora::test
