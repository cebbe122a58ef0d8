// A rectangle of a surface written to an image file through the imaging layer.
#include "core/Diagnostics.h"
#include "platform/d3d9/PixelFormat.h"
#include "platform/d3dx/D3DXSurfacePixels.h"
#include "platform/d3dx/d3dx9tex.h"
#include "platform/imaging/ImageFile.h"

namespace {

bool imagingFormat(D3DXIMAGE_FILEFORMAT format, pelmora::imaging::ImageFormat* result) {
    switch (format) {
        case D3DXIFF_BMP:
        case D3DXIFF_DIB: *result = pelmora::imaging::ImageFormat::Bmp; return true;
        case D3DXIFF_JPG: *result = pelmora::imaging::ImageFormat::Jpeg; return true;
        case D3DXIFF_PNG: *result = pelmora::imaging::ImageFormat::Png; return true;
        default: return false;
    }
}

bool hasAlpha(D3DFORMAT format) {
    const pelmora::d3d9::PixelFormat* info = pelmora::d3d9::findPixelFormat(format);
    return info && info->alphaMask != 0;
}

}  // namespace

HRESULT D3DXSaveSurfaceToFileA(LPCSTR path, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface9* surface,
                               const PALETTEENTRY* palette, const RECT* rect) {
    if (!path || !surface || palette) {
        pelmora::logMessage("D3DXSaveSurfaceToFile: needs a file name and a surface, and no palette\n");
        return D3DERR_INVALIDCALL;
    }
    pelmora::imaging::ImageFormat fileFormat{};
    if (!imagingFormat(format, &fileFormat)) {
        pelmora::logFormat("D3DXSaveSurfaceToFile: image file format %u is not written\n", unsigned(format));
        return E_NOTIMPL;
    }
    RECT bounds{};
    PELMORA_RETURN_IF_FAILED(pelmora::d3dx::surfaceBounds(surface, &bounds));
    const RECT from = rect ? *rect : bounds;
    if (!pelmora::d3dx::rectInside(from, bounds)) {
        pelmora::logMessage("D3DXSaveSurfaceToFile: rectangle outside the surface\n");
        return D3DERR_INVALIDCALL;
    }
    pelmora::imaging::Image image;
    PELMORA_RETURN_IF_FAILED(pelmora::d3dx::readSurface(surface, from, &image));
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(surface->GetDesc(&desc));
    pelmora::imaging::WriteOptions options;
    options.keepAlpha = hasAlpha(desc.Format);
    PELMORA_RETURN_IF_FAILED(pelmora::imaging::writeImage(path, fileFormat, image.view(), options));
    return D3D_OK;
}
