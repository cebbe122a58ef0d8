// A solid's vertices: position and normal, six floats a vertex, and the
// texture coordinates too (eight floats) only when one of them is not zero.
// Kernel facets carry none, and a quarter of the vertex memory would hold
// nothing but zeros. Whoever hands the vertices out whole gives zeros back.
#pragma once

#include "geometry/MeshVertex.h"
#include "geometry/VertexPositions.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora {

class SurfaceVertices {
public:
    static constexpr uint32_t kBareStride = 6;
    // The device vertex formats of the two forms.
    static constexpr DWORD kBareFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

    void assign(const MeshVertex* vertices, size_t count);

    size_t size() const { return stride_ ? floats_.size() / stride_ : 0; }
    bool empty() const { return floats_.empty(); }
    // Whether some texture coordinate is not zero (its bits, so -0 counts).
    bool textured() const { return stride_ == VertexPositions::kFullStride; }
    // Floats a vertex, and the vertex format, as kept.
    uint32_t stride() const { return stride_; }
    DWORD fvf() const { return textured() ? kMeshVertexFvf : kBareFvf; }
    const float* data() const { return floats_.data(); }

    VertexPositions positions() const { return VertexPositions(floats_.data(), stride_); }
    MeshVertex operator[](size_t i) const;
    std::vector<MeshVertex> whole() const;

private:
    std::vector<float> floats_;
    uint32_t stride_ = kBareStride;
};

}  // namespace pelmora
