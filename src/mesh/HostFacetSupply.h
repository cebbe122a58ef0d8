// What a mesh showing a host facet mesh has of the host, as a member of the
// meshes that have one (meshes built from arrays have none): the binding,
// the listing with the provider, the factory's requests on this thread and
// on the facet worker, and the geometries shared with the other meshes of
// the same source (SharedGeometryTable). It keeps no geometry itself: the
// mesh reads what comes back into its own.
#pragma once

#include "facets/RegisteredMesh.h"
#include "facets/SharedGeometryTable.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace pelmora {

class TorvelMeshProvider;

// The host objects a mesh shows: the host's own number for the body, the
// handle of the factory that tessellates it, and the provider that lists the
// mesh for the host.
struct HostMeshBinding {
    int hostMesh = 0;
    int factoryHandle = 0;
    TorvelMeshProvider* provider = nullptr;
};

class HostFacetSupply {
public:
    // Lists the mesh with the provider when the binding names all of host
    // mesh, factory and provider.
    HostFacetSupply(const HostMeshBinding& binding, FacetListKind kind, RegisteredMesh* mesh);
    // Lets its requests go (waiting for one under way that no other mesh
    // waits for), then leaves the provider.
    ~HostFacetSupply();
    HostFacetSupply(const HostFacetSupply&) = delete;
    HostFacetSupply& operator=(const HostFacetSupply&) = delete;

    const HostMeshBinding& binding() const { return binding_; }

    // Asks the factory for the facets at d on this thread; `read` reads them
    // while the factory lends them. The statuses of
    // FacetFactoryRegistry::fetchFacets.
    HRESULT fetch(float deviation, bool manual, const std::function<void(const FacetSource&)>& read) const;

    // ---- Shared with the other meshes of the source ----
    std::shared_ptr<SolidGeometry> shared(float deviation) const;
    void publish(float deviation, const std::shared_ptr<SolidGeometry>& geometry) const;
    void forget(float deviation, const SolidGeometry* stale) const;

    // ---- Requests on the facet worker ----
    // What became of the request for one deviation.
    struct Arrival {
        bool answered = false;
        HRESULT status = S_OK;
    };
    using Adopter = std::function<HRESULT(float deviation, const FacetFetch& fetch)>;
    // Hands every answered request to `adopt` and says whether the one for
    // `wanted` was among them.
    Arrival collectArrived(float wanted, const Adopter& adopt);
    // Puts a request for `wanted` on the worker unless one is out already
    // (this mesh's or another's of the source); false when the factory must
    // be asked on this thread instead.
    bool askInBackground(float wanted);
    // The request out for this deviation, or null.
    std::shared_ptr<FacetFetch> pendingFor(float deviation) const;
    void cancelPending();

private:
    bool listed() const {
        return binding_.hostMesh != 0 && binding_.factoryHandle != 0 && binding_.provider != nullptr;
    }
    // The request out for `wanted` from another mesh of the source, or a new one.
    std::shared_ptr<SharedFacetRequest> requestFor(float wanted) const;

    HostMeshBinding binding_;
    FacetSourceKey source_;
    int registrationId_ = 0;
    // Requests on the facet worker, by deviation, not yet taken in; shared
    // with the other meshes of the source waiting for the same answer.
    std::vector<std::pair<float, std::shared_ptr<SharedFacetRequest>>> pending_;
};

}  // namespace pelmora
