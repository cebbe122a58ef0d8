#include "image/SymbolAtlas.h"

#include "core/Diagnostics.h"
#include "platform/d3dx/D3DXSymbolAtlas.h"
#include "platform/d3dx/d3dx9tex.h"

namespace pelmora {
namespace {

// Failures are traced under the visual class that draws the atlas.
constexpr const char* kTraceSource = "DXBillboard.cpp";
constexpr UINT kFullChain = 0;
// Black is the transparent colour of the artwork.
constexpr D3DCOLOR kAtlasColorKey = 0xFF000000u;

}  // namespace

SymbolAtlas& SymbolAtlas::shared() {
    static SymbolAtlas atlas;
    return atlas;
}

HRESULT SymbolAtlas::load(IDirect3DDevice9* device) {
    if (texture_) return S_OK;
    if (device == nullptr) return E_POINTER;
    // The resource's own size, no filtering: every texel is the artwork's.
    const HRESULT hr = D3DXCreateTextureFromResourceExA(
        device, nullptr, MAKEINTRESOURCEA(PELMORA_RESOURCE_SYMBOL_ATLAS), d3dx::kAtlasSize,
        d3dx::kAtlasSize, kFullChain, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_FILTER_NONE,
        D3DX_FILTER_NONE, kAtlasColorKey, nullptr, nullptr, texture_.put());
    if (FAILED(hr)) {
        texture_.reset();
        return traceFailedHresult(hr, kTraceSource, __LINE__);
    }
    ++loads_;
    return S_OK;
}

void SymbolAtlas::release() { texture_.reset(); }

void SymbolAtlas::releaseIfMadeOn(IDirect3DDevice9* device) {
    if (texture_ && madeOn(device)) release();
}

bool SymbolAtlas::madeOn(IDirect3DDevice9* device) const {
    if (!texture_) return false;
    ComPtr<IDirect3DDevice9> owner;
    return SUCCEEDED(texture_->GetDevice(owner.put())) && owner.get() == device;
}

}  // namespace pelmora
