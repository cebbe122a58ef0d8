#include "facets/TorvelMeshProvider.h"

#include "core/Diagnostics.h"
#include "core/GuardedCall.h"
#include "core/HandleResolution.h"
#include "core/HandleTable.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace pelmora {

namespace {

constexpr int64_t kLastRegistrationId = std::numeric_limits<int32_t>::max();

// Sources the host still held when their provider went. The host may read
// them at any time, and nothing can free them any more (the provider it
// would hand them back to is gone), so they stay, empty, for the process.
std::vector<std::unique_ptr<MeshFacetAccessor>>& orphanedSources() {
    static auto* orphans = new std::vector<std::unique_ptr<MeshFacetAccessor>>();
    return *orphans;
}

}  // namespace

TorvelMeshProvider::TorvelMeshProvider() {
    HandleTable::instance().issue(this, HandleKind::MeshProvider);
}

TorvelMeshProvider::~TorvelMeshProvider() {
    if (sources_.empty()) return;
    logFormat("Pelmora: %zu facet source(s) from the mesh provider were not released before "
              "its context; they read as empty from now on\n",
              sources_.size());
    for (auto& [pointer, accessor] : sources_) {
        accessor->detach();
        orphanedSources().push_back(std::move(accessor));
    }
}

uint64_t TorvelMeshProvider::keyOf(int factory, int hostMesh) {
    const uint64_t high = uint64_t(uint32_t(factory)) << 32;
    return high | uint64_t(int64_t(hostMesh));
}

TorvelMeshProvider* TorvelMeshProvider::fromHandle(int handle) {
    HandleKind kind;
    if (!HandleTable::instance().kindOf(handle, &kind) || kind != HandleKind::MeshProvider)
        return nullptr;
    return resolveHandle<TorvelMeshProvider>(handle);
}

int TorvelMeshProvider::registerMesh(int factory, int hostMesh, RegisteredMesh* mesh) {
    if (!mesh) return 0;
    if (lastId_ >= kLastRegistrationId) {
        logFormat("Pelmora: mesh provider has no registration ids left; host mesh %d not listed\n",
                  hostMesh);
        return 0;
    }
    const int id = static_cast<int>(++lastId_);
    meshes_[keyOf(factory, hostMesh)][id] = mesh;
    return id;
}

bool TorvelMeshProvider::unregisterMesh(int factory, int hostMesh, int id) {
    auto entry = meshes_.find(keyOf(factory, hostMesh));
    if (entry == meshes_.end()) return false;
    auto listed = entry->second.find(id);
    if (listed == entry->second.end()) return false;
    detachSourcesOver(listed->second);
    entry->second.erase(listed);
    if (entry->second.empty()) meshes_.erase(entry);
    return true;
}

void TorvelMeshProvider::detachSourcesOver(const RegisteredMesh* mesh) {
    for (auto& [pointer, accessor] : sources_)
        if (accessor->mesh() == mesh) accessor->detach();
}

RegisteredMesh* TorvelMeshProvider::firstMeshOf(int factory, int hostMesh) const {
    auto entry = meshes_.find(keyOf(factory, hostMesh));
    if (entry == meshes_.end() || entry->second.empty()) return nullptr;
    return entry->second.begin()->second;
}

HRESULT TorvelMeshProvider::getFacets(int factory, int hostMesh, FacetSource** source) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(source);
        *source = nullptr;
        RegisteredMesh* mesh = firstMeshOf(factory, hostMesh);
        if (!mesh) return S_OK;
        if (!mesh->hasGeometry()) mesh->refineWithoutViewport();
        auto accessor = std::make_unique<MeshFacetAccessor>(mesh);
        *source = accessor.get();
        sources_.emplace(accessor.get(), std::move(accessor));
        return S_OK;
    });
}

HRESULT TorvelMeshProvider::releaseFacets(FacetSource* source) {
    return PELMORA_INTERFACE_CALL({
        if (!source) return S_OK;
        // Only what this provider handed out is freed; anything else is the
        // host's mistake and is left alone.
        if (sources_.erase(source) == 0) return PELMORA_TRACE_FAILED(E_INVALIDARG);
        return S_OK;
    });
}

}  // namespace pelmora
