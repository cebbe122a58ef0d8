#include "BackBufferReads.h"

#include <cstring>

namespace pelmora::bench {

HRESULT readOnePixel(IDirect3DSurface9* backBuffer) {
    RECT pixel = {0, 0, 1, 1};
    D3DLOCKED_RECT locked{};
    const HRESULT status = backBuffer->LockRect(&locked, &pixel, D3DLOCK_READONLY);
    if (FAILED(status)) return status;
    return backBuffer->UnlockRect();
}

std::vector<uint32_t> readWholeImage(IDirect3DSurface9* backBuffer) {
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    std::vector<uint32_t> pixels;
    if (FAILED(backBuffer->GetDesc(&desc)) || FAILED(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return pixels;
    pixels.resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&pixels[size_t(y) * desc.Width],
                    static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                    desc.Width * sizeof(uint32_t));
    backBuffer->UnlockRect();
    return pixels;
}

}  // namespace pelmora::bench
