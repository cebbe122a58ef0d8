// One facet set handed out by the sample kernel; it owns its arrays.
#pragma once

#include "FacetMesh.h"

#include <utility>

namespace samplekernel {

class KernelFacets final : public FacetSource {
public:
    explicit KernelFacets(FacetMesh mesh) : mesh_(std::move(mesh)) {}

    int faceListLength() const override { return static_cast<int>(mesh_.faceList.size()); }
    const int* faceList() const override { return mesh_.faceList.data(); }
    int vertexCount() const override { return static_cast<int>(mesh_.vertices.size()); }
    const FacetVertex* vertices() const override { return mesh_.vertices.data(); }
    bool doubleSided() const override { return mesh_.doubleSided; }

private:
    FacetMesh mesh_;
};

}  // namespace samplekernel
