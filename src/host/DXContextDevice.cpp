// The context's device: adapter selection, device creation for a window,
// the services viewports use, and the device's end.
#include "device/DXUT.h"
#include "device/DXUTEnumeration.h"
#include "host/DXContext.h"
#include "core/Console.h"
#include "core/DeferredDestruction.h"
#include "core/GuardedCall.h"
#include "core/ProcessState.h"
#include "core/StringConversion.h"
#include "image/SymbolAtlas.h"
#include "scene/DXVisual.h"
#include "view/DXViewport.h"

#include <algorithm>

namespace pelmora {

namespace {

// The render states every viewport starts from, in the order they are set.
struct DefaultRenderState {
    D3DRENDERSTATETYPE state;
    DWORD value;
};
constexpr DefaultRenderState kDefaultRenderStates[] = {
    {D3DRS_CULLMODE, D3DCULL_CW},
    {D3DRS_SPECULARENABLE, 1},
    {D3DRS_ALPHABLENDENABLE, 1},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {D3DRS_LIGHTING, 1},
    {D3DRS_NORMALIZENORMALS, 1},
    {D3DRS_COLORWRITEENABLE, 15},
    {D3DRS_ALPHAREF, 2},
    {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
    {D3DRS_ALPHATESTENABLE, 1},
};

// A Direct3D object for the length of one call.
ComPtr<IDirect3D9> createDirect3D() { return ComPtr<IDirect3D9>(Direct3DCreate9(D3D_SDK_VERSION)); }

// The status of a request to replace the device made from inside a facet
// factory: the render or pick that called the factory is drawing with the
// device, so it cannot be replaced under it.
constexpr HRESULT kDeviceInUse = E_ACCESSDENIED;

HRESULT refuseDeviceReplacement(const char* operation) {
    logFormat("%s: the device cannot be created again while a facet factory is being asked\n",
              operation);
    return PELMORA_TRACE_FAILED(kDeviceInUse);
}

}  // namespace

// ---- IDXContext: adapters and viewports ----

HRESULT DXContext::initialize(VARIANT_BOOL bForceSoftwareOnly, BSTR deviceName,
                              VARIANT_BOOL* bHardwareNotSupported) {
    if (bHardwareNotSupported) *bHardwareNotSupported = VARIANT_TRUE;
    return PELMORA_INTERFACE_CALL({
        selectedAdapter_.reset();
        DXUTEnumeration& enumeration = DXUTEnumeration::instance();
        {
            ComPtr<IDirect3D9> d3d = createDirect3D();
            HRESULT hr = enumeration.enumerate(d3d.get());
            if (FAILED(hr)) PELMORA_TRACE_FAILED(hr);
        }
        ProcessState& state = processState();
        if (bForceSoftwareOnly == VARIANT_FALSE) {
            std::string requested = narrowFromBstr(deviceName);
            if (!requested.empty()) state.currentDeviceName = requested;
            if (!state.currentDeviceName.empty()) {
                for (const auto& adapter : enumeration.adapters())
                    if (narrowFromWide(adapter->uniqueDescription) == state.currentDeviceName)
                        selectedAdapter_ = adapter->clone();
            }
        }
        if (bHardwareNotSupported)
            *bHardwareNotSupported = state.hardwareNotSupported == 0 ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    });
}

HRESULT DXContext::enumerateDeviceNames(SAFEARRAY** ppDeviceNames) {
    return PELMORA_INTERFACE_CALL({
        if (!ppDeviceNames) return PELMORA_TRACE_FAILED(E_POINTER);
        DXUTEnumeration& enumeration = DXUTEnumeration::instance();
        ComPtr<IDirect3D9> d3d = createDirect3D();
        HRESULT hr = enumeration.enumerate(d3d.get());
        if (FAILED(hr)) PELMORA_TRACE_FAILED(hr);
        const auto& adapters = enumeration.adapters();
        SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(adapters.size()));
        BSTR* data = nullptr;
        hr = names ? SafeArrayAccessData(names, reinterpret_cast<void**>(&data)) : E_OUTOFMEMORY;
        if (FAILED(hr)) {
            SafeArrayDestroy(names);
            return PELMORA_TRACE_FAILED(hr);
        }
        for (size_t i = 0; i < adapters.size(); ++i)
            data[i] = bstrFromNarrow(narrowFromWide(adapters[i]->uniqueDescription));
        SafeArrayUnaccessData(names);
        *ppDeviceNames = names;
        return S_OK;
    });
}

HRESULT DXContext::newViewport(int hWnd, VARIANT_BOOL bUseSoftware, VARIANT_BOOL,
                               int width, int height, int* ppViewport) {
    return PELMORA_INTERFACE_CALL({
        if (!ppViewport) return PELMORA_TRACE_FAILED(E_POINTER);
        if (width <= 0 || height <= 0) return PELMORA_TRACE_FAILED(E_INVALIDARG);
        const auto w = static_cast<UINT>(width);
        const auto h = static_cast<UINT>(height);
        if (!device_ || w > backBufferDescription_.Width || h > backBufferDescription_.Height) {
            if (DeferredDestruction::hostCodeRunning()) {
                *ppViewport = 0;
                return refuseDeviceReplacement("newViewport");
            }
            // The new back buffer holds this viewport and every one already open.
            UINT minWidth = w, minHeight = h;
            for (DXViewport* viewport : viewports_) {
                minWidth = std::max(minWidth, static_cast<UINT>(viewport->getWidth()));
                minHeight = std::max(minHeight, static_cast<UINT>(viewport->getHeight()));
            }
            HRESULT hr = createDeviceForWindow(hWnd, minWidth, minHeight);
            if (FAILED(hr)) PELMORA_TRACE_FAILED(hr);
        }
        auto* viewport = new DXViewport(hWnd, width, height, backBufferDescription_.Format,
                                        static_cast<int>(bUseSoftware), this);
        if (makeCurrent(viewport) == nullptr) {
            *ppViewport = 0;
            delete viewport;
            return S_OK;
        }
        *ppViewport = HandleTable::instance().issue(viewport, HandleKind::Viewport);
        return S_OK;
    });
}

// ---- Device creation ----

HRESULT DXContext::createDeviceForWindow(HWND window, UINT minWidth, UINT minHeight) {
    for (DXViewport* viewport : viewports_) viewport->releaseDeviceResources(device_.get());
    releaseAllDeviceObjects();
    releaseDevice();

    ComPtr<IDirect3D9> d3d = createDirect3D();
    HRESULT hr = DXUT(d3d.get()).createDevice(window, minWidth, minHeight, device_.put(),
                                               &presentParameters_);
    d3d.reset();
    if (FAILED(hr)) {
        device_.reset();
        return hr;
    }
    deviceWindow_ = window;
    hr = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer_.put());
    if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
    setDefaultRenderStates();
    backBuffer_->GetDesc(&backBufferDescription_);
    restoreViewports();
    return S_OK;
}

