// Reading the face lists hosts hand over into a solid mesh's triangles.
#pragma once

#include "meshops/SolidGeometry.h"

namespace pelmora {

// A face as the builders read it: its stated vertex count and the first three indices.
struct FaceRead {
    int vertexCount;
    int index[3];
};

// Walks a newSolidMesh face list: per face its count n and n (index, unused)
// pairs, up to the 0 that ends it. Stops early, returning false, at a
// negative count, which would send the walk backwards.
template <class Visit>
bool walkArrayFaces(const int* faces, long count, Visit&& visit) {
    long cursor = 0;
    while (cursor + 5 < count && faces[cursor] != 0) {
        const int n = faces[cursor];
        if (n < 0) return false;
        visit(FaceRead{n, {faces[cursor + 1], faces[cursor + 3], faces[cursor + 5]}});
        cursor += 1 + 2 * long(n);
    }
    return true;
}

// Walks a host facet list: per face its count and that many indices.
template <class Visit>
bool walkFacetFaces(const int* faces, long count, Visit&& visit) {
    long cursor = 0;
    while (cursor + 3 < count && faces[cursor] != 0) {
        const int n = faces[cursor];
        if (n < 0) return false;
        visit(FaceRead{n, {faces[cursor + 1], faces[cursor + 2], faces[cursor + 3]}});
        cursor += 1 + long(n);
    }
    return true;
}

// Why a host facet list of that length cannot be walked safely, or null when
// it can: each face's count must be at least 3 and leave room after it for
// the next face or the closing 0, so the walk ends on that 0 inside the list.
// Lists shorter than one triangle are an empty body and not looked into.
const char* facetListFault(const int* faces, long length);

// The console line for a face that is not a triangle; only its first three
// vertices are kept.
void reportTruncatedFacet(int vertexCount);

// Appends the face's triangle to the geometry's triangles.
void appendTriangle(SolidGeometry& geometry, const FaceRead& face);
// Ends the triangles and sets the face count to those kept.
void finishFaceList(SolidGeometry& geometry);

}  // namespace pelmora
