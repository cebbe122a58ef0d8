// The Direct3D 9 device over one OpenGL context. The method list comes from
// PELMORA_D3D9_DEVICE_METHODS; the work is split by interface family: state
// (StateTracker), draws and clears (DrawPipeline), the back buffer and
// presentation (SwapChain), surface copies (SurfaceTransfers), resources
// (the GL* resource classes) and state blocks (GLStateBlock).
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/gl/GLContext.h"
#include "platform/d3d9/gl/GLStateCache.h"

#include <memory>

namespace pelmora::d3d9state {
class StateTracker;
}  // namespace pelmora::d3d9state

namespace pelmora::d3d9gl {

using d3d9state::StateTracker;
class DrawPipeline;
class SwapChain;
struct EglAdapter;

class GLDevice final : public IDirect3DDevice9 {
public:
    static HRESULT create(IDirect3D9* direct3d, const EglAdapter& adapter, UINT ordinal,
                          DWORD behaviour, D3DPRESENT_PARAMETERS* parameters,
                          IDirect3DDevice9** result);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

#define PELMORA_D3D9GL_DECLARE_OVERRIDE(ret, name, params, args) ret name params override;
    PELMORA_D3D9_DEVICE_METHODS(PELMORA_D3D9GL_DECLARE_OVERRIDE)
#undef PELMORA_D3D9GL_DECLARE_OVERRIDE

    // For the resources, state blocks and helpers of this device.
    bool makeCurrent() { return context_->makeCurrent(); }
    // For draws: inside a scene the context was made current at BeginScene
    // and only the devices' own calls run until EndScene, so what this
    // thread last made current tells without asking EGL (a query and a
    // process-id check in the dispatch layer, per draw). Any other device
    // making its context current in between is seen and undone.
    bool makeCurrentForDraw() { return (inScene_ && context_->lastMadeCurrent()) || makeCurrent(); }
    const GLApi& gl() const { return context_->gl(); }
    GLStateCache& cache() { return *cache_; }
    StateTracker& tracker() { return *tracker_; }
    const EglAdapter& adapter() const { return adapter_; }
    UINT targetWidth() const;
    UINT targetHeight() const;

    // Log a reason and return the matching status.
    HRESULT invalidCall(const char* reason) const;
    HRESULT notAvailable(const char* reason) const;
    HRESULT notImplemented(const char* what) const;

    // Test support: a lost device without a real GL reset, and the number of
    // GL state calls made so far.
    void forceDeviceLoss() { forcedLoss_ = true; }
    uint64_t glStateCalls() const { return cache_->stateCalls(); }
    size_t programCount() const;

private:
    GLDevice(IDirect3D9* direct3d, const EglAdapter& adapter, UINT ordinal, DWORD behaviour,
             std::unique_ptr<GLContext> context);
    ~GLDevice();
    HRESULT initialise(D3DPRESENT_PARAMETERS* parameters);
    bool lost();

    ULONG references_ = 1;
    IDirect3D9* direct3d_;
    const EglAdapter& adapter_;
    UINT ordinal_;
    DWORD behaviour_;
    std::unique_ptr<GLContext> context_;
    std::unique_ptr<GLStateCache> cache_;
    std::unique_ptr<SwapChain> swapChain_;
    std::unique_ptr<StateTracker> tracker_;
    std::unique_ptr<DrawPipeline> pipeline_;
    bool inScene_ = false;
    bool forcedLoss_ = false;
    bool resetSeen_ = false;
};

}  // namespace pelmora::d3d9gl
