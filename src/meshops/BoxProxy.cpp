#include "meshops/BoxProxy.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelmora {

namespace {

constexpr uint32_t kBoxTriangles[12][3] = {
    {0, 2, 1}, {1, 2, 3}, {4, 0, 1}, {4, 1, 5}, {0, 4, 2}, {2, 4, 6},
    {6, 4, 5}, {6, 5, 7}, {2, 6, 3}, {3, 6, 7}, {5, 1, 3}, {5, 3, 7},
};

}  // namespace

BoxBounds BoxBounds::empty() {
    constexpr float kHuge = std::numeric_limits<float>::max();
    return BoxBounds{{kHuge, kHuge, kHuge}, {-kHuge, -kHuge, -kHuge}};
}

void BoxBounds::add(float x, float y, float z) {
    const float point[3] = {x, y, z};
    for (int axis = 0; axis < 3; ++axis) {
        minimum[axis] = std::min(minimum[axis], point[axis]);
        maximum[axis] = std::max(maximum[axis], point[axis]);
    }
}

BoxProxy::BoxProxy(const BoxBounds& bounds) {
    for (int k = 0; k < kCornerCount; ++k) {
        MeshVertex& corner = corners[k];
        corner.x = (k & 1) ? bounds.maximum[0] : bounds.minimum[0];
        corner.y = (k & 2) ? bounds.minimum[1] : bounds.maximum[1];
        corner.z = (k & 4) ? bounds.minimum[2] : bounds.maximum[2];
    }
    size_t at = 0;
    for (const auto& triangle : kBoxTriangles) {
        faces[at++] = 3;
        for (uint32_t index : triangle) faces[at++] = index;
    }
    faces[at] = 0;
    const double dx = double(bounds.maximum[0]) - bounds.minimum[0];
    const double dy = double(bounds.maximum[1]) - bounds.minimum[1];
    const double dz = double(bounds.maximum[2]) - bounds.minimum[2];
    volume = std::fabs(dz * dy * dx);
}

}  // namespace pelmora