void DXContext::setDefaultRenderStates() {
    for (const DefaultRenderState& entry : kDefaultRenderStates) {
        HRESULT hr = device_->SetRenderState(entry.state, entry.value);
        if (FAILED(hr)) PELMORA_TRACE_FAILED(hr);
    }
    HRESULT hr = device_->CreateStateBlock(D3DSBT_ALL, defaultStateBlock_.put());
    if (FAILED(hr)) PELMORA_TRACE_FAILED(hr);
}

void DXContext::restoreViewports() {
    for (DXViewport* viewport : viewports_) viewport->restoreDeviceResources(device_.get());
}

void DXContext::releaseDevice() {
    currentViewport_ = nullptr;
    defaultStateBlock_.reset();
    backBuffer_.reset();
    device_.reset();
}

void DXContext::detachViewports() {
    // Viewports outlive the context; they must not reach it, or its device, again.
    std::vector<DXViewport*> viewports;
    viewports.swap(viewports_);
    for (DXViewport* viewport : viewports) viewport->detachContext();
    currentViewport_ = nullptr;
}

// ---- DXDeviceHost ----

void DXContext::releaseAllDeviceObjects() {
    for (DXObject* object : registry_)
        if (auto* visual = dynamic_cast<DXVisual*>(object)) visual->releaseDeviceObjects();
    // The shared atlas may be on this device with no billboard of ours left.
    SymbolAtlas::shared().releaseIfMadeOn(device_.get());
}

HRESULT DXContext::recreateDevice() {
    return PELMORA_GUARDED({
        if (!device_ || deviceWindow_ == 0) return S_OK;
        if (DeferredDestruction::hostCodeRunning()) return refuseDeviceReplacement("recreateDevice");
        return createDeviceForWindow(deviceWindow_, presentParameters_.BackBufferWidth,
                                     presentParameters_.BackBufferHeight);
    });
}

float DXContext::setRefinementLevel(float level) {
    refinementLevel_ = level;
    return refinementLevel_;
}

IDirect3DDevice9* DXContext::makeCurrent(DXViewport* viewport) {
    if (viewport != currentViewport_) {
        // Set first: activation asks for the device again.
        currentViewport_ = viewport;
        if (viewport && device_) viewport->activate();
    }
    return device_.get();
}

int DXContext::registerViewport(DXViewport* viewport) {
    viewports_.push_back(viewport);
    return static_cast<int>(viewports_.size());
}

void DXContext::unregisterViewport(DXViewport* viewport) {
    std::erase(viewports_, viewport);
    if (currentViewport_ == viewport) currentViewport_ = nullptr;
}

void DXContext::applyDefaultRenderStates() {
    if (defaultStateBlock_) defaultStateBlock_->Apply();
}

HRESULT DXContext::addLight(DXViewport* viewport, const D3DLIGHT9& light, int lightId) {
    return PELMORA_GUARDED({ return viewport->addLight(lightId, light); });
}

// ---- The end of the context ----

void DXContext::releaseDeviceAtTeardown() {
    detachViewports();
    defaultStateBlock_.reset();
    backBuffer_.reset();
    if (device_) SymbolAtlas::shared().releaseIfMadeOn(device_.get());
    IDirect3DDevice9* device = device_.detach();
    if (device == nullptr) return;
    const ULONG remaining = device->Release();
    if (remaining == 0) return;
    // Something made on the device still holds it: buffers of a mesh of
    // another context drawn in one of our viewports, say. The device lives
    // on until the last of them lets go; ending it now would leave them
    // pointing at freed memory.
    consoleFormat("PELMORA: Warning.  Device count is %d after releasing.\n",
                  static_cast<int>(remaining));
}

}  // namespace pelmora
