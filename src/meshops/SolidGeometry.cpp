#include "meshops/SolidGeometry.h"

#include <algorithm>
#include <atomic>

namespace pelmora {

uint64_t nextGeometryStamp() {
    // Facets are taken in on the facet worker too.
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

VertexPositions positionsOf(const SolidGeometry& geometry) {
    return geometry.compact ? geometry.surface.positions() : VertexPositions(geometry.vertices.data());
}

uint32_t heldVertices(const SolidGeometry& geometry) {
    const size_t held = geometry.compact ? geometry.surface.size() : geometry.vertices.size();
    return uint32_t(std::min<size_t>(geometry.vertexCount, held));
}

std::vector<uint32_t> faceListOf(const SolidGeometry& geometry) {
    if (!geometry.compact || !geometry.faces.empty()) return geometry.faces;
    std::vector<uint32_t> list;
    list.reserve(size_t(kTriangleEntry) * geometry.triangles.size() + 1);
    for (size_t t = 0; t < geometry.triangles.size(); ++t) {
        const std::array<uint32_t, 3> index = geometry.triangles[t];
        list.insert(list.end(), {3u, index[0], index[1], index[2]});
    }
    list.push_back(0);
    return list;
}

const std::vector<uint32_t>& listSolidFaces(SolidGeometry& geometry) {
    if (geometry.compact && geometry.faces.empty()) geometry.faces = faceListOf(geometry);
    return geometry.faces;
}

const std::vector<MeshVertex>& listSolidVertices(SolidGeometry& geometry) {
    if (geometry.compact && geometry.vertices.empty()) geometry.vertices = geometry.surface.whole();
    return geometry.vertices;
}

MeshData meshDataOf(SolidGeometry& geometry) {
    const std::vector<uint32_t>& list = listSolidFaces(geometry);
    return MeshData{positionsOf(geometry), heldVertices(geometry), list.data(), uint32_t(list.size())};
}

}  // namespace pelmora
