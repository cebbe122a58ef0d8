#include "meshops/SolidFaces.h"

#include "core/Console.h"

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
    consoleFormat("INVALID MESH: ACIS gave Pelmora a facet of %d vertices. Truncating to triangle.\n",
                  vertexCount);
}

void appendTriangle(SolidGeometry& geometry, const FaceRead& face) {
    geometry.triangles.add(uint32_t(face.index[0]), uint32_t(face.index[1]), uint32_t(face.index[2]));
}

void finishFaceList(SolidGeometry& geometry) {
    geometry.triangles.finish();
    geometry.count = uint32_t(geometry.triangles.size());
    geometry.compact = true;
}

}  // namespace pelmora
