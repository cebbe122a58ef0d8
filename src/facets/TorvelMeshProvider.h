// The context's list of host-backed meshes, through which the host reads back
// the facets a mesh holds. One is embedded in every context; it takes its own
// handle (kind MeshProvider) when constructed, and getTorvelMeshProvider hands
// that handle out.
//
// Meshes are listed under the key of their (factory handle, host mesh) pair,
// each with a registration id from a per-provider counter: ids start at 1,
// are never 0 and never reused, and when the counter would pass the 32-bit
// range registration fails. A key whose last mesh leaves is dropped.
#pragma once

#include <pelmora/host.h>

#include "facets/MeshFacetAccessor.h"
#include "facets/RegisteredMesh.h"
#include "core/DXObject.h"

#include <cstdint>
#include <map>
#include <memory>

namespace pelmora {

class TorvelMeshProvider final : public DXObject, public IMeshProvider {
public:
    TorvelMeshProvider();
    ~TorvelMeshProvider() override;

    // IMeshProvider, in slot order. Both pass the interface gate and run
    // guarded: a fault in a host object on the way becomes a log line and
    // its code.
    HRESULT getFacets(int factory, int hostMesh, FacetSource** source) override;
    HRESULT releaseFacets(FacetSource* source) override;

    // Lists a mesh under (factory, hostMesh); the id to give back when it
    // leaves, or 0 (nothing listed) for a null mesh or when ids ran out.
    int registerMesh(int factory, int hostMesh, RegisteredMesh* mesh);
    // Takes the mesh with that id off the pair's list, and empties every
    // source over it the host still holds. False when nothing matched.
    bool unregisterMesh(int factory, int hostMesh, int id);

    // The 64-bit key of a pair: the factory in the high word, the host mesh
    // sign-extended over the whole value, so a negative host mesh number
    // masks the factory.
    static uint64_t keyOf(int factory, int hostMesh);

    size_t keyCount() const { return meshes_.size(); }
    size_t outstandingSources() const { return sources_.size(); }

    // The provider behind a handle of kind MeshProvider, else null.
    static TorvelMeshProvider* fromHandle(int handle);

private:
    using MeshList = std::map<int, RegisteredMesh*>;

    RegisteredMesh* firstMeshOf(int factory, int hostMesh) const;
    void detachSourcesOver(const RegisteredMesh* mesh);

    std::map<uint64_t, MeshList> meshes_;
    std::map<const FacetSource*, std::unique_ptr<MeshFacetAccessor>> sources_;
    int64_t lastId_ = 0;
};

}  // namespace pelmora
