// A host's facet set copied whole, so that the host can have its source back
// at once and the mesh can read the facets later, on another thread. It
// answers what the source answered, faults included (a null list with a
// length, a negative count): the mesh checks the copy as it would have
// checked the source.
#pragma once

#include <pelmora/host.h>

#include <vector>

namespace pelmora {

class CopiedFacets final : public FacetSource {
public:
    explicit CopiedFacets(const FacetSource& source);

    int faceListLength() const override { return listLength_; }
    const int* faceList() const override { return hasList_ ? list_.data() : nullptr; }
    int vertexCount() const override { return vertexCount_; }
    const FacetVertex* vertices() const override { return hasVertices_ ? vertices_.data() : nullptr; }
    bool doubleSided() const override { return doubleSided_; }

private:
    int listLength_;
    int vertexCount_;
    bool hasList_;
    bool hasVertices_;
    bool doubleSided_;
    std::vector<int> list_;
    std::vector<FacetVertex> vertices_;
};

}  // namespace pelmora
