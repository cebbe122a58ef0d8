// A viewport on a fake device, with the context as a viewport sees it: one
// device handed out, viewports made current the way the context does
// (activating one that was not current), and re-creation swapping in the
// next device with every viewport releasing and restoring its resources.
#pragma once

#include "view/DXDeviceHost.h"
#include "view/DXViewport.h"
#include "view/FakeDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::test {

class FakeDeviceHost final : public DXDeviceHost {
public:
    explicit FakeDeviceHost(IDirect3DDevice9* device) : device_(device) {}

    void releaseAllDeviceObjects() override {}
    HRESULT recreateDevice() override {
        ++recreations;
        if (nextDevice == nullptr) return S_OK;
        for (DXViewport* viewport : viewports) viewport->releaseDeviceResources(device_);
        device_ = std::exchange(nextDevice, nullptr);
        current_ = nullptr;
        for (DXViewport* viewport : viewports) viewport->restoreDeviceResources(device_);
        return S_OK;
    }
    float setRefinementLevel(float level) override { return refinementLevel = level; }
    IDirect3DDevice9* makeCurrent(DXViewport* viewport) override {
        if (viewport != std::exchange(current_, viewport)) viewport->activate();
        return device_;
    }
    int registerViewport(DXViewport* viewport) override {
        viewports.push_back(viewport);
        return int(viewports.size());
    }
    void unregisterViewport(DXViewport* viewport) override {
        std::erase(viewports, viewport);
        if (current_ == viewport) current_ = nullptr;
    }
    void applyDefaultRenderStates() override {}
    HRESULT addLight(DXViewport* viewport, const D3DLIGHT9& light, int lightId) override {
        return viewport->addLight(lightId, light);
    }

    std::vector<DXViewport*> viewports;
    IDirect3DDevice9* nextDevice = nullptr;  // what recreateDevice swaps in
    int recreations = 0;
    float refinementLevel = 1.0f;

private:
    IDirect3DDevice9* device_;
    DXViewport* current_ = nullptr;
};

struct ViewportRig {
    FakeDevice device;
    FakeDeviceHost host{&device};

    std::unique_ptr<DXViewport> make(int width = 800, int height = 600, HWND window = 0) {
        return std::make_unique<DXViewport>(window, width, height, D3DFMT_X8R8G8B8, 0, &host);
    }
    // The recorded calls with these names, in order.
    std::vector<std::string> calls(const std::vector<std::string>& names) const {
        return device.callTexts(names);
    }
    size_t count(const std::string& name) const { return calls({name}).size(); }
};

inline std::string captureOutput(const std::function<void()>& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

}  // namespace pelmora::test
