#include "geometry/SolidFaces.h"

#include <cstdio>

namespace pelmora {

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
