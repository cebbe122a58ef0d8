// The polylines of a wire mesh as the line drawer takes them: positions in
// chunks of at most 512 points, consecutive chunks of one polyline
// overlapping by one segment, so the joint at either end of that segment is
// drawn whole by one of them and a long bent polyline shows no notch where
// it was cut.
#pragma once

#include "meshops/SolidGeometry.h"
#include "platform/d3dx/d3dx9math.h"

#include <cstddef>
#include <vector>

namespace pelmora {

class WireChunks {
public:
    static constexpr size_t kMostPoints = 512;

    // Replaces the chunks with those of the geometry's polylines.
    void build(const SolidGeometry& geometry);
    void clear();

    bool empty() const { return ends_.empty(); }
    size_t count() const { return ends_.size(); }
    const D3DXVECTOR3* points(size_t chunk) const { return points_.data() + begin(chunk); }
    size_t length(size_t chunk) const { return ends_[chunk] - begin(chunk); }

private:
    size_t begin(size_t chunk) const { return chunk == 0 ? 0 : ends_[chunk - 1]; }
    void add(const SolidGeometry& geometry, const uint32_t* indices, size_t count);

    std::vector<D3DXVECTOR3> points_;
    std::vector<size_t> ends_;  // one past each chunk's last point
};

}  // namespace pelmora
