// Box, cylinder, sphere and torus. Curved surfaces are grids of rings: a ring
// is a closed loop of vertex indices turning counter-clockwise about +z, so
// a band between a lower and an upper ring, and a fan to a pole, come out
// counter-clockwise seen from outside.
#include "MeshBuilder.h"
#include "Shapes.h"

#include <cmath>
#include <vector>

namespace samplekernel {

namespace {

using Ring = std::vector<int>;

constexpr int kFewestRingSegments = 3;
constexpr int kFewestSphereBands = 2;
constexpr double kFullTurn = 360.0;
constexpr double kHalfTurn = 180.0;
// Grid steps on doubly curved surfaces are the angle over this, so that even
// diagonal corners of a facet stay within the angle: on a sphere the
// hypotenuse of a right triangle is never longer than on the plane.
constexpr double kDiagonalSteps = 1.4142135623730951;

// Quads (lower i, lower i+1, upper i+1, upper i) all the way round.
void addBand(MeshBuilder& builder, const Ring& lower, const Ring& upper) {
    const size_t n = lower.size();
    for (size_t i = 0; i < n; ++i) {
        const size_t next = (i + 1) % n;
        builder.addQuad(lower[i], lower[next], upper[next], upper[i]);
    }
}

// Triangles from a pole to a ring; `below` when the pole lies under the ring.
void addFan(MeshBuilder& builder, int pole, const Ring& ring, bool below) {
    const size_t n = ring.size();
    for (size_t i = 0; i < n; ++i) {
        const size_t next = (i + 1) % n;
        if (below)
            builder.addTriangle(pole, ring[next], ring[i]);
        else
            builder.addTriangle(pole, ring[i], ring[next]);
    }
}

// Directions in the xy plane, n steps round from +x.
std::vector<Vec3> circle(int n) {
    std::vector<Vec3> directions(n);
    for (int i = 0; i < n; ++i) {
        const double t = 2.0 * kPi * i / n;
        directions[i] = {std::cos(t), std::sin(t), 0.0};
    }
    return directions;
}

struct BoxFace {
    Vec3 normal;
    int corners[4];  // bit 0: x at max, bit 1: y at max, bit 2: z at max
};

constexpr BoxFace kBoxFaces[] = {
    {{1, 0, 0}, {1, 3, 7, 5}},  {{-1, 0, 0}, {0, 4, 6, 2}}, {{0, 1, 0}, {2, 6, 7, 3}},
    {{0, -1, 0}, {0, 1, 5, 4}}, {{0, 0, 1}, {4, 5, 7, 6}},  {{0, 0, -1}, {0, 2, 3, 1}},
};

Vec3 boxCorner(const Box& box, int bits) {
    return {bits & 1 ? box.max.x : box.min.x, bits & 2 ? box.max.y : box.min.y,
            bits & 4 ? box.max.z : box.min.z};
}

}  // namespace

FacetMesh tessellateBox(const Box& box) {
    MeshBuilder builder;
    for (const BoxFace& face : kBoxFaces)
        builder.addFlatQuad(boxCorner(box, face.corners[0]), boxCorner(box, face.corners[1]),
                            boxCorner(box, face.corners[2]), boxCorner(box, face.corners[3]),
                            face.normal);
    return builder.build();
}

FacetMesh tessellateCylinder(const Cylinder& cylinder, double angle) {
    const std::vector<Vec3> directions =
        circle(segmentCount(kFullTurn, angle, kFewestRingSegments));
    const Vec3 up{0.0, 0.0, 1.0};
    const Vec3 top = cylinder.base + up * cylinder.height;
    MeshBuilder builder;
    Ring sideBottom, sideTop, capBottom, capTop;
    for (const Vec3& d : directions) {
        const Vec3 rim = d * cylinder.radius;
        sideBottom.push_back(builder.addVertex(cylinder.base + rim, d));
        sideTop.push_back(builder.addVertex(top + rim, d));
        capBottom.push_back(builder.addVertex(cylinder.base + rim, -up));
        capTop.push_back(builder.addVertex(top + rim, up));
    }
    addBand(builder, sideBottom, sideTop);
    addFan(builder, builder.addVertex(cylinder.base, -up), capBottom, true);
    addFan(builder, builder.addVertex(top, up), capTop, false);
    return builder.build();
}

FacetMesh tessellateSphere(const Sphere& sphere, double angle) {
    const double step = angle / kDiagonalSteps;
    const std::vector<Vec3> directions = circle(segmentCount(kFullTurn, step, kFewestRingSegments));
    const int bands = segmentCount(kHalfTurn, step, kFewestSphereBands);
    MeshBuilder builder;
    const Vec3 north{0.0, 0.0, 1.0};
    std::vector<Ring> rings;
    for (int j = 1; j < bands; ++j) {
        const double polar = kPi * j / bands;
        Ring ring;
        for (const Vec3& d : directions) {
            const Vec3 normal = d * std::sin(polar) + north * std::cos(polar);
            ring.push_back(builder.addVertex(sphere.center + normal * sphere.radius, normal));
        }
        rings.push_back(std::move(ring));
    }
    addFan(builder, builder.addVertex(sphere.center + north * sphere.radius, north), rings.front(),
           false);
    for (size_t j = 0; j + 1 < rings.size(); ++j) addBand(builder, rings[j + 1], rings[j]);
    addFan(builder, builder.addVertex(sphere.center - north * sphere.radius, -north), rings.back(),
           true);
    return builder.build();
}

// The normal sweeps the sphere's directions, so its steps are the sphere's.
FacetMesh tessellateTorus(const Torus& torus, double angle) {
    const double step = angle / kDiagonalSteps;
    const std::vector<Vec3> around = circle(segmentCount(kFullTurn, step, kFewestRingSegments));
    const int tubeSegments = segmentCount(kFullTurn, step, kFewestRingSegments);
    const Vec3 up{0.0, 0.0, 1.0};
    MeshBuilder builder;
    std::vector<Ring> rings;
    for (int j = 0; j < tubeSegments; ++j) {
        const double t = 2.0 * kPi * j / tubeSegments;
        Ring ring;
        for (const Vec3& d : around) {
            const Vec3 normal = d * std::cos(t) + up * std::sin(t);
            const Vec3 position = torus.center + d * torus.majorRadius + normal * torus.minorRadius;
            ring.push_back(builder.addVertex(position, normal));
        }
        rings.push_back(std::move(ring));
    }
    for (int j = 0; j < tubeSegments; ++j)
        addBand(builder, rings[j], rings[(j + 1) % tubeSegments]);
    return builder.build();
}

}  // namespace samplekernel
