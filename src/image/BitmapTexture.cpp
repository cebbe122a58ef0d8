#include "image/BitmapTexture.h"

#include "core/Diagnostics.h"
#include "image/TextureFromBitmap.h"

#include <limits>

namespace pelmora {
namespace {

constexpr UINT kDisplaySwapChain = 0;

constexpr UINT kUnknownWidth = std::numeric_limits<UINT>::max();

// The display's width; unlimited when the device cannot say.
UINT displayWidth(IDirect3DDevice9* device) {
    D3DDISPLAYMODE mode{};
    const HRESULT hr = device->GetDisplayMode(kDisplaySwapChain, &mode);
    if (FAILED(hr)) {
        PELMORA_TRACE_FAILED(hr);
        return kUnknownWidth;
    }
    return mode.Width != 0 ? mode.Width : kUnknownWidth;
}

}  // namespace

BitmapTexture::BitmapTexture(win::HBITMAP hostBitmap) : bitmap_(hostBitmap) {}

BitmapTexture::~BitmapTexture() = default;

bool BitmapTexture::madeOn(IDirect3DDevice9* device) const {
    ComPtr<IDirect3DDevice9> owner;
    return SUCCEEDED(texture_->GetDevice(owner.put())) && owner.get() == device;
}

IDirect3DTexture9* BitmapTexture::textureFor(IDirect3DDevice9* device) {
    if (texture_) {
        if (madeOn(device)) return texture_.get();
        texture_.reset();
    }
    plan_.isWide = plan_.isTall = false;
    plan_.stripCount = 1;
    UINT width = 0, height = 0;
    if (!device || !bitmap_.size(&width, &height)) return nullptr;
    plan_ = planTexture(width, height, displayWidth(device));
    const RECT whole{0, 0, LONG(width), LONG(height)};
    texture_ = createTextureFromBitmap(device, bitmap_.handle(), whole, plan_);
    return texture_.get();
}

void BitmapTexture::releaseDeviceObjects() { texture_.reset(); }

void BitmapTexture::setPreloadedSize(UINT edge) {
    plan_ = TexturePlan{};
    plan_.bitmapWidth = plan_.bitmapHeight = plan_.textureSize = edge;
}

}  // namespace pelmora
