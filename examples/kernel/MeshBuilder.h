// Collects vertices and triangles into a FacetMesh. Triangles and quads are
// given counter-clockwise as seen from outside the body.
#pragma once

#include "FacetMesh.h"
#include "KernelMath.h"

namespace samplekernel {

class MeshBuilder {
public:
    int addVertex(Vec3 position, Vec3 normal);
    void addTriangle(int a, int b, int c);
    // Two triangles (a, b, c) and (a, c, d).
    void addQuad(int a, int b, int c, int d);
    // A flat quad over four positions with one normal: four vertices of its own.
    void addFlatQuad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 normal);

    FacetMesh build();

private:
    std::vector<FacetVertex> vertices_;
    std::vector<int> faces_;
};

}  // namespace samplekernel
