// A solid's vertices, kept as three arrays: positions (three floats a
// vertex, dense, for the picks, projections and edges that read nothing
// else), normals (shared among vertices where that pays), and texture
// coordinates only when one of them is not zero. Kernel facets carry none,
// and a quarter of the vertex memory would hold nothing but zeros. Whoever
// hands the vertices out whole, the device buffers included, gives zeros back.
#pragma once

#include "meshops/MeshVertex.h"
#include "meshops/SharedNormals.h"
#include "meshops/VertexPositions.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora {

class SurfaceVertices {
public:
    void assign(const MeshVertex* vertices, size_t count);

    size_t size() const { return positions_.size() / 3; }
    // Whether some texture coordinate is not zero (its bits, so -0 counts).
    bool textured() const { return !textureCoordinates_.empty(); }
    bool sharesNormals() const { return normals_.shared(); }

    VertexPositions positions() const { return VertexPositions(positions_.data(), 3); }
    MeshVertex operator[](size_t i) const;
    std::vector<MeshVertex> whole() const;
    // Every vertex into out, `stride` floats apart (6 or 8): position,
    // normal, and the texture coordinates (zeros where none are kept) when
    // there is room for them.
    void write(float* out, uint32_t stride) const;

private:
    std::vector<float> positions_;
    SharedNormals normals_;
    std::vector<float> textureCoordinates_;
};

}  // namespace pelmora
