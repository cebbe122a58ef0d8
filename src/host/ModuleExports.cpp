// The four module exports and the class object they hand out. The module
// caches one class object, made on first request, and releases it when the
// library is unloaded.
#include <pelmora/dxcontext.h>

#include "host/DXContextClassFactory.h"
#include "core/GuardedCall.h"
#include "host/ModuleLock.h"
#include "host/ModulePath.h"
#include "host/ModuleRegistration.h"

#include <atomic>
#include <mutex>

namespace {

using pelmora::DXContextClassFactory;

std::mutex classObjectMapLock;
std::atomic<DXContextClassFactory*> cachedClassObject{nullptr};

DXContextClassFactory* classObject() {
    DXContextClassFactory* object = cachedClassObject.load(std::memory_order_acquire);
    if (object) return object;
    std::lock_guard<std::mutex> lock(classObjectMapLock);
    object = cachedClassObject.load(std::memory_order_relaxed);
    if (!object) {
        object = new DXContextClassFactory();
        cachedClassObject.store(object, std::memory_order_release);
    }
    return object;
}

__attribute__((destructor)) void stopModule() {
    if (DXContextClassFactory* object = cachedClassObject.exchange(nullptr)) object->Release();
}

}  // namespace

PELMORA_API HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_DXContext) return CLASS_E_CLASSNOTAVAILABLE;
    return PELMORA_GUARDED({ return classObject()->QueryInterface(riid, ppv); });
}

PELMORA_API HRESULT DllCanUnloadNow(void) {
    return pelmora::moduleLockCount() == 0 ? S_OK : S_FALSE;
}

PELMORA_API HRESULT DllRegisterServer(void) {
    return PELMORA_GUARDED({
        const std::string module = pelmora::modulePath();
        if (module.empty()) {
            pelmora::logMessage("DllRegisterServer: the module's path cannot be found\n");
            return PELMORA_TRACE_FAILED(E_FAIL);
        }
        return pelmora::registerModule(module);
    });
}

PELMORA_API HRESULT DllUnregisterServer(void) {
    // Whatever could not be removed stays; unregistration always succeeds.
    (void)PELMORA_GUARDED({
        pelmora::unregisterModule();
        return S_OK;
    });
    return S_OK;
}
