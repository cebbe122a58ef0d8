// Per-vertex lighting of a sphere under a directional, a point and a spot
// light, against the lighting formulas evaluated on the CPU: each probe pixel
// is the Gouraud interpolation of the CPU-lit corners of the triangle under it.
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

namespace pelmora::test {
namespace {

constexpr UINT kSize = 128;
constexpr int kStacks = 24;
constexpr int kSlices = 48;
constexpr float kPi = 3.14159265f;

using Vec3 = std::array<float, 3>;

Vec3 operator+(Vec3 a, Vec3 b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 operator*(Vec3 a, float s) { return {a[0] * s, a[1] * s, a[2] * s}; }
Vec3 operator*(Vec3 a, Vec3 b) { return {a[0] * b[0], a[1] * b[1], a[2] * b[2]}; }
float dot(Vec3 a, Vec3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 normalize(Vec3 a) { return a * (1.0f / std::sqrt(dot(a, a))); }
Vec3 rgb(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b}; }
Vec3 clamp01(Vec3 a) {
    for (float& v : a) v = std::clamp(v, 0.0f, 1.0f);
    return a;
}

// Camera at the origin looking down +z; the sphere sits 5 units ahead.
constexpr float kViewZ = 5.0f;
constexpr float kOrthoScale = 0.8f;
constexpr float kNear = 1.0f, kFar = 10.0f;

D3DMATRIX viewMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    m._43 = kViewZ;
    return m;
}

D3DMATRIX projectionMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = kOrthoScale;
    m._33 = 1.0f / (kFar - kNear);
    m._43 = -kNear / (kFar - kNear);
    m._44 = 1.0f;
    return m;
}

D3DMATERIAL9 testMaterial() {
    D3DMATERIAL9 material{};
    material.Diffuse = {0.9f, 0.7f, 0.5f, 1.0f};
    material.Ambient = {0.3f, 0.3f, 0.3f, 1.0f};
    material.Specular = {0.6f, 0.6f, 0.6f, 1.0f};
    material.Emissive = {0.05f, 0.0f, 0.0f, 0.0f};
    material.Power = 12.0f;
    return material;
}

constexpr D3DCOLOR kGlobalAmbient = 0xFF202020;
constexpr float kGlobalAmbientLevel = 32.0f / 255.0f;
constexpr Vec3 kGlobalAmbientColour = {kGlobalAmbientLevel, kGlobalAmbientLevel, kGlobalAmbientLevel};

struct Lit {
    Vec3 diffuse;
    Vec3 specular;
};

// The fixed-function lighting of one vertex in camera space (view = translation).
Lit lightVertex(Vec3 position, Vec3 normal, const D3DLIGHT9& light, const D3DMATERIAL9& material) {
    const Vec3 V = position + Vec3{0, 0, kViewZ};
    const Vec3 N = normalize(normal);
    const Vec3 Lp = Vec3{light.Position.x, light.Position.y, light.Position.z} + Vec3{0, 0, kViewZ};
    const Vec3 direction = normalize({light.Direction.x, light.Direction.y, light.Direction.z});
    Vec3 L;
    float atten = 1.0f;
    if (light.Type == D3DLIGHT_DIRECTIONAL) {
        L = direction * -1.0f;
    } else {
        const Vec3 D = Lp - V;
        const float dist = std::sqrt(dot(D, D));
        if (dist > light.Range)  // out of range: not even the light's ambient
            return {clamp01(rgb(material.Ambient) * kGlobalAmbientColour + rgb(material.Emissive)), {0, 0, 0}};
        L = D * (1.0f / dist);
        atten = 1.0f / (light.Attenuation0 + light.Attenuation1 * dist + light.Attenuation2 * dist * dist);
        if (light.Type == D3DLIGHT_SPOT) {
            const float rho = dot(normalize(V - Lp), direction);
            const float ct = std::cos(light.Theta / 2), cp = std::cos(light.Phi / 2);
            atten *= rho > ct ? 1.0f : rho <= cp ? 0.0f : std::pow((rho - cp) / (ct - cp), light.Falloff);
        }
    }
    const float NdotL = dot(N, L);
    const Vec3 H = normalize(L - normalize(V));
    const float NdotH = dot(N, H);
    const Vec3 ambient = rgb(light.Ambient) * atten;
    const Vec3 diffuse = rgb(light.Diffuse) * (std::clamp(NdotL, 0.0f, 1.0f) * atten);
    Vec3 specular = {0, 0, 0};
    if (NdotL > 0 && NdotH > 0) specular = rgb(light.Specular) * (std::pow(NdotH, material.Power) * atten);
    return {clamp01(rgb(material.Ambient) * (kGlobalAmbientColour + ambient) + rgb(material.Diffuse) * diffuse +
                    rgb(material.Emissive)),
            clamp01(rgb(material.Specular) * specular)};
}

struct Sphere {
    std::vector<NormalVertex> vertices;
    std::vector<uint16_t> indices;
};

Sphere makeSphere() {
    Sphere sphere;
    for (int stack = 0; stack <= kStacks; ++stack) {
        const float phi = kPi * float(stack) / kStacks;
        for (int slice = 0; slice <= kSlices; ++slice) {
            const float theta = 2 * kPi * float(slice) / kSlices;
            const float x = std::sin(phi) * std::cos(theta), y = std::cos(phi), z = std::sin(phi) * std::sin(theta);
            sphere.vertices.push_back({x, y, z, x, y, z, 0, 0});
        }
    }
    for (int stack = 0; stack < kStacks; ++stack)
        for (int slice = 0; slice < kSlices; ++slice) {
            const uint16_t a = uint16_t(stack * (kSlices + 1) + slice), b = uint16_t(a + kSlices + 1);
            sphere.indices.insert(sphere.indices.end(), {a, b, uint16_t(a + 1), uint16_t(a + 1), b, uint16_t(b + 1)});
        }
    return sphere;
}

struct ScreenVertex {
    float x, y, z;
};

ScreenVertex toScreen(const NormalVertex& v) {
    const float ndcX = v.x * kOrthoScale, ndcY = v.y * kOrthoScale;
    const float depth = (v.z + kViewZ - kNear) / (kFar - kNear);
    return {(1 + ndcX) * kSize / 2, (1 - ndcY) * kSize / 2, depth};
}

// The CPU's colour of a pixel centre: the nearest triangle under it, its
// corners lit on the CPU and interpolated.
std::optional<uint32_t> expectedPixel(const Sphere& sphere, const D3DLIGHT9& light, int px, int py) {
    const D3DMATERIAL9 material = testMaterial();
    float bestDepth = 2.0f;
    std::optional<uint32_t> best;
    for (size_t t = 0; t < sphere.indices.size(); t += 3) {
        const NormalVertex* corner[3];
        ScreenVertex s[3];
        for (int i = 0; i < 3; ++i) {
            corner[i] = &sphere.vertices[sphere.indices[t + i]];
            s[i] = toScreen(*corner[i]);
        }
        const float area = (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
        if (std::fabs(area) < 1e-6f) continue;
        const float w1 = ((px - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (py - s[0].y)) / area;
        const float w2 = ((s[1].x - s[0].x) * (py - s[0].y) - (px - s[0].x) * (s[1].y - s[0].y)) / area;
        const float w0 = 1 - w1 - w2;
        if (w0 < 0 || w1 < 0 || w2 < 0) continue;
        const float depth = w0 * s[0].z + w1 * s[1].z + w2 * s[2].z;
        if (depth >= bestDepth) continue;
        bestDepth = depth;
        Vec3 diffuse{0, 0, 0}, specular{0, 0, 0};
        const float weights[3] = {w0, w1, w2};
        for (int i = 0; i < 3; ++i) {
            const Vec3 position = {corner[i]->x, corner[i]->y, corner[i]->z};
            const Lit lit = lightVertex(position, {corner[i]->nx, corner[i]->ny, corner[i]->nz}, light, material);
            diffuse = diffuse + lit.diffuse * weights[i];
            specular = specular + lit.specular * weights[i];
        }
        const Vec3 colour = clamp01(diffuse + specular);
        best = 0xFF000000u | (uint32_t(std::lround(colour[0] * 255)) << 16) |
               (uint32_t(std::lround(colour[1] * 255)) << 8) | uint32_t(std::lround(colour[2] * 255));
    }
    return best;
}

class LightingGLTest : public ::testing::Test {
protected:
    LightingGLTest() : device(DeviceOptions{kSize, kSize, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8}) {}

    void SetUp() override {
        ASSERT_TRUE(device.ok());
        const D3DMATRIX view = viewMatrix(), projection = projectionMatrix();
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        const D3DMATERIAL9 material = testMaterial();
        device->SetMaterial(&material);
        device->SetRenderState(D3DRS_AMBIENT, kGlobalAmbient);
        device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        uploadSphere();
    }

    void TearDown() override {
        if (vertexBuffer) vertexBuffer->Release();
        if (indexBuffer) indexBuffer->Release();
    }

    void uploadSphere() {
        const UINT vertexBytes = UINT(sphere.vertices.size() * sizeof(NormalVertex));
        const UINT indexBytes = UINT(sphere.indices.size() * sizeof(uint16_t));
        ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, kNormalFvf,
                                                     D3DPOOL_MANAGED, &vertexBuffer, nullptr));
        ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                                    D3DPOOL_MANAGED, &indexBuffer, nullptr));
        void* data = nullptr;
        ASSERT_EQ(D3D_OK, vertexBuffer->Lock(0, 0, &data, 0));
        std::memcpy(data, sphere.vertices.data(), vertexBytes);
        vertexBuffer->Unlock();
        ASSERT_EQ(D3D_OK, indexBuffer->Lock(0, 0, &data, 0));
        std::memcpy(data, sphere.indices.data(), indexBytes);
        indexBuffer->Unlock();
    }

    void drawAndCompare(const D3DLIGHT9& light, const char* name) {
        ASSERT_EQ(D3D_OK, device->SetLight(3, &light));
        ASSERT_EQ(D3D_OK, device->LightEnable(3, TRUE));
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->SetFVF(kNormalFvf);
        device->SetStreamSource(0, vertexBuffer, 0, sizeof(NormalVertex));
        device->SetIndices(indexBuffer);
        ASSERT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, UINT(sphere.vertices.size()), 0,
                                                       UINT(sphere.indices.size() / 3)));
        const Image image = device.readBackBuffer();
        D3D9TestDevice::savePng(image, name);
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

    D3D9TestDevice device;
    Sphere sphere = makeSphere();
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
};

