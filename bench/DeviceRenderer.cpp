#include "DeviceRenderer.h"

#include "BackBufferReads.h"

#include "platform/d3d9/gl/GLDevice.h"

#include <cstring>

namespace pelmora::bench {
namespace {

template <class Buffer>
HRESULT fill(Buffer* buffer, const void* data, UINT bytes) {
    void* locked = nullptr;
    const HRESULT status = buffer->Lock(0, bytes, &locked, 0);
    if (FAILED(status)) return status;
    std::memcpy(locked, data, bytes);
    return buffer->Unlock();
}

}  // namespace

std::unique_ptr<DeviceRenderer> DeviceRenderer::create(const ReferenceScene& scene, UINT width, UINT height,
                                                       std::string* error) {
    std::unique_ptr<DeviceRenderer> renderer(new DeviceRenderer(scene));
    if (FAILED(renderer->createDevice(width, height, error))) return nullptr;
    if (FAILED(renderer->upload())) {
        *error = "the scene's buffers could not be made";
        return nullptr;
    }
    renderer->setSceneState();
    return renderer;
}

HRESULT DeviceRenderer::createDevice(UINT width, UINT height, std::string* error) {
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!direct3d_ || direct3d_->GetAdapterCount() == 0) {
        *error = "no Direct3D adapter (no EGL device)";
        return E_FAIL;
    }
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    // Adapters come best first: hardware devices, then the software rasterizer.
    for (UINT adapter = 0; adapter < direct3d_->GetAdapterCount() && !device_; ++adapter) {
        for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_SW}) {
            if (FAILED(direct3d_->CheckDeviceType(adapter, type, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE)))
                continue;
            D3DPRESENT_PARAMETERS tried = parameters;
            if (SUCCEEDED(direct3d_->CreateDevice(adapter, type, 0, D3DCREATE_HARDWARE_VERTEXPROCESSING, &tried,
                                                  &device_))) {
                D3DADAPTER_IDENTIFIER9 identifier{};
                direct3d_->GetAdapterIdentifier(adapter, 0, &identifier);
                adapter_ = identifier.Description;
                break;
            }
            device_ = nullptr;
        }
    }
    if (!device_ || FAILED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer_))) {
        *error = "no adapter made a device with a lockable back buffer";
        return E_FAIL;
    }
    return D3D_OK;
}

HRESULT DeviceRenderer::upload() {
    for (const Body& body : scene_.bodies) {
        DeviceBody made;
        made.vertexCount = UINT(body.vertices.size());
        made.triangleCount = body.triangleCount();
        const UINT vertexBytes = UINT(body.vertices.size() * sizeof(SceneVertex));
        const UINT indexBytes = UINT(body.indices.size() * sizeof(uint16_t));
        HRESULT status = device_->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, kSceneFvf, D3DPOOL_MANAGED,
                                                     &made.vertices, nullptr);
        if (SUCCEEDED(status))
            status = device_->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                                &made.indices, nullptr);
        bodies_.push_back(made);
        if (SUCCEEDED(status)) status = fill(made.vertices, body.vertices.data(), vertexBytes);
        if (SUCCEEDED(status)) status = fill(made.indices, body.indices.data(), indexBytes);
        if (FAILED(status)) return status;
    }
    return D3D_OK;
}

// The states the engine sets for shaded solids.
void DeviceRenderer::setSceneState() {
    device_->SetTransform(D3DTS_VIEW, &scene_.view);
    device_->SetTransform(D3DTS_PROJECTION, &scene_.projection);
    device_->SetLight(0, &scene_.light);
    device_->LightEnable(0, TRUE);
    device_->SetMaterial(&scene_.material);
    device_->SetRenderState(D3DRS_LIGHTING, TRUE);
    device_->SetRenderState(D3DRS_AMBIENT, scene_.ambient);
    device_->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
}

HRESULT DeviceRenderer::drawFrame() {
    HRESULT status = device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, scene_.background, 1.0f, 0);
    if (SUCCEEDED(status)) status = device_->BeginScene();
    if (FAILED(status)) return status;
    for (size_t i = 0; i < bodies_.size() && SUCCEEDED(status); ++i) {
        const DeviceBody& body = bodies_[i];
        device_->SetFVF(kSceneFvf);
        device_->SetStreamSource(0, body.vertices, 0, sizeof(SceneVertex));
        device_->SetIndices(body.indices);
        device_->SetTransform(D3DTS_WORLD, &scene_.bodies[i].world);
        status = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, body.vertexCount, 0, body.triangleCount);
    }
    const HRESULT ended = device_->EndScene();
    if (FAILED(status)) return status;
    if (FAILED(ended)) return ended;
    return readOnePixel(backBuffer_);
}

std::vector<uint32_t> DeviceRenderer::readImage() const { return readWholeImage(backBuffer_); }

d3d9gl::GLDevice& DeviceRenderer::glDevice() const { return *static_cast<d3d9gl::GLDevice*>(device_); }

DeviceRenderer::~DeviceRenderer() {
    for (DeviceBody& body : bodies_) {
        if (body.vertices) body.vertices->Release();
        if (body.indices) body.indices->Release();
    }
    if (backBuffer_) backBuffer_->Release();
    if (device_) device_->Release();
    if (direct3d_) direct3d_->Release();
}

}  // namespace pelmora::bench
