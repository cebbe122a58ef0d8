// The facet set the mesh provider hands a host: a window on one mesh's
// current geometry that copies nothing. It asks the mesh afresh at every call,
// so it never shows geometry the mesh has since freed, and once the mesh is
// gone (detached) it reads as empty.
#pragma once

#include "facets/RegisteredMesh.h"

namespace pelmora {

class MeshFacetAccessor final : public FacetSource {
public:
    explicit MeshFacetAccessor(const RegisteredMesh* mesh) : mesh_(mesh) {}

    int faceListLength() const override;
    const int* faceList() const override;
    int vertexCount() const override;
    const FacetVertex* vertices() const override;
    bool doubleSided() const override;

    const RegisteredMesh* mesh() const { return mesh_; }
    void detach() { mesh_ = nullptr; }

private:
    FacetView view() const;

    const RegisteredMesh* mesh_;
};

}  // namespace pelmora