TEST_F(LightingGLTest, DirectionalLight) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Ambient = {0.1f, 0.1f, 0.1f, 1.0f};
    light.Direction = {1.0f, -1.0f, 2.0f};
    drawAndCompare(light, "light_directional");
}

TEST_F(LightingGLTest, PointLightWithAttenuationAndRange) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {1.0f, 0.9f, 0.8f, 1.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Ambient = {0.2f, 0.2f, 0.2f, 1.0f};
    light.Position = {-1.5f, 1.5f, -2.0f};
    light.Range = 3.6f;  // the far side of the sphere lies outside the range
    light.Attenuation0 = 0.5f;
    light.Attenuation1 = 0.2f;
    light.Attenuation2 = 0.05f;
    drawAndCompare(light, "light_point");
}

TEST_F(LightingGLTest, SpotLightCone) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_SPOT;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
    light.Position = {0.2f, 0.1f, -3.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    light.Range = 10.0f;
    light.Falloff = 1.0f;
    light.Attenuation0 = 1.0f;
    light.Theta = 0.3f;
    light.Phi = 0.6f;
    drawAndCompare(light, "light_spot");
}

TEST_F(LightingGLTest, UnlitFormatUnderLightingComesOutBlackWithItsAlpha) {
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    const D3DMATERIAL9 none{};
    device->SetMaterial(&none);
    device->SetRenderState(D3DRS_AMBIENT, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);
    const ColourVertex triangle[] = {{-1, 1, 0, 0xFF00FF00}, {1, 1, 0, 0xFF00FF00}, {-1, -1, 0, 0xFF00FF00}};
    device->SetFVF(kColourFvf);
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ColourVertex)));
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 30, 30, 0xFF000000, 0);
}

}  // namespace
}  // namespace pelmora::test
