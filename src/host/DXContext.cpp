#include "host/DXContext.h"

#include "host/ArrayArguments.h"
#include "host/DispatchInvoker.h"
#include "core/DeferredDestruction.h"
#include "core/GuardedCall.h"
#include "core/HandleTable.h"
#include "host/ModuleLock.h"
#include "core/ProcessState.h"
#include "core/StringConversion.h"
#include "device/DXUTAdapterInfo.h"
#include "facets/FacetFetchWorker.h"
#include "scene/DXVisual.h"

#include <cctype>
#include <mutex>
#include <string>
#include <utility>

namespace pelmora {

namespace {

// Every live context, so a release through any of them leaves no registry
// holding a destroyed object.
std::set<DXContext*>& liveContexts() {
    static std::set<DXContext*>* contexts = new std::set<DXContext*>();
    return *contexts;
}

bool sameNameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

}  // namespace

// Every context keeps the module loaded while it lives.
DXContext::DXContext() {
    liveContexts().insert(this);
    lockModule();
}

DXContext::~DXContext() {
    liveContexts().erase(this);
    selectedAdapter_.reset();
    destroyRegistry();
    releaseDeviceAtTeardown();
    unlockModule();
}

void DXContext::destroyRegistry() {
    // Destroying one object may not touch another's registry entry, so take
    // the set first and walk it in its own order.
    std::set<DXObject*> objects;
    objects.swap(registry_);
    // Meshes cancel their facet requests as they go; none is started meanwhile.
    const FacetFetchWorker::Pause pause;
    for (DXObject* object : objects) {
        guardedCall(PELMORA_SOURCE_FILE, __LINE__, [&]() -> HRESULT {
            if (auto* visual = dynamic_cast<DXVisual*>(object)) visual->releaseDeviceObjects();
            delete object;
            return S_OK;
        });
    }
}

int DXContext::adopt(DXObject* object, HandleKind kind) {
    int handle = HandleTable::instance().issue(object, kind);
    if (handle == 0) {
        delete object;
        return 0;
    }
    registry_.insert(object);
    return handle;
}

void DXContext::forgetEverywhere(DXObject* object) {
    for (DXContext* context : liveContexts()) context->registry_.erase(object);
}

void DXContext::destroyHandle(int handle) {
    HandleKind kind;
    if (handle == 0 || !HandleTable::instance().kindOf(handle, &kind)) return;
    if (kind == HandleKind::MeshProvider) return;  // embedded in its context, never destroyed alone
    DXObject* object = HandleTable::instance().lookup(handle);
    forgetEverywhere(object);
    if (DeferredDestruction::hostCodeRunning()) {
        // Called back from a facet factory: the object may be what the engine
        // is drawing or refining under the host's code. It is gone for the
        // host now, and destroyed when the outermost call returns.
        HandleTable::instance().retire(handle, object);
        DeferredDestruction::destroyWhenSafe([object] { deleteSilently(object); });
        return;
    }
    deleteSilently(object);
}

void DXContext::deleteSilently(DXObject* object) {
    try {
        delete object;
    } catch (...) {
        // A failing destructor is swallowed without a word, as releases always were.
    }
}

// IUnknown

HRESULT DXContext::QueryInterface(REFIID riid, void** ppvObject) {
    if (outer_) return outer_->QueryInterface(riid, ppvObject);
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IDXContext) {
        *ppvObject = static_cast<IDXContext*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG DXContext::AddRef() { return outer_ ? outer_->AddRef() : ++references_; }

ULONG DXContext::Release() {
    if (outer_) return outer_->Release();
    ULONG current = references_.load();
    if (current == 0) return 0;
    ULONG remaining = --references_;
    // A facet factory may let go of the context it was called from; the
    // context then waits for the call to return, and is destroyed once only.
    if (remaining == 0 && !std::exchange(doomed_, true))
        DeferredDestruction::destroyWhenSafe([this] { delete this; });
    return remaining;
}

// IDispatch

HRESULT DXContext::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT DXContext::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT DXContext::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                 DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId || cNames == 0) return E_INVALIDARG;
    // Plain zero-terminated strings, not BSTRs: callers pass literals.
    const std::string name =
        rgszNames[0] ? narrowFromWide(std::u16string_view(rgszNames[0])) : std::string();
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    for (const DXContextDispatchEntry& entry : kDXContextDispatchTable) {
        if (sameNameIgnoringCase(name, entry.name)) {
            rgDispId[0] = entry.dispid;
            return cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT DXContext::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                          DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                          UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return invokeOperation(this, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo,
                           puArgErr);
}

// Context operations

HRESULT DXContext::suspendMeshRefinements(VARIANT_BOOL suspend) {
    return PELMORA_INTERFACE_CALL({
        processState().refinementsSuspended = (suspend == VARIANT_TRUE);
        return S_OK;
    });
}

HRESULT DXContext::validateCurrentDisplay(BSTR) { return PELMORA_INTERFACE_CALL({ return S_OK; }); }

HRESULT DXContext::getCurrentDeviceName(BSTR* pDeviceName) {
    return PELMORA_INTERFACE_CALL({
        if (!pDeviceName) return PELMORA_TRACE_FAILED(E_POINTER);
        const ProcessState& state = processState();
        *pDeviceName =
            state.hardwareNotSupported == 0 ? bstrFromNarrow(state.currentDeviceName) : nullptr;
        return S_OK;
    });
}

HRESULT DXContext::releaseHandle(int hObject) {
    return PELMORA_INTERFACE_CALL({
        destroyHandle(hObject);
        return S_OK;
    });
}

HRESULT DXContext::releaseHandles(SAFEARRAY** hMeshes) {
    return PELMORA_INTERFACE_CALL({
        ArrayArguments arrays;
        HRESULT hr = arrays.read({hMeshes});
        if (FAILED(hr)) return hr;
        // Narrower elements would be read past the end of the array.
        if (arrays[0].elementSize < sizeof(int)) return PELMORA_TRACE_FAILED(E_INVALIDARG);
        const int* handles = static_cast<const int*>(arrays[0].data);
        for (LONG i = 0; i < arrays[0].count; ++i) destroyHandle(handles[i]);
        return S_OK;
    });
}

HRESULT DXContext::setLightColor(int, int) { return PELMORA_INTERFACE_CALL({ return S_OK; }); }

}  // namespace pelmora

PELMORA_API HRESULT PelmoraCreateContext(IDXContext** context) {
    if (!context) return E_POINTER;
    auto* created = new (std::nothrow) pelmora::DXContext();
    *context = created;
    if (!created) return E_OUTOFMEMORY;
    created->AddRef();
    return S_OK;
}
