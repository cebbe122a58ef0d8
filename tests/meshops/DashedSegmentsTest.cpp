// Dashes laid out on screen: their count and length along a segment, the
// parameter mapping under perspective, and segments reaching behind the eye.
#include "meshops/DashedSegments.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelmora {
namespace {

// Screen x in pixels of a point on a 100-pixel-wide viewport.
float screenX(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    const float x = p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41;
    const float w = p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44;
    return (x / w + 1.0f) * 50.0f;
}

TEST(DashedSegments, DashesAreSixPixelsOnFourOffOnScreenUnderAnyProjection) {
    D3DXMATRIX flat;
    D3DXMatrixIdentity(&flat);
    // w grows with z, so the far half of a receding segment is shorter on screen.
    D3DXMATRIX perspective = flat;
    perspective._34 = 1.0f;
    perspective._44 = 0.0f;
    struct Case {
        const char* name;
        D3DXMATRIX transform;
        D3DXVECTOR3 a, b;
        size_t dashes;
    };
    const Case cases[] = {
        {"100 pixels across", flat, {-1, 0, 0}, {1, 0, 0}, 10},
        {"15 pixels: one dash and a short one", flat, {0, 0, 0}, {0.3f, 0, 0}, 2},
        {"receding", perspective, {-1, 0, 1}, {1, 0, 3}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<D3DXVECTOR3> dashes;
        dashSegments({c.a, c.b}, c.transform, 100, 100, DashPattern{}, &dashes);
        ASSERT_EQ(dashes.size() % 2, 0u);
        if (c.dashes > 0) {
            EXPECT_EQ(dashes.size() / 2, c.dashes);
        }
        const float start = screenX(c.a, c.transform);
        float length = std::fabs(screenX(c.b, c.transform) - start);
        for (size_t i = 0; i + 1 < dashes.size(); i += 2) {
            const float from = std::fabs(screenX(dashes[i], c.transform) - start);
            const float to = std::fabs(screenX(dashes[i + 1], c.transform) - start);
            EXPECT_NEAR(from, 10.0f * float(i / 2), 1e-3f);
            EXPECT_NEAR(to, std::min(from + 6.0f, length), 1e-3f);
        }
    }
}

TEST(DashedSegments, SegmentsBehindTheEyeOrOfNoLengthGiveNoDashes) {
    D3DXMATRIX perspective;
    D3DXMatrixIdentity(&perspective);
    perspective._34 = 1.0f;
    perspective._44 = 0.0f;
    std::vector<D3DXVECTOR3> dashes{{9, 9, 9}};
    dashSegments({{0, 0, -1}, {1, 0, 2}, {0.5f, 0, 1}, {0.5f, 0, 1}}, perspective, 100, 100, DashPattern{},
                 &dashes);
    EXPECT_TRUE(dashes.empty());
}

// A zoom far into an edge makes it project billions of pixels long: only the
// part on screen is dashed, so the work stays that of one viewport width. At
// 1e38 the dash numbers pass any integer (the share on screen is below a
// double's precision there, so nothing need show).
TEST(DashedSegments, OnlyTheVisiblePartOfAnEnormousSegmentIsDashed) {
    D3DXMATRIX flat;
    D3DXMatrixIdentity(&flat);
    for (float far : {1e9f, 1e38f}) {
        std::vector<D3DXVECTOR3> dashes;
        dashSegments({{-far, 0, 0}, {far, 0, 0}, {-far, 5, 0}, {far, 5, 0}}, flat, 100, 100, DashPattern{}, &dashes);
        EXPECT_TRUE(far > 1e30f || !dashes.empty());
        EXPECT_LE(dashes.size(), 2u * 12u) << "about 100 pixels of dashes, 10 pixels a period";
        for (const D3DXVECTOR3& p : dashes) EXPECT_LE(std::fabs(p.x), 1.06f);
    }
}

}  // namespace
}  // namespace pelmora
