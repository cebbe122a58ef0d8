// The viewport's background: two triangles covering the window's client area
// at the far depth, the top colour above fading to the bottom colour below.
// Drawn only after a clear; equal colours need no triangles at all.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/com/ComPtr.h"

#include <cstdint>

namespace pelmora {

class BackgroundGradient {
public:
    static constexpr UINT kVertexStride = 20;  // x, y, z, rhw, colour
    static constexpr DWORD kVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
    static constexpr UINT kVertexCount = 6;

    // Takes the colours and builds the vertex buffer for a client area of
    // width x height on the device; equal colours, or no device, leave no buffer.
    HRESULT rebuild(IDirect3DDevice9* device, uint32_t topColor, uint32_t bottomColor, int width,
                    int height);
    // Makes the buffer again with the colours and size it was last given,
    // after the device it lived on went away.
    HRESULT rebuildOn(IDirect3DDevice9* device);
    // Drops the buffer before its device goes.
    void releaseBuffer() { buffer_.reset(); }

    // Draws the two triangles; false (with the failure traced) when a draw
    // call failed, true otherwise, also when there is nothing to draw.
    bool draw(IDirect3DDevice9* device) const;

    bool hasBuffer() const { return static_cast<bool>(buffer_); }
    IDirect3DVertexBuffer9* buffer() const { return buffer_.get(); }
    uint32_t topColor() const { return topColor_; }
    uint32_t bottomColor() const { return bottomColor_; }

private:
    HRESULT fillBuffer() const;

    ComPtr<IDirect3DVertexBuffer9> buffer_;
    uint32_t bottomColor_ = 0;
    uint32_t topColor_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace pelmora
