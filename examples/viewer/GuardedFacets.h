// The kernel's facets with every request watched as guarded tessellation:
// the engine asks for finer facets as the user zooms, and a body that sends
// the mesher into a runaway then ends the viewer with a message rather than
// freezing its window.
#pragma once

#include "GuardedWork.h"

#include <pelmora/host.h>

namespace viewer {

class GuardedFacets final : public FacetFactory {
public:
    explicit GuardedFacets(FacetFactory* kernel) : kernel_(kernel) {}

    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override {
        GuardedWork tessellating(Phase::Tessellating);
        return kernel_->getFacets(hostMesh, deviation, manual, source);
    }
    void releaseFacets(FacetSource* source) override { kernel_->releaseFacets(source); }

private:
    FacetFactory* kernel_;
};

}  // namespace viewer
