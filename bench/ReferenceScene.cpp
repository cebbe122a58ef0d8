#include "ReferenceScene.h"

#include "platform/d3dx/d3dx9math.h"

#include <cmath>
#include <random>

namespace pelmora::bench {
namespace {

constexpr float kPi = 3.14159265358979f;
// Every body is a surface of revolution: a profile of kBands + 1 rows swept
// through kSlices steps, two triangles a step.
constexpr int kBands = 20;
constexpr int kSlices = 25;
static_assert(2 * kBands * kSlices == kTrianglesPerBody);

constexpr int kGridSide = 10;
constexpr float kGridSpacing = 3.0f;
constexpr unsigned kSeed = 20240611;

// One row of a profile in the (radius, height) plane with its normal there.
// Rows run so that the outward normal is the tangent turned a quarter left,
// which makes every triangle counter-clockwise seen from outside.
struct ProfileRow {
    float radius, height;
    float normalRadius, normalHeight;
};
using Profile = std::vector<ProfileRow>;

Profile sphereProfile() {
    Profile rows;
    for (int i = 0; i <= kBands; ++i) {
        const float theta = kPi * float(i) / kBands;  // north pole to south pole
        rows.push_back({std::sin(theta), std::cos(theta), std::sin(theta), std::cos(theta)});
    }
    return rows;
}

Profile torusProfile() {
    constexpr float kMajor = 0.7f, kMinor = 0.3f;
    Profile rows;
    for (int i = 0; i <= kBands; ++i) {
        const float alpha = 2.0f * kPi * float(i) / kBands;
        rows.push_back({kMajor + kMinor * std::cos(alpha), -kMinor * std::sin(alpha), std::cos(alpha),
                        -std::sin(alpha)});
    }
    return rows;
}

// A shaft with chamfered ends: top cap outwards, the side downwards, the
// bottom cap inwards.
Profile shaftProfile() {
    constexpr float kRadius = 0.6f, kHalfLength = 1.0f, kChamfer = 0.1f;
    constexpr int kCapRows = 3;
    constexpr int kSideRows = kBands + 1 - 2 * kCapRows;
    Profile rows;
    for (int i = 0; i < kCapRows; ++i)
        rows.push_back({(kRadius - kChamfer) * float(i) / (kCapRows - 1), kHalfLength, 0.0f, 1.0f});
    for (int i = 0; i < kSideRows; ++i) {
        const float t = float(i) / (kSideRows - 1);
        rows.push_back({kRadius, (kHalfLength - kChamfer) * (1.0f - 2.0f * t), 1.0f, 0.0f});
    }
    for (int i = kCapRows - 1; i >= 0; --i)
        rows.push_back({(kRadius - kChamfer) * float(i) / (kCapRows - 1), -kHalfLength, 0.0f, -1.0f});
    return rows;
}

void sweep(const Profile& profile, Body* body) {
    for (int i = 0; i <= kBands; ++i) {
        const ProfileRow& row = profile[size_t(i)];
        for (int j = 0; j <= kSlices; ++j) {
            const float phi = 2.0f * kPi * float(j) / kSlices;
            const float s = std::sin(phi), c = std::cos(phi);
            body->vertices.push_back({row.radius * s, row.height, row.radius * c, row.normalRadius * s,
                                      row.normalHeight, row.normalRadius * c, float(j) / kSlices,
                                      float(i) / kBands});
        }
    }
    const auto at = [](int row, int slice) { return uint16_t(row * (kSlices + 1) + slice); };
    for (int i = 0; i < kBands; ++i) {
        for (int j = 0; j < kSlices; ++j) {
            body->indices.insert(body->indices.end(), {at(i, j), at(i + 1, j), at(i, j + 1)});
            body->indices.insert(body->indices.end(), {at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
}

D3DMATRIX placement(int index, std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int x = index % kGridSide, y = (index / kGridSide) % kGridSide, z = index / (kGridSide * kGridSide);
    const float centre = 0.5f * (kGridSide - 1);
    D3DXVECTOR3 axis(unit(random) - 0.5f, unit(random) - 0.5f, unit(random) - 0.5f);
    if (D3DXVec3Length(&axis) < 1e-3f) axis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    const float scale = 0.7f + 0.5f * unit(random);
    D3DXMATRIX scaling, rotation, translation, scaled, world;
    D3DXMatrixScaling(&scaling, scale, scale, scale);
    D3DXMatrixRotationAxis(&rotation, &axis, 2.0f * kPi * unit(random));
    D3DXMatrixTranslation(&translation, (float(x) - centre) * kGridSpacing, (float(y) - centre) * kGridSpacing,
                          (float(z) - centre) * kGridSpacing);
    D3DXMatrixMultiply(&scaled, &scaling, &rotation);
    D3DXMatrixMultiply(&world, &scaled, &translation);
    return world;
}

void setCamera(UINT width, UINT height, ReferenceScene* scene) {
    constexpr float kDistance = 62.0f, kNear = 20.0f, kFar = 110.0f, kHalfFov = 0.36f;
    D3DXVECTOR3 direction(1.0f, 0.8f, 1.3f), eye;
    D3DXVec3Normalize(&direction, &direction);
    D3DXVec3Scale(&eye, &direction, kDistance);
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view, projection;
    D3DXMatrixLookAtRH(&view, &eye, &at, &up);
    const float top = kNear * std::tan(kHalfFov), right = top * float(width) / float(height);
    D3DXMatrixPerspectiveOffCenterRH(&projection, -right, right, -top, top, kNear, kFar);
    scene->view = view;
    scene->projection = projection;
}

D3DLIGHT9 keyLight() {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.9f, 0.9f, 0.9f, 1.0f};
    light.Specular = {0.6f, 0.6f, 0.6f, 1.0f};
    light.Ambient = {0.15f, 0.15f, 0.15f, 1.0f};
    light.Direction = {-0.35f, -0.8f, -0.5f};
    return light;
}

D3DMATERIAL9 steel() {
    D3DMATERIAL9 material{};
    material.Diffuse = {0.27f, 0.51f, 0.71f, 1.0f};
    material.Ambient = {0.27f, 0.51f, 0.71f, 1.0f};
    material.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
    material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    material.Power = 24.0f;
    return material;
}

}  // namespace

uint64_t ReferenceScene::triangleCount() const {
    uint64_t count = 0;
    for (const Body& body : bodies) count += body.triangleCount();
    return count;
}

ReferenceScene makeReferenceScene(int bodyCount, UINT width, UINT height) {
    const Profile profiles[] = {sphereProfile(), torusProfile(), shaftProfile()};
    std::mt19937 random(kSeed);
    ReferenceScene scene;
    scene.bodies.resize(size_t(bodyCount));
    for (int i = 0; i < bodyCount; ++i) {
        Body& body = scene.bodies[size_t(i)];
        sweep(profiles[i % 3], &body);
        body.world = placement(i, random);
    }
    setCamera(width, height, &scene);
    scene.light = keyLight();
    scene.material = steel();
    scene.ambient = 0xFF303030;
    scene.background = 0xFFE8ECF0;
    return scene;
}

}  // namespace pelmora::bench
