// The bounding box of a mesh as eight corners and twelve triangles; the
// level-of-detail test reads its volume.
#pragma once

#include "meshops/MeshVertex.h"

#include <array>
#include <cstdint>

namespace pelmora {

struct BoxBounds {
    float minimum[3];
    float maximum[3];

    // Starts empty: the first point added sets both corners.
    static BoxBounds empty();
    void add(float x, float y, float z);
};

struct BoxProxy {
    static constexpr int kCornerCount = 8;
    static constexpr int kFaceListLength = 12 * 4 + 1;

    // Corner k takes x from the maximum when bit 0 is set, y from the minimum
    // when bit 1 is set and z from the minimum when bit 2 is set.
    explicit BoxProxy(const BoxBounds& bounds);

    std::array<MeshVertex, kCornerCount> corners{};
    std::array<uint32_t, kFaceListLength> faces{};
    double volume = 0.0;
};

}  // namespace pelmora
