// Case A of the draw benchmark: the reference scene drawn the way the engine
// draws, through IDirect3DDevice9 on the first adapter that makes a device.
#pragma once

#include "ReferenceScene.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::d3d9gl {
class GLDevice;
}

namespace pelmora::bench {

// One body's buffers in the device (MANAGED pool, as the engine makes them).
struct DeviceBody {
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    UINT vertexCount = 0;
    UINT triangleCount = 0;
};

class DeviceRenderer {
public:
    // nullptr with a reason when no device can be made or the scene not uploaded.
    static std::unique_ptr<DeviceRenderer> create(const ReferenceScene& scene, UINT width, UINT height,
                                                  std::string* error);
    ~DeviceRenderer();

    DeviceRenderer(const DeviceRenderer&) = delete;
    DeviceRenderer& operator=(const DeviceRenderer&) = delete;

    // Clear, draw every body, end the scene and read one pixel back, so the
    // frame has really been rendered when this returns.
    HRESULT drawFrame();
    // The whole back buffer as 0xAARRGGBB, top row first.
    std::vector<uint32_t> readImage() const;

    d3d9gl::GLDevice& glDevice() const;
    const std::vector<DeviceBody>& bodies() const { return bodies_; }
    const std::string& adapterDescription() const { return adapter_; }

private:
    DeviceRenderer(const ReferenceScene& scene) : scene_(scene) {}
    HRESULT createDevice(UINT width, UINT height, std::string* error);
    HRESULT upload();
    void setSceneState();

    const ReferenceScene& scene_;
    IDirect3D9* direct3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DSurface9* backBuffer_ = nullptr;
    std::vector<DeviceBody> bodies_;
    std::string adapter_;
};

}  // namespace pelmora::bench
