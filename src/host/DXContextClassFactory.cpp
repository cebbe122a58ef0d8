#include "host/DXContextClassFactory.h"

#include "host/AggregatedContext.h"
#include "host/DXContext.h"
#include "core/GuardedCall.h"
#include "host/ModuleLock.h"

#include <new>

namespace pelmora {

HRESULT DXContextClassFactory::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppvObject = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG DXContextClassFactory::AddRef() {
    const ULONG count = ++references_;
    if (count == kCachedOnly + 1) lockModule();
    return count;
}

ULONG DXContextClassFactory::Release() {
    if (references_.load() == 0) return 0;
    const ULONG count = --references_;
    if (count == kCachedOnly) unlockModule();
    if (count == 0) delete this;
    return count;
}

HRESULT DXContextClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return PELMORA_GUARDED({
        return pUnkOuter ? createAggregated(pUnkOuter, ppvObject) : createPlain(riid, ppvObject);
    });
}

HRESULT DXContextClassFactory::createPlain(REFIID riid, void** ppvObject) {
    auto* context = new (std::nothrow) DXContext();
    if (!context) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
    const HRESULT status = context->QueryInterface(riid, ppvObject);
    // A context no caller holds would never be released.
    if (FAILED(status)) delete context;
    return status;
}

HRESULT DXContextClassFactory::createAggregated(IUnknown* outer, void** ppvObject) {
    auto* inner = new (std::nothrow) AggregatedContext(outer);
    if (!inner) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
    return inner->QueryInterface(IID_IUnknown, ppvObject);
}

HRESULT DXContextClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        lockServer();
    else
        unlockServer();
    return S_OK;
}

}  // namespace pelmora
