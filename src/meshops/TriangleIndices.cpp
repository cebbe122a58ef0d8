#include "meshops/TriangleIndices.h"

namespace pelmora {

void TriangleIndices::reserve(size_t expected) {
    if (wide_)
        wideIndices_.reserve(3 * expected);
    else
        narrowIndices_.reserve(3 * expected);
}

void TriangleIndices::add(uint32_t a, uint32_t b, uint32_t c) {
    if (!wide_ && (a >= kNarrowLimit || b >= kNarrowLimit || c >= kNarrowLimit)) widen();
    if (wide_) {
        wideIndices_.insert(wideIndices_.end(), {a, b, c});
    } else {
        narrowIndices_.insert(narrowIndices_.end(), {uint16_t(a), uint16_t(b), uint16_t(c)});
    }
}

void TriangleIndices::finish() {
    narrowIndices_.shrink_to_fit();
    wideIndices_.shrink_to_fit();
}

void TriangleIndices::set(size_t triangle, int corner, uint32_t index) {
    if (!wide_ && index >= kNarrowLimit) widen();
    const size_t at = 3 * triangle + size_t(corner);
    if (wide_)
        wideIndices_[at] = index;
    else
        narrowIndices_[at] = uint16_t(index);
}

void TriangleIndices::widen() {
    wideIndices_.reserve(narrowIndices_.capacity());
    wideIndices_.assign(narrowIndices_.begin(), narrowIndices_.end());
    narrowIndices_ = {};
    wide_ = true;
}

}  // namespace pelmora
