// Closed solids as newSolidMesh takes them, front faces counter-clockwise
// seen from outside: a cube with a vertex per face corner (flat normals) and
// a cylinder along z whose side shares its vertices (smooth normals).
#pragma once

#include "support/MeshTestSupport.h"

#include <cmath>
#include <vector>

namespace pelmora::test {

struct ShapeArrays {
    std::vector<float> vertices, normals;
    std::vector<int> faces;

    int addVertex(float x, float y, float z, float nx, float ny, float nz) {
        vertices.insert(vertices.end(), {x, y, z});
        normals.insert(normals.end(), {nx, ny, nz});
        return int(vertices.size() / 3) - 1;
    }
};

inline ShapeArrays cubeArrays(float half) {
    // Per side: its normal n and two axes u, v with u x v = n.
    static const float sides[6][3][3] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}};
    static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    ShapeArrays shape;
    for (const auto& side : sides) {
        const auto& [n, u, v] = side;
        int first = -1;
        for (const auto& c : corners) {
            float p[3];
            for (int k = 0; k < 3; ++k) p[k] = half * (n[k] + c[0] * u[k] + c[1] * v[k]);
            const int index = shape.addVertex(p[0], p[1], p[2], n[0], n[1], n[2]);
            if (first < 0) first = index;
        }
        addArrayTriangle(shape.faces, first, first + 1, first + 2);
        addArrayTriangle(shape.faces, first, first + 2, first + 3);
    }
    shape.faces.push_back(0);
    return shape;
}

inline ShapeArrays cylinderArrays(float radius, float halfHeight, int sides) {
    ShapeArrays shape;
    const double step = 2.0 * 3.14159265358979323846 / sides;
    auto ring = [&](float z, bool smooth, float capNormal) {
        const int first = int(shape.vertices.size() / 3);
        for (int i = 0; i < sides; ++i) {
            const float c = float(std::cos(i * step)), s = float(std::sin(i * step));
            if (smooth) shape.addVertex(radius * c, radius * s, z, c, s, 0);
            else shape.addVertex(radius * c, radius * s, z, 0, 0, capNormal);
        }
        return first;
    };
    const int bottom = ring(-halfHeight, true, 0), top = ring(halfHeight, true, 0);
    for (int i = 0; i < sides; ++i) {
        const int j = (i + 1) % sides;
        addArrayTriangle(shape.faces, bottom + i, bottom + j, top + j);
        addArrayTriangle(shape.faces, bottom + i, top + j, top + i);
    }
    for (const float z : {halfHeight, -halfHeight}) {
        const float nz = z > 0 ? 1.0f : -1.0f;
        const int rim = ring(z, false, nz);
        const int centre = shape.addVertex(0, 0, z, 0, 0, nz);
        for (int i = 0; i < sides; ++i) {
            const int j = (i + 1) % sides;
            if (nz > 0) addArrayTriangle(shape.faces, centre, rim + i, rim + j);
            else addArrayTriangle(shape.faces, centre, rim + j, rim + i);
        }
    }
    shape.faces.push_back(0);
    return shape;
}

}  // namespace pelmora::test
