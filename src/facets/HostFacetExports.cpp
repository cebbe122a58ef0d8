// The host facet exports of host.h: factory handles and the mesh provider.
#include <pelmora/host.h>

#include "facets/FacetFactoryRegistry.h"
#include "facets/TorvelMeshProvider.h"
#include "core/Diagnostics.h"

using pelmora::FacetFactoryRegistry;

namespace {

int registerFactory(FacetFactory* factory, bool threadSafe) {
    if (!factory) {
        PELMORA_TRACE_FAILED(E_POINTER);
        return 0;
    }
    const int handle = FacetFactoryRegistry::instance().add(factory, threadSafe);
    if (handle == 0) PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
    return handle;
}

}  // namespace

PELMORA_API int PelmoraRegisterFacetFactory(FacetFactory* factory) {
    return registerFactory(factory, false);
}

PELMORA_API int PelmoraRegisterThreadSafeFacetFactory(FacetFactory* factory) {
    return registerFactory(factory, true);
}

PELMORA_API HRESULT PelmoraUnregisterFacetFactory(int hFactory) {
    if (!FacetFactoryRegistry::instance().remove(hFactory)) return PELMORA_TRACE_FAILED(E_HANDLE);
    return S_OK;
}

PELMORA_API IMeshProvider* PelmoraGetMeshProvider(int hMeshProvider) {
    return pelmora::TorvelMeshProvider::fromHandle(hMeshProvider);
}
