#include "mesh/HostFacetSupply.h"

#include "facets/FacetFactoryRegistry.h"
#include "facets/TorvelMeshProvider.h"

namespace pelmora {

HostFacetSupply::HostFacetSupply(const HostMeshBinding& binding, FacetListKind kind, RegisteredMesh* mesh)
    : binding_(binding), source_{binding.factoryHandle, binding.hostMesh, kind} {
    if (listed()) registrationId_ = binding_.provider->registerMesh(binding_.factoryHandle, binding_.hostMesh, mesh);
}

HostFacetSupply::~HostFacetSupply() {
    cancelPending();
    if (listed()) binding_.provider->unregisterMesh(binding_.factoryHandle, binding_.hostMesh, registrationId_);
}

HRESULT HostFacetSupply::fetch(float deviation, bool manual,
                               const std::function<void(const FacetSource&)>& read) const {
    return FacetFactoryRegistry::instance().fetchFacets(binding_.factoryHandle, binding_.hostMesh,
                                                        double(deviation), manual, read);
}

std::shared_ptr<SolidGeometry> HostFacetSupply::shared(float deviation) const {
    return SharedGeometryTable::instance().geometry(source_, deviation);
}

void HostFacetSupply::publish(float deviation, const std::shared_ptr<SolidGeometry>& geometry) const {
    SharedGeometryTable::instance().publish(source_, deviation, geometry);
}

void HostFacetSupply::forget(float deviation, const SolidGeometry* stale) const {
    SharedGeometryTable::instance().forget(source_, deviation, stale);
}

HostFacetSupply::Arrival HostFacetSupply::collectArrived(float wanted, const Adopter& adopt) {
    Arrival arrival;
    for (size_t i = 0; i < pending_.size();) {
        if (!pending_[i].second->fetch()->done.load()) {
            ++i;
            continue;
        }
        const auto [deviation, request] = std::move(pending_[i]);
        pending_.erase(pending_.begin() + ptrdiff_t(i));
        const HRESULT status = adopt(deviation, *request->fetch());
        if (deviation == wanted) arrival = Arrival{true, status};
    }
    return arrival;
}

bool HostFacetSupply::askInBackground(float wanted) {
    if (pendingFor(wanted)) return true;
    std::shared_ptr<SharedFacetRequest> request = requestFor(wanted);
    if (!request) return false;
    pending_.emplace_back(wanted, std::move(request));
    return true;
}

std::shared_ptr<SharedFacetRequest> HostFacetSupply::requestFor(float wanted) const {
    SharedGeometryTable& table = SharedGeometryTable::instance();
    if (std::shared_ptr<SharedFacetRequest> out = table.request(source_, wanted)) return out;
    const FacetFactoryRegistry& registry = FacetFactoryRegistry::instance();
    if (!registry.threadSafe(binding_.factoryHandle)) return nullptr;
    FacetFactory* factory = registry.find(binding_.factoryHandle);
    if (factory == nullptr) return nullptr;
    std::shared_ptr<FacetFetch> fetch =
        FacetFetchWorker::instance().submit(factory, binding_.factoryHandle, binding_.hostMesh, double(wanted));
    if (!fetch) return nullptr;
    auto request = std::make_shared<SharedFacetRequest>(std::move(fetch));
    table.publish(source_, wanted, request);
    return request;
}

std::shared_ptr<FacetFetch> HostFacetSupply::pendingFor(float deviation) const {
    for (const auto& [asked, request] : pending_)
        if (asked == deviation) return request->fetch();
    return nullptr;
}

void HostFacetSupply::cancelPending() {
    // A request goes when the last mesh waiting for it lets it go.
    pending_.clear();
}

}  // namespace pelmora
