// Per-vertex lighting of a sphere under a directional, a point and a spot
// light, against the lighting formulas evaluated on the CPU: each probe pixel
// is the Gouraud interpolation of the CPU-lit corners of the triangle under it.
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace pelmora::test {
namespace {

constexpr UINT kSize = 128;
constexpr int kStacks = 24, kSlices = 48;
constexpr float kPi = 3.14159265f;
// Camera at the origin looking down +z; the sphere sits 5 units ahead.
constexpr float kViewZ = 5.0f, kOrthoScale = 0.8f, kNear = 1.0f, kFar = 10.0f;
constexpr D3DCOLOR kGlobalAmbient = 0xFF202020;

using Vec3 = std::array<float, 3>;

Vec3 operator+(Vec3 a, Vec3 b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 operator*(Vec3 a, float s) { return {a[0] * s, a[1] * s, a[2] * s}; }
Vec3 operator*(Vec3 a, Vec3 b) { return {a[0] * b[0], a[1] * b[1], a[2] * b[2]}; }
float dot(Vec3 a, Vec3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 normalize(Vec3 a) { return a * (1.0f / std::sqrt(dot(a, a))); }
Vec3 rgb(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b}; }
Vec3 vec(const D3DVECTOR& v) { return {v.x, v.y, v.z}; }
Vec3 clamp01(Vec3 a) {
    for (float& v : a) v = std::clamp(v, 0.0f, 1.0f);
    return a;
}

const D3DMATERIAL9 kMaterial = {{0.9f, 0.7f, 0.5f, 1}, {0.3f, 0.3f, 0.3f, 1}, {0.6f, 0.6f, 0.6f, 1}, {0.05f, 0, 0, 0}, 12};
const Vec3 kGlobalAmbientColour = Vec3{1, 1, 1} * (32.0f / 255.0f);

// The fixed-function lighting of one vertex (diffuse plus specular) in
// camera space, where the view is a translation.
Vec3 lightVertex(Vec3 position, Vec3 normal, const D3DLIGHT9& light) {
    const D3DMATERIAL9& m = kMaterial;
    const Vec3 V = position + Vec3{0, 0, kViewZ}, N = normalize(normal);
    const Vec3 Lp = vec(light.Position) + Vec3{0, 0, kViewZ}, direction = normalize(vec(light.Direction));
    Vec3 L = direction * -1.0f;
    float atten = 1.0f;
    if (light.Type != D3DLIGHT_DIRECTIONAL) {
        const Vec3 D = Lp - V;
        const float dist = std::sqrt(dot(D, D));
        if (dist > light.Range)  // out of range: not even the light's ambient
            return clamp01(rgb(m.Ambient) * kGlobalAmbientColour + rgb(m.Emissive));
        L = D * (1.0f / dist);
        atten = 1.0f / (light.Attenuation0 + light.Attenuation1 * dist + light.Attenuation2 * dist * dist);
        if (light.Type == D3DLIGHT_SPOT) {
            const float rho = dot(normalize(V - Lp), direction);
            const float ct = std::cos(light.Theta / 2), cp = std::cos(light.Phi / 2);
            atten *= rho > ct ? 1.0f : rho <= cp ? 0.0f : std::pow((rho - cp) / (ct - cp), light.Falloff);
        }
    }
    const float NdotL = dot(N, L), NdotH = dot(N, normalize(L - normalize(V)));
    const Vec3 diffuse = rgb(light.Diffuse) * (std::clamp(NdotL, 0.0f, 1.0f) * atten);
    Vec3 specular = {0, 0, 0};
    if (NdotL > 0 && NdotH > 0) specular = rgb(light.Specular) * (std::pow(NdotH, m.Power) * atten);
    return clamp01(rgb(m.Ambient) * (kGlobalAmbientColour + rgb(light.Ambient) * atten) + rgb(m.Diffuse) * diffuse +
                   rgb(m.Emissive)) +
           clamp01(rgb(m.Specular) * specular);
}

struct Sphere {
    std::vector<NormalVertex> vertices;
    std::vector<uint16_t> indices;
};

Sphere makeSphere() {
    Sphere sphere;
    for (int stack = 0; stack <= kStacks; ++stack)
        for (int slice = 0; slice <= kSlices; ++slice) {
            const float phi = kPi * float(stack) / kStacks, theta = 2 * kPi * float(slice) / kSlices;
            const float x = std::sin(phi) * std::cos(theta), y = std::cos(phi), z = std::sin(phi) * std::sin(theta);
            sphere.vertices.push_back({x, y, z, x, y, z, 0, 0});
        }
    for (int stack = 0; stack < kStacks; ++stack)
        for (int slice = 0; slice < kSlices; ++slice) {
            const uint16_t a = uint16_t(stack * (kSlices + 1) + slice), b = uint16_t(a + kSlices + 1);
            sphere.indices.insert(sphere.indices.end(), {a, b, uint16_t(a + 1), uint16_t(a + 1), b, uint16_t(b + 1)});
        }
    return sphere;
}

// The CPU's colour of a pixel centre: the nearest triangle under it, its
// corners lit on the CPU and interpolated.
std::optional<uint32_t> expectedPixel(const Sphere& sphere, const D3DLIGHT9& light, int px, int py) {
    float bestDepth = 2.0f;
    std::optional<uint32_t> best;
    for (size_t t = 0; t < sphere.indices.size(); t += 3) {
        const NormalVertex* corner[3];
        Vec3 s[3];  // screen x, y and depth
        for (int i = 0; i < 3; ++i) {
            const NormalVertex& v = *(corner[i] = &sphere.vertices[sphere.indices[t + i]]);
            s[i] = {(1 + v.x * kOrthoScale) * kSize / 2, (1 - v.y * kOrthoScale) * kSize / 2,
                    (v.z + kViewZ - kNear) / (kFar - kNear)};
        }
        const float area = (s[1][0] - s[0][0]) * (s[2][1] - s[0][1]) - (s[2][0] - s[0][0]) * (s[1][1] - s[0][1]);
        if (std::fabs(area) < 1e-6f) continue;
        const float w1 = ((px - s[0][0]) * (s[2][1] - s[0][1]) - (s[2][0] - s[0][0]) * (py - s[0][1])) / area;
        const float w2 = ((s[1][0] - s[0][0]) * (py - s[0][1]) - (px - s[0][0]) * (s[1][1] - s[0][1])) / area;
        const float weights[3] = {1 - w1 - w2, w1, w2};
        if (weights[0] < 0 || w1 < 0 || w2 < 0) continue;
        const float depth = weights[0] * s[0][2] + w1 * s[1][2] + w2 * s[2][2];
        if (depth >= bestDepth) continue;
        bestDepth = depth;
        Vec3 colour{0, 0, 0};
        for (int i = 0; i < 3; ++i)
            colour = colour + lightVertex({corner[i]->x, corner[i]->y, corner[i]->z},
                                          {corner[i]->nx, corner[i]->ny, corner[i]->nz}, light) * weights[i];
        colour = clamp01(colour);
        best = 0xFF000000u | (uint32_t(std::lround(colour[0] * 255)) << 16) |
               (uint32_t(std::lround(colour[1] * 255)) << 8) | uint32_t(std::lround(colour[2] * 255));
    }
    return best;
}

struct LightCase {
    const char* name;
    D3DLIGHT9 light;
};

class LightingGLTest : public ::testing::TestWithParam<LightCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        D3DMATRIX view{}, projection{};
        view._11 = view._22 = view._33 = view._44 = 1.0f;
        view._43 = kViewZ;
        projection._11 = projection._22 = kOrthoScale;
        projection._33 = 1.0f / (kFar - kNear);
        projection._43 = -kNear / (kFar - kNear);
        projection._44 = 1.0f;
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetMaterial(&kMaterial);
        device->SetRenderState(D3DRS_AMBIENT, kGlobalAmbient);
        device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }

    D3D9TestDevice device{DeviceOptions{kSize, kSize, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8}};
};

TEST_P(LightingGLTest, SphereMatchesTheFormulasAtEveryProbe) {
    const Sphere sphere = makeSphere();
    const D3DLIGHT9& light = GetParam().light;
    IDirect3DVertexBuffer9* vertices = device.vertexBuffer(
        sphere.vertices.data(), UINT(sphere.vertices.size() * sizeof(NormalVertex)), kNormalFvf, D3DPOOL_MANAGED);
    IDirect3DIndexBuffer9* indices = device.indexBuffer(
        sphere.indices.data(), UINT(sphere.indices.size() * sizeof(uint16_t)), D3DFMT_INDEX16, D3DPOOL_MANAGED);
    ASSERT_TRUE(vertices && indices);
    ASSERT_EQ(D3D_OK, device->SetLight(3, &light));
    ASSERT_EQ(D3D_OK, device->LightEnable(3, TRUE));
    device->SetFVF(kNormalFvf);
    device->SetStreamSource(0, vertices, 0, sizeof(NormalVertex));
    device->SetIndices(indices);
    ASSERT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, UINT(sphere.vertices.size()), 0,
                                                   UINT(sphere.indices.size() / 3)));
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    vertices->Release();
    indices->Release();
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, GetParam().name);
    int probes = 0;
    for (int dy = -40; dy <= 40; dy += 10)
        for (int dx = -40; dx <= 40; dx += 10) {
            if (dx * dx + dy * dy > 45 * 45) continue;
            const int x = int(kSize) / 2 + dx, y = int(kSize) / 2 + dy;
            const auto expected = expectedPixel(sphere, light, x, y);
            ASSERT_TRUE(expected.has_value());
            EXPECT_PIXEL_NEAR(image, x, y, *expected, 3);
            ++probes;
        }
    EXPECT_GT(probes, 40);
    EXPECT_PIXEL_NEAR(image, 2, 2, 0xFF000000, 0);
}

