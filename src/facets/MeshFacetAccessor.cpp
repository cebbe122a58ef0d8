#include "facets/MeshFacetAccessor.h"

namespace pelmora {

FacetView MeshFacetAccessor::view() const { return mesh_ ? mesh_->facetView() : FacetView{}; }

int MeshFacetAccessor::faceListLength() const { return view().faceListLength; }

const int* MeshFacetAccessor::faceList() const { return view().faceList; }

int MeshFacetAccessor::vertexCount() const { return view().vertexCount; }

const FacetVertex* MeshFacetAccessor::vertices() const { return view().vertices; }

bool MeshFacetAccessor::doubleSided() const { return view().doubleSided; }

}  // namespace pelmora
