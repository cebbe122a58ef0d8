// What the frame walk needs of the viewport it draws into.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace pelmora {

class SceneViewport {
public:
    // Set by setDisregardRenderOverride: frames' override switches are ignored.
    virtual bool disregardRenderOverride() const = 0;
    // Set by viewportSetNoReflectivity: coloured frames draw without highlights.
    virtual bool noReflectivity() const = 0;
    // Makes the matrix the device's world transform.
    virtual HRESULT setWorldTransform(IDirect3DDevice9* device, const D3DMATRIX& world) = 0;

protected:
    ~SceneViewport() = default;
};

}  // namespace pelmora
