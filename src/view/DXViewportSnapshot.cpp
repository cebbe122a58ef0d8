// Saving the viewport's part of the shared back buffer, as the last render
// left it, to an image file.
#include "view/SnapshotWriter.h"

#include "view/ViewportOperation.h"

namespace pelmora {

HRESULT DXViewport::saveSnapshot(IDirect3DDevice9* device, IDirect3DSurface9* backBuffer,
                                 const std::string& fileName, int width, int height) {
    return VIEWPORT_OPERATION({
        if (device == nullptr) return VIEWPORT_NO_DEVICE();
        if (backBuffer == nullptr) return PELMORA_TRACE_FAILED(D3DERR_INVALIDCALL);
        return SnapshotWriter(fileName, width, height).write(backBuffer, viewportArea());
    });
}

}  // namespace pelmora
