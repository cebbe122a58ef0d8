// What a draw needs of the view it draws into, handed down the frame walk:
// the switches the frames read, the device, the refinement the view asks
// for, the pass under way, the camera and the view volume, the line drawer
// and the edge queue. The viewport implements it; frames and meshes see
// nothing else of the view, so nothing below it calls back up into it.
#pragma once

#include "math/ViewVolume.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx/d3dx9line.h"
#include "platform/d3dx/d3dx9math.h"

namespace pelmora {

class EdgePass;

class RenderContext {
public:
    // ---- What frames read ----
    // Set by setDisregardRenderOverride: frames' override switches are ignored.
    virtual bool disregardRenderOverride() const = 0;
    // Set by viewportSetNoReflectivity: coloured frames draw without highlights.
    virtual bool noReflectivity() const = 0;
    // Makes the matrix the device's world transform.
    virtual HRESULT setWorldTransform(IDirect3DDevice9* device, const D3DMATRIX& world) = 0;
    // True while the walk draws the translucent visuals, after the opaque ones.
    virtual bool translucentPass() const = 0;

    // ---- What meshes read ----
    // The device the view draws with; null when it has none.
    virtual IDirect3DDevice9* getDevice() = 0;
    // The deviation host meshes are refined to, and whether the host sets it
    // by hand (manual refinement) rather than the zoom.
    virtual float refinementDeviation() const = 0;
    virtual bool manualRefinement() const = 0;
    // Hidden meshes draw all the same (render's forceRender).
    virtual bool forceRender() const = 0;
    // Small meshes may be left out (the level-of-detail switch).
    virtual bool reduceDetails() const = 0;
    // The view's size in pixels.
    virtual double getWidth() const = 0;
    virtual double getHeight() const = 0;
    // The chain from world to the screen: the camera's own transform, the
    // view matrix, the projection, and the device's rectangle.
    virtual const D3DXMATRIX& cameraTransform() const = 0;
    virtual const D3DXMATRIX& viewMatrix() const = 0;
    virtual const D3DXMATRIX& projection() const = 0;
    virtual const D3DVIEWPORT9& deviceViewport() const = 0;
    virtual HRESULT getViewportPlane(double* left, double* right, double* bottom, double* top) = 0;
    // True when the box, in the space `world` takes to world space, lies
    // wholly outside the view volume, its sides pushed out by marginPixels.
    virtual bool boxOutsideView(const ClipBox& box, const D3DMATRIX& world, float marginPixels) const = 0;
    // The line object wide lines are drawn with; null when there is none.
    virtual ID3DXLine* lineDrawer() const = 0;
    // Where solids queue their edges during the opaque walk.
    virtual EdgePass& edgePass() = 0;

protected:
    ~RenderContext() = default;
};

}  // namespace pelmora
