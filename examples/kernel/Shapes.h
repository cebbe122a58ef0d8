// The sample kernel's bodies: analytic shapes, tessellated on request, and
// fixed facet sets handed out as given whatever the deviation.
//
// A deviation is read as the largest angle, in degrees, that one facet may
// span on a curved surface: the normals at any two vertices of one facet are
// at most that far apart. Planar faces are exact at every deviation.
#pragma once

#include "FacetMesh.h"
#include "KernelMath.h"

#include <variant>
#include <vector>

namespace samplekernel {

// An axis-aligned box between two corners.
struct Box {
    Vec3 min;
    Vec3 max;
};

// A closed cylinder standing on its base centre, axis along +z.
struct Cylinder {
    Vec3 base;
    double radius = 1.0;
    double height = 1.0;
};

struct Sphere {
    Vec3 center;
    double radius = 1.0;
};

// A ring around the z axis through its centre; the tube (minorRadius) is
// thinner than the ring (majorRadius).
struct Torus {
    Vec3 center;
    double majorRadius = 2.0;
    double minorRadius = 0.5;
};

// A round through-hole centred in one cell of a plate.
struct Hole {
    int column = 0;
    int row = 0;
    double radius = 0.25;
};

// A plate of columns x rows square cells lying on the xy plane from its
// minimum corner; at most one hole per cell, narrower than the cell.
struct Plate {
    Vec3 corner;
    double cellSize = 1.0;
    int columns = 1;
    int rows = 1;
    double thickness = 0.1;
    std::vector<Hole> holes;
};

// Facets given by the caller, handed out unchanged (odd input for tests).
struct FixedFacets {
    FacetMesh mesh;
};

using Shape = std::variant<Box, Cylinder, Sphere, Torus, Plate, FixedFacets>;

// Finer deviations are tessellated at this angle, so a body stays a few
// hundred thousand triangles at most.
constexpr double kFinestFacetAngle = 2.0;
// Taken for a deviation that is not a positive number.
constexpr double kDefaultFacetAngle = 15.0;

// The angle a deviation asks for, after the two rules above.
double facetAngle(double deviation);

// False for sizes that are not positive, a tube as wide as its ring, or plate
// holes outside the plate, doubled in one cell or too wide for it.
bool isValid(const Shape& shape);

// The facets of a valid shape at a deviation.
FacetMesh tessellate(const Shape& shape, double deviation);

// Split out per shape; each takes the facet angle already resolved.
FacetMesh tessellateBox(const Box& box);
FacetMesh tessellateCylinder(const Cylinder& cylinder, double angle);
FacetMesh tessellateSphere(const Sphere& sphere, double angle);
FacetMesh tessellateTorus(const Torus& torus, double angle);
FacetMesh tessellatePlate(const Plate& plate, double angle);

// Segments of at most `angle` degrees that cover `span` degrees, no fewer than minimum.
int segmentCount(double span, double angle, int minimum);

}  // namespace samplekernel
