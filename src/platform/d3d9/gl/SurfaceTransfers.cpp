#include "platform/d3d9/gl/SurfaceTransfers.h"

#include "platform/d3d9/gl/GLDevice.h"
#include "platform/d3d9/gl/GLSurface.h"


namespace pelmora::d3d9gl {

GLSurface* SurfaceTransfers::surfaceOf(IDirect3DSurface9* surface) const {
    auto* found = dynamic_cast<GLSurface*>(surface);
    return found && found->device() == &device_ ? found : nullptr;
}

HRESULT SurfaceTransfers::stretch(IDirect3DSurface9* source, const RECT* sourceRect,
                                  IDirect3DSurface9* destination, const RECT* destinationRect,
                                  D3DTEXTUREFILTERTYPE filter) {
    GLSurface* from = surfaceOf(source);
    GLSurface* to = surfaceOf(destination);
    if (!from || !to || from == to) return device_.invalidCall("StretchRect: needs two different surfaces of this device");
    GLImage& in = from->image();
    GLImage& out = to->image();
    if (!in.inVideoMemory() || !out.inVideoMemory() || !to->isRenderTarget())
        return device_.invalidCall("StretchRect: source in video memory and a render-target destination needed");
    const RECT inRect = sourceRect ? *sourceRect : in.whole();
    const RECT outRect = destinationRect ? *destinationRect : out.whole();
    if (!in.contains(inRect) || !out.contains(outRect))
        return device_.invalidCall("StretchRect: rectangle outside its surface");
    if (in.locked() || out.locked()) return device_.invalidCall("StretchRect: a surface is locked");
    // Both images keep their top row at GL row 0, so rectangles carry over unflipped.
    const GLenum glFilter = filter >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
    // A blit obeys the scissor test, which a clear may have left on.
    device_.cache().enable(Capability::ScissorTest, false);
    device_.gl().BlitNamedFramebuffer(in.framebuffer(), out.framebuffer(), inRect.left, inRect.top,
                                      inRect.right, inRect.bottom, outRect.left, outRect.top,
                                      outRect.right, outRect.bottom, GL_COLOR_BUFFER_BIT, glFilter);
    return D3D_OK;
}

HRESULT SurfaceTransfers::update(IDirect3DSurface9* source, const RECT* sourceRect,
                                 IDirect3DSurface9* destination, const POINT* destinationPoint) {
    GLSurface* from = surfaceOf(source);
    GLSurface* to = surfaceOf(destination);
    if (!from || !to) return device_.invalidCall("UpdateSurface: needs two surfaces of this device");
    GLImage& in = from->image();
    GLImage& out = to->image();
    if (in.inVideoMemory() || out.pool() != D3DPOOL_DEFAULT)
        return device_.invalidCall("UpdateSurface: copies from system memory into a DEFAULT surface");
    if (in.format().format != out.format().format)
        return device_.invalidCall("UpdateSurface: the surfaces differ in format");
    const RECT inRect = sourceRect ? *sourceRect : in.whole();
    const POINT at = destinationPoint ? *destinationPoint : POINT{inRect.left, inRect.top};
    const RECT outRect = {at.x, at.y, at.x + (inRect.right - inRect.left), at.y + (inRect.bottom - inRect.top)};
    if (!in.contains(inRect) || !out.contains(outRect))
        return device_.invalidCall("UpdateSurface: rectangle outside its surface");
    // Straight from the system-memory pixels, without a copy between.
    out.writeRaw(outRect, in.cpuPixelsAt(inRect), in.cpuPitch());
    return D3D_OK;
}

HRESULT SurfaceTransfers::renderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destination) {
    GLSurface* from = surfaceOf(renderTarget);
    GLSurface* to = surfaceOf(destination);
    if (!from || !to) return device_.invalidCall("GetRenderTargetData: needs two surfaces of this device");
    GLImage& in = from->image();
    GLImage& out = to->image();
    if (!from->isRenderTarget() || out.inVideoMemory())
        return device_.invalidCall("GetRenderTargetData: copies a render target into system memory");
    if (in.width() != out.width() || in.height() != out.height() ||
        in.format().format != out.format().format)
        return device_.invalidCall("GetRenderTargetData: the surfaces differ in size or format");
    // Straight into the system-memory pixels.
    in.readRaw(in.whole(), out.cpuPixelsAt(out.whole()), out.cpuPitch());
    return D3D_OK;
}

}  // namespace pelmora::d3d9gl
