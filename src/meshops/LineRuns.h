// Reading a line mesh's list: per polyline its vertex count n, then n vertex
// indices; a count of 0 or less ends the list. A host's list is kept as it
// came, so the readers here never trust it: a polyline running past the end
// ends the list, and an index outside the vertices breaks its polyline in two
// there, so nothing is read out of bounds and the rest still draws.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora {

// Calls visit(indices, count) for every piece of two or more valid indices,
// in list order.
template <class Visit>
void forEachPolyline(const uint32_t* list, size_t listLength, uint32_t vertexCount,
                     Visit&& visit) {
    size_t cursor = 0;
    while (cursor < listLength) {
        const int32_t count = int32_t(list[cursor]);
        if (count <= 0 || size_t(count) > listLength - cursor - 1) return;
        const uint32_t* index = list + cursor + 1;
        cursor += 1 + size_t(count);
        size_t start = 0;
        for (size_t k = 0; k <= size_t(count); ++k) {
            if (k < size_t(count) && index[k] < vertexCount) continue;
            if (k - start >= 2) visit(index + start, k - start);
            start = k + 1;
        }
    }
}

}  // namespace pelmora