// Type, diffuse, specular, ambient, position, direction, range, falloff,
// attenuation 0, 1 and 2, theta, phi.
INSTANTIATE_TEST_SUITE_P(
    Lights, LightingGLTest,
    ::testing::Values(LightCase{"light_directional", {D3DLIGHT_DIRECTIONAL, {1, 1, 1, 1}, {1, 1, 1, 1},
                                                      {0.1f, 0.1f, 0.1f, 1}, {}, {1, -1, 2}, 0, 0, 0, 0, 0, 0, 0}},
                      // The far side of the sphere lies outside the range.
                      LightCase{"light_point", {D3DLIGHT_POINT, {1, 0.9f, 0.8f, 1}, {1, 1, 1, 1}, {0.2f, 0.2f, 0.2f, 1},
                                                {-1.5f, 1.5f, -2}, {}, 3.6f, 0, 0.5f, 0.2f, 0.05f, 0, 0}},
                      LightCase{"light_spot", {D3DLIGHT_SPOT, {1, 1, 1, 1}, {0.5f, 0.5f, 0.5f, 1}, {}, {0.2f, 0.1f, -3},
                                               {0, 0, 1}, 10, 1, 1, 0, 0, 0.3f, 0.6f}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnlitFormatGLTest, UnlitFormatUnderLightingComesOutBlack) {
    D3D9TestDevice device;
    ASSERT_TRUE(device.ok());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    const ColourVertex triangle[] = {{-1, 1, 0, 0xFF00FF00}, {1, 1, 0, 0xFF00FF00}, {-1, -1, 0, 0xFF00FF00}};
    device->SetFVF(kColourFvf);
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ColourVertex)));
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 20, 20, 0xFF000000, 0);
}

}  // namespace
}  // namespace pelmora::test
