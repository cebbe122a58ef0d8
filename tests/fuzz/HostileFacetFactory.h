// A host modelling kernel that misbehaves on request: for each getFacets it
// reads from the input whether to answer well (the sample kernel's bodies),
// with nothing, with an error, by throwing, with a facet set whose lists are
// null or whose counts lie, with lengths that change between two reads, or
// after calling back into the context (releasing the mesh being refined,
// rendering, losing the device).
#pragma once

#include <pelmora/host.h>

#include "SampleKernel.h"

#include <map>
#include <memory>

namespace pelmora::fuzz {

class FuzzSession;

class HostileFacetFactory final : public FacetFactory {
public:
    explicit HostileFacetFactory(FuzzSession& session);
    ~HostileFacetFactory();
    HostileFacetFactory(const HostileFacetFactory&) = delete;
    HostileFacetFactory& operator=(const HostileFacetFactory&) = delete;

    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override;
    void releaseFacets(FacetSource* source) override;

    int handle = 0;

private:
    FacetSource* keep(std::unique_ptr<FacetSource> source);
    FacetSource* goodFacets(int hostMesh, double deviation);
    FacetSource* lyingFacets(int mode);

    FuzzSession& session_;
    samplekernel::SampleKernel shapes_;
    std::map<const FacetSource*, std::unique_ptr<FacetSource>> outstanding_;
};

}  // namespace pelmora::fuzz
