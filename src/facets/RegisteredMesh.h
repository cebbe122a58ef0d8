// What the mesh provider needs of a mesh listed with it: a look at the mesh's
// current geometry, and a way to make the mesh fetch geometry when it has none.
// Host-backed meshes implement it; the provider never owns one.
#pragma once

#include <pelmora/host.h>

namespace pelmora {

// A mesh's current geometry as the host reads it back. Points into the mesh's
// own arrays; valid until the mesh next changes geometry.
struct FacetView {
    const FacetVertex* vertices = nullptr;
    int vertexCount = 0;
    // Count-prefixed, 0-terminated; 4 x faces + 1 integers for a solid mesh,
    // 0 when the mesh has no faces.
    const int* faceList = nullptr;
    int faceListLength = 0;
    bool doubleSided = false;
};

class RegisteredMesh {
public:
    // False until the mesh has fetched (or been given) a geometry.
    virtual bool hasGeometry() const = 0;
    // Brings in geometry as a refresh without a viewport would: at the
    // mesh's current deviation, not forced.
    virtual void refineWithoutViewport() = 0;
    virtual FacetView facetView() const = 0;

protected:
    ~RegisteredMesh() = default;
};

}  // namespace pelmora
