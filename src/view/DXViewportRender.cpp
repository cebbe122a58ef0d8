// The render pass: refinement deviation, transforms, background, lights and
// states, and the two walks of the frame tree (opaque, then translucent).
#include "scene/DXFrame.h"
#include "scene/RenderAttributes.h"
#include "view/ViewportOperation.h"

namespace pelmora {

namespace {

constexpr int kFlatShadingQuality = 1;
constexpr DWORD kOff = 0;
constexpr DWORD kOn = 1;
constexpr float kClearDepth = 1.0f;
// The integer 1 as the state's raw bits, not the float 1.0: the value
// preserved-depth renders have always set.
constexpr DWORD kPreservedDepthBias = 1;

D3DXMATRIX identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

}  // namespace

HRESULT DXViewport::clearViewport() {
    return VIEWPORT_OPERATION({
        IDirect3DDevice9* device = getDevice();
        if (device == nullptr) return VIEWPORT_NO_DEVICE();
        const HRESULT status = device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                                             clearColor_, kClearDepth, 0);
        cleared_ = true;
        return FAILED(status) ? PELMORA_TRACE_FAILED(status) : S_OK;
    });
}

HRESULT DXViewport::render(DXFrame* root, VARIANT_BOOL forceRender, VARIANT_BOOL preserveDepth) {
    return VIEWPORT_OPERATION({
        if (root == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        IDirect3DDevice9* device = nullptr;
        const HRESULT status = PELMORA_GUARDED({
            device = getDevice();
            if (device == nullptr) return VIEWPORT_NO_DEVICE();
            forceRender_ = forceRender != 0;
            chooseRefinementDeviation();
            return renderSteps(device, root, preserveDepth != 0);
        });
        // The scene is closed whatever happened inside it.
        cleared_ = false;
        edgePass_.abandon();
        if (device != nullptr) {
            device->EndScene();
            const D3DXMATRIX world = identity();
            device->SetTransform(D3DTS_WORLD, &world);
        }
        return status;
    });
}

HRESULT DXViewport::renderSteps(IDirect3DDevice9* device, DXFrame* root, bool preserveDepth) {
    HRESULT status = setPassTransforms(device);
    // A lost device fails here; presentation finds and repairs it.
    if (FAILED(device->BeginScene())) return status;
    if (cleared_) drawBackground(device);
    setLightsAndStates(device, preserveDepth);
    // Solids' edges wait for every opaque face; translucent bodies draw theirs as they go.
    edgePass_.begin(device);
    status = walk(device, root);
    const HRESULT edges = edgePass_.draw(device);
    if (SUCCEEDED(status)) status = edges;
    if (SUCCEEDED(status)) {
        translucentPass_ = true;
        device->SetRenderState(D3DRS_ZWRITEENABLE, kOff);
        status = walk(device, root);
    }
    if (cleared_) frameRate_.measure(width_, height_, clearColor_);
    return status;
}

void DXViewport::chooseRefinementDeviation() {
    if (manualRefinement_) {
        refinementDeviation_ = manualRefinementDeviation_;
        return;
    }
    const float eyeDistance = -view_._43;
    refinementDeviation_ = automaticRefinementDeviation(plane_, front_, perspective_, eyeDistance);
}

HRESULT DXViewport::setPassTransforms(IDirect3DDevice9* device) {
    const D3DXMATRIX world = identity();
    HRESULT status = device->SetTransform(D3DTS_WORLD, &world);
    cameraView_ = cameraTransform_ * view_;
    const HRESULT viewStatus = device->SetTransform(D3DTS_VIEW, &cameraView_);
    const HRESULT projectionStatus = device->SetTransform(D3DTS_PROJECTION, &projection_);
    if (SUCCEEDED(status)) status = viewStatus;
    if (SUCCEEDED(status)) status = projectionStatus;
    return status;
}

void DXViewport::drawBackground(IDirect3DDevice9* device) {
    if (gradientNeedsBuild_) {
        gradient_.rebuildOn(device);
        gradientNeedsBuild_ = false;
    }
    if (!gradient_.hasBuffer()) return;
    if (gradient_.draw(device)) device->SetTransform(D3DTS_WORLD, &cameraTransform_);
}

void DXViewport::setLightsAndStates(IDirect3DDevice9* device, bool preserveDepth) {
    D3DXMATRIX inverseCamera = identity();
    D3DXMatrixInverse(&inverseCamera, nullptr, &cameraTransform_);
    lights_.apply(device, inverseCamera);
    translucentPass_ = false;
    device->SetRenderState(D3DRS_AMBIENT, ambientColor_);
    device->SetMaterial(&material_);
    device->SetRenderState(D3DRS_SHADEMODE,
                           quality_ == kFlatShadingQuality ? D3DSHADE_FLAT : D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_ZWRITEENABLE, preserveDepth ? kOff : kOn);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    setDepthBias(device, preserveDepth);
    device->SetRenderState(D3DRS_LOCALVIEWER, kOn);
}

void DXViewport::setDepthBias(IDirect3DDevice9* device, bool preserveDepth) const {
    const DWORD bias = preserveDepth ? kPreservedDepthBias : 0;
    if (caps_.RasterCaps & D3DPRASTERCAPS_DEPTHBIAS)
        device->SetRenderState(D3DRS_DEPTHBIAS, bias);
    else if (caps_.RasterCaps & D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS)
        device->SetRenderState(D3DRS_SLOPESCALEDEPTHBIAS, bias);
}

bool DXViewport::boxOutsideView(const ClipBox& box, const D3DMATRIX& world,
                                float marginPixels) const {
    // The view and projection the render pass gave the device.
    const D3DXMATRIX toClip = D3DXMATRIX(world) * cameraView_ * projection_;
    const float marginX = width_ > 0 ? 2.0f * marginPixels / float(width_) : 0.0f;
    const float marginY = height_ > 0 ? 2.0f * marginPixels / float(height_) : 0.0f;
    return pelmora::boxOutsideView(box, toClip, marginX, marginY);
}

HRESULT DXViewport::walk(IDirect3DDevice9* device, DXFrame* root) {
    // Each walk starts from a fresh copy: frames change the material they are handed.
    D3DMATERIAL9 material = material_;
    const D3DXMATRIX world = identity();
    return root->render(device, this, &world, &material, RenderAttributes{});
}

}  // namespace pelmora
