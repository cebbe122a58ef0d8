// Textures from the library's own bitmap resources.
#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/D3DXSymbolAtlas.h"
#include "platform/d3dx/d3dx9tex.h"
#include "platform/imaging/ImageFile.h"

namespace {

using pelmora::ComPtr;
namespace imaging = pelmora::imaging;

HRESULT loadResource(LPCSTR resource, imaging::Image* image) {
    if (!IS_INTRESOURCE(resource) || uintptr_t(resource) != PELMORA_RESOURCE_SYMBOL_ATLAS) {
        if (IS_INTRESOURCE(resource))
            pelmora::logFormat("D3DXCreateTextureFromResource: no bitmap resource %u\n", unsigned(uintptr_t(resource)));
        else
            pelmora::logFormat("D3DXCreateTextureFromResource: no bitmap resource named '%s'\n", resource);
        return D3DXERR_INVALIDDATA;
    }
    const std::vector<uint8_t> bytes = pelmora::d3dx::symbolAtlasBitmap();
    return imaging::readBmpMemory(bytes.data(), bytes.size(), "bitmap resource 102", image);
}

UINT requestedSize(UINT requested, int imageSize) {
    if (requested == 0 || requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return UINT(imageSize);
    if (requested != D3DX_DEFAULT) return requested;
    UINT p = 1;
    while (p < UINT(imageSize)) p <<= 1;
    return p;
}

HRESULT fillTexture(IDirect3DTexture9* texture, const imaging::Image& image, DWORD filter, DWORD mipFilter,
                    D3DCOLOR colourKey) {
    ComPtr<IDirect3DSurface9> top;
    PELMORA_RETURN_IF_FAILED(texture->GetSurfaceLevel(0, top.put()));
    const RECT whole{0, 0, LONG(image.width), LONG(image.height)};
    PELMORA_RETURN_IF_FAILED(D3DXLoadSurfaceFromMemory(top.get(), nullptr, nullptr, image.pixels.data(),
                                                       D3DFMT_A8R8G8B8, UINT(image.width) * sizeof(uint32_t),
                                                       nullptr, &whole, filter, colourKey));
    if (texture->GetLevelCount() > 1) PELMORA_RETURN_IF_FAILED(D3DXFilterTexture(texture, nullptr, 0, mipFilter));
    return D3D_OK;
}

}  // namespace

HRESULT D3DXCreateTextureFromResourceExA(IDirect3DDevice9* device, HMODULE /*module*/, LPCSTR resource,
                                         UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                         D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colourKey,
                                         D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* /*palette*/,
                                         IDirect3DTexture9** texture) {
    if (!device || !resource || !texture) {
        pelmora::logMessage("D3DXCreateTextureFromResource: needs a device, a resource and a place for the texture\n");
        return D3DERR_INVALIDCALL;
    }
    *texture = nullptr;
    imaging::Image image;
    PELMORA_RETURN_IF_FAILED(loadResource(resource, &image));
    if (sourceInfo)
        *sourceInfo = {UINT(image.width), UINT(image.height), 1, 1, D3DFMT_P8, D3DRTYPE_TEXTURE, D3DXIFF_BMP};
    if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE)
        format = colourKey != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (levels == D3DX_FROM_FILE) levels = 1;
    ComPtr<IDirect3DTexture9> created;
    PELMORA_RETURN_IF_FAILED(D3DXCreateTexture(device, requestedSize(width, image.width),
                                               requestedSize(height, image.height), levels, usage, format, pool,
                                               created.put()));
    PELMORA_RETURN_IF_FAILED(fillTexture(created.get(), image, filter, mipFilter, colourKey));
    *texture = created.detach();
    return D3D_OK;
}
