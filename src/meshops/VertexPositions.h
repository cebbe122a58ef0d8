// The positions of a vertex array whose records begin with x, y, z, a fixed
// number of floats apart: whole mesh vertices, or a solid's positions kept
// on their own.
#pragma once

#include "meshops/MeshVertex.h"
#include "platform/d3dx/d3dx9math.h"

#include <cstddef>
#include <cstdint>

namespace pelmora {

class VertexPositions {
public:
    VertexPositions() = default;
    // Implicit: a full vertex array is the common case.
    VertexPositions(const MeshVertex* vertices)  // NOLINT(google-explicit-constructor)
        : first_(vertices ? &vertices->x : nullptr), stride_(kFullStride) {}
    VertexPositions(const float* first, uint32_t stride) : first_(first), stride_(stride) {}

    static constexpr uint32_t kFullStride = sizeof(MeshVertex) / sizeof(float);

    D3DXVECTOR3 operator[](size_t i) const {
        const float* p = first_ + i * stride_;
        return D3DXVECTOR3(p[0], p[1], p[2]);
    }
    // x, y, z of vertex i.
    const float* at(size_t i) const { return first_ + i * stride_; }
    // Floats from one vertex to the next.
    uint32_t stride() const { return stride_; }

    bool operator==(std::nullptr_t) const { return first_ == nullptr; }
    bool operator!=(std::nullptr_t) const { return first_ != nullptr; }

private:
    const float* first_ = nullptr;
    uint32_t stride_ = kFullStride;
};

}  // namespace pelmora
