#include "facets/CopiedFacets.h"

namespace pelmora {

CopiedFacets::CopiedFacets(const FacetSource& source)
    : listLength_(source.faceListLength()),
      vertexCount_(source.vertexCount()),
      hasList_(source.faceList() != nullptr),
      hasVertices_(source.vertices() != nullptr),
      // Read as the mesh reads it: only the low byte of what a host's bool holds.
      doubleSided_((static_cast<unsigned>(source.doubleSided()) & 0xFFu) != 0) {
    // Only what the counts promise and a pointer backs is read.
    if (hasList_ && listLength_ > 0) list_.assign(source.faceList(), source.faceList() + listLength_);
    if (hasVertices_ && vertexCount_ > 0)
        vertices_.assign(source.vertices(), source.vertices() + vertexCount_);
}

}  // namespace pelmora
