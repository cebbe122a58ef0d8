#include "facets/FacetFactoryRegistry.h"

#include "facets/FacetFetchWorker.h"
#include "facets/SharedGeometryTable.h"
#include "core/DeferredDestruction.h"

#include <memory>

namespace pelmora {

FacetFactoryRegistry& FacetFactoryRegistry::instance() {
    // Never destroyed: a mesh released during static destruction may still ask.
    static auto* registry = new FacetFactoryRegistry();
    return *registry;
}

int FacetFactoryRegistry::add(FacetFactory* factory, bool threadSafe) {
    if (!factory) return 0;
    // The host owns its factory: an empty owner gives a pointer that frees nothing.
    const int handle = factories_.add(std::shared_ptr<FacetFactory>(std::shared_ptr<void>(), factory));
    if (handle != 0 && threadSafe) {
        {
            std::lock_guard<std::mutex> lock(threadSafeMutex_);
            threadSafe_.insert(handle);
        }
        FacetFetchWorker::instance().stopBeforeStaticsMadeSoFar();
    }
    return handle;
}

bool FacetFactoryRegistry::remove(int handle) {
    if (factories_.remove(handle) == nullptr) return false;
    SharedGeometryTable::instance().forgetFactory(handle);
    if (threadSafe(handle)) {
        {
            std::lock_guard<std::mutex> lock(threadSafeMutex_);
            threadSafe_.erase(handle);
        }
        // The host may delete the factory once this returns.
        FacetFetchWorker::instance().retireFactory(handle);
    }
    return true;
}

bool FacetFactoryRegistry::threadSafe(int handle) const {
    std::lock_guard<std::mutex> lock(threadSafeMutex_);
    return threadSafe_.count(handle) != 0;
}

FacetFactory* FacetFactoryRegistry::find(int handle) const { return factories_.find(handle).get(); }

HRESULT FacetFactoryRegistry::fetchFacets(int handle, int hostMesh, double deviation, bool manual,
                                          const std::function<void(const FacetSource&)>& use) const {
    FacetFactory* factory = find(handle);
    if (!factory) return E_HANDLE;
    // The factory, and the source it hands out, are host code from here to
    // the end: whatever they release waits until the engine is done.
    DeferredDestruction::HostCode host;
    FacetSource* source = nullptr;
    const HRESULT status = factory->getFacets(hostMesh, deviation, manual ? 1 : 0, &source);
    if (FAILED(status)) {
        giveBack(*factory, source);
        return status;
    }
    if (!source) return S_FALSE;
    try {
        use(*source);
    } catch (...) {
        giveBack(*factory, source);
        throw;
    }
    giveBack(*factory, source);
    return S_OK;
}

void FacetFactoryRegistry::giveBack(FacetFactory& factory, FacetSource* source) {
    if (source) factory.releaseFacets(source);
}

}  // namespace pelmora
