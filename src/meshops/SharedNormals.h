// A solid's vertex normals. The vertices of a flat face all carry the face's
// normal, so each distinct normal (to the bit) is kept once and every vertex
// names its own with two bytes, whenever that takes less room than a normal
// a vertex.
#pragma once

#include "meshops/MeshVertex.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora {

class SharedNormals {
public:
    void assign(const MeshVertex* vertices, size_t count);

    // The normal of vertex i, three floats.
    const float* operator[](size_t i) const { return &normals_[3 * (shared() ? size_t(names_[i]) : i)]; }
    bool shared() const { return !names_.empty(); }

private:
    // Names the distinct normals; false, leaving nothing kept, when sharing
    // does not pay.
    bool share(const MeshVertex* vertices, size_t count);

    // The distinct normals when shared, else every vertex's.
    std::vector<float> normals_;
    std::vector<uint16_t> names_;
};

}  // namespace pelmora
