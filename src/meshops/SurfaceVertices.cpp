#include "meshops/SurfaceVertices.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace pelmora {

namespace {

bool zeroBits(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == 0;
}

// The floats at `offset` in every vertex, `size` of them each, one after another.
std::vector<float> gather(const MeshVertex* vertices, size_t count, size_t offset, size_t size) {
    std::vector<float> values(count * size);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(&values[i * size], reinterpret_cast<const char*>(vertices + i) + offset, size * sizeof(float));
    return values;
}

}  // namespace

void SurfaceVertices::assign(const MeshVertex* vertices, size_t count) {
    const bool textured = std::any_of(vertices, vertices + count, [](const MeshVertex& v) {
        return !zeroBits(v.u) || !zeroBits(v.v);
    });
    positions_ = gather(vertices, count, offsetof(MeshVertex, x), 3);
    normals_.assign(vertices, count);
    textureCoordinates_ = textured ? gather(vertices, count, offsetof(MeshVertex, u), 2) : std::vector<float>();
}

MeshVertex SurfaceVertices::operator[](size_t i) const {
    MeshVertex vertex{};
    std::memcpy(&vertex.x, &positions_[3 * i], 3 * sizeof(float));
    std::memcpy(&vertex.nx, normals_[i], 3 * sizeof(float));
    if (textured()) std::memcpy(&vertex.u, &textureCoordinates_[2 * i], 2 * sizeof(float));
    return vertex;
}

std::vector<MeshVertex> SurfaceVertices::whole() const {
    std::vector<MeshVertex> vertices(size());
    for (size_t i = 0; i < vertices.size(); ++i) vertices[i] = (*this)[i];
    return vertices;
}

void SurfaceVertices::write(float* out, uint32_t stride) const {
    const bool withCoordinates = stride >= VertexPositions::kFullStride;
    for (size_t i = 0; i < size(); ++i, out += stride) {
        std::memcpy(out, &positions_[3 * i], 3 * sizeof(float));
        std::memcpy(out + 3, normals_[i], 3 * sizeof(float));
        if (!withCoordinates) continue;
        if (textured())
            std::memcpy(out + 6, &textureCoordinates_[2 * i], 2 * sizeof(float));
        else
            out[6] = out[7] = 0.0f;
    }
}

}  // namespace pelmora
