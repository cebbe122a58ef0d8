// The process-wide table of host facet factories: the 32-bit handle a host
// passes as hTorvelMeshFactory, resolved again at every request, so a factory
// the host has unregistered is never called.
#pragma once

#include <pelmora/host.h>

#include "platform/win/HandleSlots.h"

#include <functional>
#include <mutex>
#include <unordered_set>

namespace pelmora {

class FacetFactoryRegistry {
public:
    static FacetFactoryRegistry& instance();

    // A new handle for the factory (not owned); 0 for null or a full table.
    // A thread-safe factory may be asked from the facet worker's thread.
    int add(FacetFactory* factory, bool threadSafe = false);
    // Retires the handle, once the worker is done with the factory; false
    // when it names no registered factory.
    bool remove(int handle);
    // True for a live handle registered as safe to call from another thread.
    bool threadSafe(int handle) const;
    // The factory behind a live handle, else null.
    FacetFactory* find(int handle) const;

    // One request to a host factory: asks the factory behind the handle for
    // the facets of hostMesh, lets `use` read them, and hands them back. The
    // statuses: S_OK when facets were read; S_FALSE when the factory
    // succeeded with none; E_HANDLE for a dead factory handle; the factory's
    // own failing status (a source it set anyway goes back unread). Logs
    // nothing: the caller traces a failure under its own name. While the
    // factory runs, releases the host makes are deferred (DeferredDestruction).
    HRESULT fetchFacets(int handle, int hostMesh, double deviation, bool manual,
                        const std::function<void(const FacetSource&)>& use) const;

private:
    // Hands a source back to the host's factory; null is skipped.
    static void giveBack(FacetFactory& factory, FacetSource* source);

    win::HandleSlots<FacetFactory> factories_{HandleTag::FacetFactory};
    mutable std::mutex threadSafeMutex_;
    std::unordered_set<int> threadSafe_;
};

}  // namespace pelmora
