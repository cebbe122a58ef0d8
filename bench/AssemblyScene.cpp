#include "AssemblyScene.h"

#include "SampleKernel.h"
#include "platform/d3dx/d3dx9math.h"

#include <cmath>

namespace pelmora::bench {
namespace {

using samplekernel::Box;
using samplekernel::Cylinder;
using samplekernel::Hole;
using samplekernel::Plate;
using samplekernel::Shape;
using samplekernel::Sphere;
using samplekernel::Torus;

constexpr float kCellSize = 1.0f;
// The plane is this much wider than the grid, a thin margin all round.
constexpr double kPlaneMargin = 1.04;
constexpr double kDegrees = 3.14159265358979323846 / 180.0;

// The row colours, cycling: steel blue, brass, signal red, grey, green.
constexpr D3DCOLOR kRowColours[] = {0xFF4682B4, 0xFFC8A040, 0xFFB03030, 0xFF909498, 0xFF3C8C50};
constexpr float kReflectivity = 60.0f;
// Frames turn a host reflectivity r (2.25 to 100) into the specular power
// ((102.25 - r) * 0.2)^2.
constexpr double kPowerBase = 102.25;
constexpr double kPowerScale = 0.2;

// Tilts and turns, so the bodies show their sides to the camera on +z.
constexpr double kTiltBase = 35.0, kTiltStep = 20.0;
constexpr int kTiltKinds = 3;
constexpr int kTurnStep = 47;
constexpr int kFullTurn = 360;

// Plates: 5 x 5 cells of 0.16 with four holes, 0.8 across.
constexpr int kPlateCells = 5;
constexpr double kPlateCell = 0.16, kPlateThickness = 0.08, kHoleRadius = 0.05;

// Five kinds in turn, shifted one place a row; at deviation 16 they come to 960, 2,048, 92, 12 and
// 1,824 triangles, about 1,000 a body on average.
Shape bodyShape(int index) {
    switch (index % 5) {
        case 0:
            return Sphere{{0, 0, 0}, 0.4};
        case 1:
            return Torus{{0, 0, 0}, 0.3, 0.12};
        case 2:
            return Cylinder{{0, 0, -0.35}, 0.3, 0.7};
        case 3:
            return Box{{-0.35, -0.35, -0.35}, {0.35, 0.35, 0.35}};
        default: {
            const double half = kPlateCells * kPlateCell * 0.5;
            return Plate{{-half, -half, -kPlateThickness * 0.5}, kPlateCell, kPlateCells, kPlateCells,
                         kPlateThickness, {Hole{1, 1, kHoleRadius}, Hole{3, 1, kHoleRadius},
                                           Hole{1, 3, kHoleRadius}, Hole{3, 3, kHoleRadius}}};
        }
    }
}

// Turned about z, tilted about x, then moved to its cell, the grid of
// columns x rows centred on the origin with row 0 at the top.
D3DMATRIX placement(int index, int columns, int rows) {
    const int column = index % columns, row = index / columns;
    const float x = (float(column) - float(columns - 1) * 0.5f) * kCellSize;
    const float y = (float(rows - 1) * 0.5f - float(row)) * kCellSize;
    const double tilt = kTiltBase + kTiltStep * (index % kTiltKinds);
    const double turn = (index * kTurnStep) % kFullTurn;
    const D3DVECTOR xAxis{1, 0, 0}, zAxis{0, 0, 1};
    D3DXMATRIX turning, tilting, moving, turned, world;
    D3DXMatrixRotationAxis(&turning, &zAxis, float(turn * kDegrees));
    D3DXMatrixRotationAxis(&tilting, &xAxis, float(tilt * kDegrees));
    D3DXMatrixTranslation(&moving, x, y, 0.0f);
    D3DXMatrixMultiply(&turned, &turning, &tilting);
    D3DXMatrixMultiply(&world, &turned, &moving);
    return world;
}

// Row colours, light, background and a plane with a thin margin round the grid.
void describeGrid(int columns, int rows, AssemblyScene* scene) {
    for (int row = 0; row < rows; ++row) scene->rows.push_back({kRowColours[row % std::size(kRowColours)]});
    scene->reflectivity = kReflectivity;
    const double base = (kPowerBase - kReflectivity) * kPowerScale;
    scene->specularPower = float(base * base);
    const double halfWidth = columns * kCellSize * 0.5 * kPlaneMargin;
    const double halfHeight = rows * kCellSize * 0.5 * kPlaneMargin;
    scene->plane[0] = -halfWidth;
    scene->plane[1] = halfWidth;
    scene->plane[2] = -halfHeight;
    scene->plane[3] = halfHeight;
    scene->background = 0xFFE8ECF0;
    scene->lightColour = 0xFFFFFFFF;
    scene->lightDirection = {-0.4f, -0.6f, -1.0f};
    scene->ambient = 0xFF404040;
}

// A cylinder of the given number of sides, as fixed facets.
Shape smallPart(int segments) {
    const Cylinder pin{{0, 0, -0.35}, 0.3, 0.7};
    // Half a side short of the turn, so rounding never adds a side.
    return samplekernel::FixedFacets{samplekernel::tessellateCylinder(pin, 360.0 / (segments - 0.5))};
}

}  // namespace

AssemblyScene makeAssemblyScene(int bodyCount, samplekernel::SampleKernel& kernel) {
    AssemblyScene scene;
    describeGrid(kAssemblyColumns, kAssemblyRows, &scene);
    for (int i = 0; i < bodyCount && i < kAssemblyColumns * kAssemblyRows; ++i)
        scene.bodies.push_back({kernel.addBody(bodyShape(i + i / kAssemblyColumns)), i / kAssemblyColumns,
                                placement(i, kAssemblyColumns, kAssemblyRows)});
    return scene;
}

AssemblyScene makeSmallPartsScene(int columns, int rows, int segments, samplekernel::SampleKernel& kernel) {
    AssemblyScene scene;
    describeGrid(columns, rows, &scene);
    // One shape for all: the kernel copies it per body, as a kernel holds each part's own tessellation.
    const Shape part = smallPart(segments);
    for (int i = 0; i < columns * rows; ++i)
        scene.bodies.push_back({kernel.addBody(part), i / columns, placement(i, columns, rows)});
    return scene;
}

}  // namespace pelmora::bench
