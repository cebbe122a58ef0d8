#include "view/BackgroundGradient.h"

#include "core/Diagnostics.h"

namespace pelmora {

namespace {

struct GradientVertex {
    float x;
    float y;
    float z;
    float rhw;
    uint32_t color;
};
static_assert(sizeof(GradientVertex) == BackgroundGradient::kVertexStride);

constexpr float kFarDepth = 1.0f;
// The background is drawn opaque whatever alpha the host's colours carry
// (the defaults carry none): the default alpha test would otherwise discard
// it and leave only the clear colour.
constexpr uint32_t kOpaqueAlpha = 0xFF000000u;
constexpr float kUnitRhw = 1.0f;
constexpr UINT kTriangleCount = 2;

}  // namespace

HRESULT BackgroundGradient::rebuild(IDirect3DDevice9* device, uint32_t topColor,
                                    uint32_t bottomColor, int width, int height) {
    topColor_ = topColor;
    bottomColor_ = bottomColor;
    width_ = width;
    height_ = height;
    return rebuildOn(device);
}

HRESULT BackgroundGradient::rebuildOn(IDirect3DDevice9* device) {
    buffer_.reset();
    if (topColor_ == bottomColor_ || device == nullptr) return S_OK;
    ComPtr<IDirect3DVertexBuffer9> created;
    HRESULT status =
        device->CreateVertexBuffer(kVertexCount * kVertexStride, D3DUSAGE_WRITEONLY, kVertexFormat,
                                   D3DPOOL_MANAGED, created.put(), nullptr);
    if (SUCCEEDED(status) && !created) status = E_POINTER;
    if (FAILED(status)) return PELMORA_TRACE_FAILED(status);
    buffer_ = std::move(created);
    status = fillBuffer();
    if (FAILED(status)) buffer_.reset();
    return status;
}

HRESULT BackgroundGradient::fillBuffer() const {
    void* data = nullptr;
    HRESULT status = buffer_->Lock(0, 0, &data, 0);
    if (SUCCEEDED(status) && data == nullptr) status = E_POINTER;
    if (FAILED(status)) return PELMORA_TRACE_FAILED(status);
    const float left = 0.0f;
    const float top = 0.0f;
    const auto right = static_cast<float>(width_);
    const auto bottom = static_cast<float>(height_);
    const uint32_t topColor = topColor_ | kOpaqueAlpha;
    const uint32_t bottomColor = bottomColor_ | kOpaqueAlpha;
    const GradientVertex vertices[kVertexCount] = {
        {right, top, kFarDepth, kUnitRhw, topColor},
        {left, top, kFarDepth, kUnitRhw, topColor},
        {right, bottom, kFarDepth, kUnitRhw, bottomColor},
        {left, bottom, kFarDepth, kUnitRhw, bottomColor},
        {right, bottom, kFarDepth, kUnitRhw, bottomColor},
        {left, top, kFarDepth, kUnitRhw, topColor},
    };
    auto* out = static_cast<GradientVertex*>(data);
    for (UINT i = 0; i < kVertexCount; ++i) out[i] = vertices[i];
    buffer_->Unlock();
    return S_OK;
}

bool BackgroundGradient::draw(IDirect3DDevice9* device) const {
    if (!buffer_) return true;
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    HRESULT status = device->SetStreamSource(0, buffer_.get(), 0, kVertexStride);
    if (SUCCEEDED(status)) status = device->SetFVF(kVertexFormat);
    if (SUCCEEDED(status)) status = device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kTriangleCount);
    if (FAILED(status)) {
        PELMORA_TRACE_FAILED(status);
        return false;
    }
    return true;
}

}  // namespace pelmora
