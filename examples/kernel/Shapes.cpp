#include "Shapes.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace samplekernel {

namespace {

// A whole number of segments that the angle divides exactly is not rounded up
// by the quotient's last bit.
constexpr double kSegmentSlack = 1e-9;

bool positive(double value) { return value > 0.0 && std::isfinite(value); }

bool valid(const Box& box) {
    return box.min.x < box.max.x && box.min.y < box.max.y && box.min.z < box.max.z;
}
bool valid(const Cylinder& cylinder) { return positive(cylinder.radius) && positive(cylinder.height); }
bool valid(const Sphere& sphere) { return positive(sphere.radius); }
bool valid(const Torus& torus) {
    return positive(torus.minorRadius) && torus.minorRadius < torus.majorRadius &&
           std::isfinite(torus.majorRadius);
}
bool valid(const FixedFacets&) { return true; }

bool valid(const Plate& plate) {
    constexpr int kMostCells = 256;
    if (!positive(plate.cellSize) || !positive(plate.thickness)) return false;
    if (plate.columns < 1 || plate.rows < 1 || plate.columns > kMostCells || plate.rows > kMostCells)
        return false;
    std::set<std::pair<int, int>> cells;
    for (const Hole& hole : plate.holes) {
        if (hole.column < 0 || hole.column >= plate.columns || hole.row < 0 || hole.row >= plate.rows)
            return false;
        if (!positive(hole.radius) || hole.radius >= plate.cellSize * 0.5) return false;
        if (!cells.insert({hole.column, hole.row}).second) return false;
    }
    return true;
}

FacetMesh tessellateShape(const Box& box, double) { return tessellateBox(box); }
FacetMesh tessellateShape(const Cylinder& shape, double angle) { return tessellateCylinder(shape, angle); }
FacetMesh tessellateShape(const Sphere& shape, double angle) { return tessellateSphere(shape, angle); }
FacetMesh tessellateShape(const Torus& shape, double angle) { return tessellateTorus(shape, angle); }
FacetMesh tessellateShape(const Plate& shape, double angle) { return tessellatePlate(shape, angle); }
FacetMesh tessellateShape(const FixedFacets& shape, double) { return shape.mesh; }

}  // namespace

double facetAngle(double deviation) {
    if (!(deviation > 0.0) || !std::isfinite(deviation)) return kDefaultFacetAngle;
    return std::max(deviation, kFinestFacetAngle);
}

int segmentCount(double span, double angle, int minimum) {
    const double segments = std::ceil(span / angle - kSegmentSlack);
    return std::max(minimum, static_cast<int>(segments));
}

bool isValid(const Shape& shape) {
    return std::visit([](const auto& s) { return valid(s); }, shape);
}

FacetMesh tessellate(const Shape& shape, double deviation) {
    const double angle = facetAngle(deviation);
    return std::visit([angle](const auto& s) { return tessellateShape(s, angle); }, shape);
}

}  // namespace samplekernel
