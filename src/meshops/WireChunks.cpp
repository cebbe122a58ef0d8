#include "meshops/WireChunks.h"

#include "meshops/LineRuns.h"

#include <algorithm>

namespace pelmora {

namespace {

// Each chunk after the first starts this many points after the one before:
// two points back from its end, so the two share a whole segment.
constexpr size_t kChunkStep = WireChunks::kMostPoints - 2;

}  // namespace

void WireChunks::clear() {
    points_.clear();
    ends_.clear();
}

void WireChunks::build(const SolidGeometry& geometry) {
    clear();
    const uint32_t vertices =
        uint32_t(std::min<size_t>(geometry.vertexCount, geometry.vertices.size()));
    forEachPolyline(geometry.faces.data(), geometry.faces.size(), vertices,
                    [&](const uint32_t* indices, size_t count) { add(geometry, indices, count); });
}

void WireChunks::add(const SolidGeometry& geometry, const uint32_t* indices, size_t count) {
    for (size_t first = 0;; first += kChunkStep) {
        const size_t last = std::min(first + kMostPoints, count);
        for (size_t k = first; k < last; ++k) {
            const MeshVertex& v = geometry.vertices[indices[k]];
            points_.emplace_back(v.x, v.y, v.z);
        }
        ends_.push_back(points_.size());
        if (last == count) return;
    }
}

}  // namespace pelmora
