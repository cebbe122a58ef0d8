// The context as a viewport sees it, for tests: it hands out one device,
// makes viewports current the way the context does (activating a viewport
// that was not current), and re-creates the device by swapping in the next
// one, with every viewport releasing and restoring its resources around it.
#pragma once

#include "view/DXDeviceHost.h"
#include "view/DXViewport.h"

#include <algorithm>
#include <vector>

namespace pelmora::test {

class FakeDeviceHost final : public DXDeviceHost {
public:
    explicit FakeDeviceHost(IDirect3DDevice9* device) : device_(device) {}

    void releaseAllDeviceObjects() override { ++objectReleases; }
    HRESULT recreateDevice() override {
        ++recreations;
        if (nextDevice == nullptr) return recreateResult;
        for (DXViewport* viewport : viewports) viewport->releaseDeviceResources(device_);
        device_ = std::exchange(nextDevice, nullptr);
        current_ = nullptr;
        for (DXViewport* viewport : viewports) viewport->restoreDeviceResources(device_);
        return S_OK;
    }
    float setRefinementLevel(float level) override { return refinementLevel = level; }
    IDirect3DDevice9* makeCurrent(DXViewport* viewport) override {
        if (viewport != current_) {
            current_ = viewport;
            viewport->activate();
        }
        return device_;
    }
    int registerViewport(DXViewport* viewport) override {
        viewports.push_back(viewport);
        return static_cast<int>(viewports.size());
    }
    void unregisterViewport(DXViewport* viewport) override {
        std::erase(viewports, viewport);
        if (current_ == viewport) current_ = nullptr;
    }
    void applyDefaultRenderStates() override { ++defaultStateApplications; }
    HRESULT addLight(DXViewport* viewport, const D3DLIGHT9& light, int lightId) override {
        return viewport->addLight(lightId, light);
    }

    IDirect3DDevice9* device() const { return device_; }

    std::vector<DXViewport*> viewports;
    IDirect3DDevice9* nextDevice = nullptr;  // what recreateDevice swaps in
    HRESULT recreateResult = S_OK;
    int recreations = 0;
    int objectReleases = 0;
    int defaultStateApplications = 0;
    float refinementLevel = 1.0f;

private:
    IDirect3DDevice9* device_;
    DXViewport* current_ = nullptr;
};

}  // namespace pelmora::test
