// The host facet exports of host.h: factory handles and the mesh provider.
#include <pelmora/host.h>

#include "geometry/FacetFactoryRegistry.h"
#include "geometry/TorvelMeshProvider.h"
#include "core/Diagnostics.h"

using pelmora::FacetFactoryRegistry;

PELMORA_API int PelmoraRegisterFacetFactory(FacetFactory* factory) {
    if (!factory) {
        PELMORA_TRACE_FAILED(E_POINTER);
        return 0;
    }
    const int handle = FacetFactoryRegistry::instance().add(factory);
    if (handle == 0) PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
    return handle;
}

PELMORA_API HRESULT PelmoraUnregisterFacetFactory(int hFactory) {
    if (!FacetFactoryRegistry::instance().remove(hFactory)) return PELMORA_TRACE_FAILED(E_HANDLE);
    return S_OK;
}

PELMORA_API IMeshProvider* PelmoraGetMeshProvider(int hMeshProvider) {
    return pelmora::TorvelMeshProvider::fromHandle(hMeshProvider);
}
