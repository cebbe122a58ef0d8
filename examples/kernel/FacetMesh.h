// A tessellated body as the kernel hands it out: 32-byte vertices and a
// count-prefixed, 0-terminated triangle list.
#pragma once

#include <pelmora/host.h>

#include <vector>

namespace samplekernel {

struct FacetMesh {
    std::vector<FacetVertex> vertices;
    std::vector<int> faceList{0};
    bool doubleSided = false;

    // Faces in the list, assuming triangles (4 integers each plus the end mark).
    int triangleCount() const { return static_cast<int>(faceList.size() - 1) / 4; }
};

}  // namespace samplekernel
