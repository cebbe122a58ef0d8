#include "geometry/SurfaceVertices.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

bool zeroBits(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == 0;
}

}  // namespace

void SurfaceVertices::assign(const MeshVertex* vertices, size_t count) {
    const bool textured = std::any_of(vertices, vertices + count, [](const MeshVertex& v) {
        return !zeroBits(v.u) || !zeroBits(v.v);
    });
    stride_ = textured ? VertexPositions::kFullStride : kBareStride;
    floats_.clear();
    floats_.shrink_to_fit();
    if (textured) {
        floats_.resize(count * stride_);
        if (count > 0) std::memcpy(floats_.data(), vertices, count * sizeof(MeshVertex));
        return;
    }
    floats_.reserve(count * stride_);
    for (size_t i = 0; i < count; ++i) {
        const MeshVertex& v = vertices[i];
        floats_.insert(floats_.end(), {v.x, v.y, v.z, v.nx, v.ny, v.nz});
    }
}

MeshVertex SurfaceVertices::operator[](size_t i) const {
    MeshVertex vertex{};
    std::memcpy(&vertex, floats_.data() + i * stride_, stride_ * sizeof(float));
    return vertex;
}

std::vector<MeshVertex> SurfaceVertices::whole() const {
    std::vector<MeshVertex> vertices(size());
    for (size_t i = 0; i < vertices.size(); ++i) vertices[i] = (*this)[i];
    return vertices;
}

}  // namespace pelmora
