#include "geometry/SolidFaces.h"

#include <cstdio>

namespace pelmora {

const char* facetListFault(const int* faces, long length) {
    if (length < kTriangleEntry + 1) return nullptr;
    if (faces == nullptr) return "a face-list length without a face list";
    for (long cursor = 0; faces[cursor] != 0;) {
        const long count = faces[cursor];
        if (count < 3) return "a face of fewer than three vertices";
        cursor += count + 1;
        if (cursor >= length) return "a face running past the end of the list, or no closing 0";
    }
    return nullptr;
}

void reportTruncatedFacet(int vertexCount) {
    // The console only: the error log is for failures, this is the host's data.
    std::printf("INVALID MESH: ACIS gave Pelmora a facet of %d vertices. Truncating to triangle.\n",
                vertexCount);
    std::fflush(stdout);
}

void appendTriangle(SolidGeometry& geometry, const FaceRead& face) {
    geometry.faces.push_back(3);
    for (int index : face.index) geometry.faces.push_back(uint32_t(index));
}

void finishFaceList(SolidGeometry& geometry) {
    geometry.count = uint32_t(geometry.faces.size() / kTriangleEntry);
    geometry.faces.push_back(0);
    geometry.faces.shrink_to_fit();
}

}  // namespace pelmora
