#include "LineScene.h"

#include "platform/d3dx/d3dx9math.h"

#include <cmath>

namespace pelmora::bench {
namespace {

constexpr double kPi = 3.14159265358979323846;
// World units of the grid: 64 x 36 is the view's 16:9, so the plane is
// exactly the grid and a cell is 1.28 x 0.9 units (38.4 x 27 pixels).
constexpr double kPlaneWidth = 64.0, kPlaneHeight = 36.0;
constexpr int kOutlineSegments = 20, kCircleSegments = 20, kZigzagSegments = 10;
constexpr float kOutlineX = 0.5f, kOutlineY = 0.36f, kCircleRadius = 0.18f;
constexpr float kZigzagHalfWidth = 0.4f, kZigzagAmplitude = 0.08f;
constexpr int kTurnStepDegrees = 23;
constexpr D3DCOLOR kRowColours[] = {0xFF1E1E1E, 0xFF2050C0, 0xFFC03020, 0xFF208040, 0xFF806020};
constexpr D3DCOLOR kBackground = 0xFFF0F0F0;

// A closed polyline of n segments round an ellipse: n + 1 indices, the
// first repeated at the end.
void addLoop(LineScene& scene, int segments, float rx, float ry) {
    const int first = int(scene.vertices.size() / 3);
    scene.lines.push_back(segments + 1);
    for (int i = 0; i < segments; ++i) {
        const double t = 2.0 * kPi * i / segments;
        scene.vertices.insert(scene.vertices.end(), {float(rx * std::cos(t)), float(ry * std::sin(t)), 0.0f});
        scene.lines.push_back(first + i);
    }
    scene.lines.push_back(first);
}

void addZigzag(LineScene& scene) {
    const int first = int(scene.vertices.size() / 3);
    scene.lines.push_back(kZigzagSegments + 1);
    for (int i = 0; i <= kZigzagSegments; ++i) {
        const float x = -kZigzagHalfWidth + 2.0f * kZigzagHalfWidth * float(i) / kZigzagSegments;
        scene.vertices.insert(scene.vertices.end(), {x, i % 2 ? kZigzagAmplitude : -kZigzagAmplitude, 0.0f});
        scene.lines.push_back(first + i);
    }
}

}  // namespace

int LineScene::segmentsPerMesh() const { return int(segmentPairs().size() / 2); }

std::vector<int> LineScene::segmentPairs() const {
    std::vector<int> pairs;
    for (size_t i = 0; i < lines.size() && lines[i] > 0; i += size_t(lines[i]) + 1)
        for (int k = 1; k < lines[i]; ++k) {
            pairs.push_back(lines[i + size_t(k)]);
            pairs.push_back(lines[i + size_t(k) + 1]);
        }
    return pairs;
}

LineScene makeLineScene(int meshCount) {
    LineScene scene;
    addLoop(scene, kOutlineSegments, kOutlineX, kOutlineY);
    addLoop(scene, kCircleSegments, kCircleRadius, kCircleRadius);
    addZigzag(scene);
    scene.lines.push_back(0);
    const double cellWidth = kPlaneWidth / kLineColumns, cellHeight = kPlaneHeight / kLineRows;
    for (int i = 0; i < meshCount; ++i) {
        const int row = i / kLineColumns, column = i % kLineColumns;
        D3DXMATRIX turn, move, world;
        const D3DVECTOR z{0.0f, 0.0f, 1.0f};
        D3DXMatrixRotationAxis(&turn, &z, float((i * kTurnStepDegrees % 360) * kPi / 180.0));
        D3DXMatrixTranslation(&move, float((column + 0.5) * cellWidth), float(kPlaneHeight - (row + 0.5) * cellHeight),
                              0.0f);
        D3DXMatrixMultiply(&world, &turn, &move);
        scene.meshes.push_back({row, world});
    }
    for (int row = 0; row < kLineRows; ++row)
        scene.rowColours.push_back(kRowColours[row % (sizeof kRowColours / sizeof kRowColours[0])]);
    scene.plane[0] = 0.0;
    scene.plane[1] = kPlaneWidth;
    scene.plane[2] = 0.0;
    scene.plane[3] = kPlaneHeight;
    scene.background = kBackground;
    return scene;
}

}  // namespace pelmora::bench
