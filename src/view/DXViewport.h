// The drawing surface bound to one host window: camera, projection and view
// plane, background, lights, the render pass, the cached image and its
// presentation, and the screen arithmetic. Every viewport shares the
// context's one device and back buffer; the viewport draws into the
// top-left width x height of it.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx/d3dx9line.h"
#include "platform/d3dx/d3dx9math.h"
#include "core/DXObject.h"
#include "scene/RenderContext.h"
#include "view/BackgroundGradient.h"
#include "view/CachedImage.h"
#include "scene/EdgePass.h"
#include "view/FrameRateCounter.h"
#include "view/LightList.h"
#include "view/RefinementDeviation.h"
#include "math/ScreenTransforms.h"
#include "math/SegmentClipping.h"
#include "math/ViewVolume.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pelmora {

class DXDeviceHost;
class DXFrame;
class SceneIndexCache;

class DXViewport final : public DXObject, public RenderContext {
public:
    static constexpr uint32_t kInitialTopColor = 0x00132F4Cu;
    static constexpr uint32_t kInitialBottomColor = 0x00A0A0A0u;

    // Registers with the context and makes itself current. Without a device
    // (the context has none) it is built all the same; getDevice() then
    // answers null and the context discards it.
    DXViewport(HWND window, int width, int height, D3DFORMAT backBufferFormat, int software,
               DXDeviceHost* context);
    // Releases its device resources and unregisters from the context.
    ~DXViewport() override;

    // ---- Context side ----
    // Makes this viewport current and returns the device (null when none).
    IDirect3DDevice9* getDevice() override;
    // Applies the default render states and this viewport's rectangle.
    HRESULT activate();
    // Before the context creates the device again: the cached image moves to
    // system memory ("Evicting device from video memory") and everything else
    // made on `device` is dropped.
    HRESULT releaseDeviceResources(IDirect3DDevice9* device);
    // After the device was created again: the background, the cached image
    // and the frame-rate font are made on the new device.
    HRESULT restoreDeviceResources(IDirect3DDevice9* device);
    // The context is going away: drop the device resources and forget it.
    // Every later operation answers E_FAIL; destruction stays safe.
    void detachContext();
    DXDeviceHost* context() const { return context_; }

    // ---- Camera, projection and settings ----
    HRESULT setFront(double front);
    HRESULT getViewportFront(double* front);
    double getBack() const { return back_; }
    double getWidth() const override { return width_; }
    double getHeight() const override { return height_; }
    HRESULT setViewportPlane(double left, double right, double bottom, double top);
    HRESULT getViewportPlane(double* left, double* right, double* bottom, double* top) override;
    HRESULT getViewportField(double* field);
    HRESULT setViewportPerspective(VARIANT_BOOL usePerspective);
    HRESULT getViewportPerspective(VARIANT_BOOL* isPerspective);
    HRESULT setViewportQuality(int quality);
    HRESULT getViewportQuality(int* quality);
    HRESULT setAutomaticRefinement(VARIANT_BOOL autoMode);
    HRESULT setManualRefinementLevel(int refinementLevel);
    HRESULT setViewportBackground(int topColor, int bottomColor);
    HRESULT setCameraTransform(SAFEARRAY** transform);
    HRESULT getCameraTransform(SAFEARRAY** result);
    HRESULT setCameraDistance(double distance);
    HRESULT setViewTranslation(float x, float y, float z);
    // Rebuilds the view as a right-handed look-at from the eye in the view's
    // translation row.
    HRESULT lookAt(const D3DVECTOR& target, const D3DVECTOR& up);
    HRESULT updateProjection();
    HRESULT setDisregardRenderOverride(VARIANT_BOOL disregard);
    void setReduceDetails(VARIANT_BOOL value) { reduceDetails_ = value != 0; }
    void setRapidRender(VARIANT_BOOL value) { rapidRender_ = value != 0; }
    void setNoReflectivity(VARIANT_BOOL value) { noReflectivity_ = value != 0; }

    // ---- Lights ----
    HRESULT addLight(int lightId, const D3DLIGHT9& light);
    HRESULT viewportRemoveLight(int lightId);
    HRESULT viewportAddAmbientLight(int color);

    // ---- Render pass ----
    HRESULT clearViewport();
    HRESULT render(DXFrame* root, VARIANT_BOOL forceRender, VARIANT_BOOL preserveDepth);

    // ---- Presentation ----
    HRESULT viewportPresent(int left, int top, int right, int bottom);
    HRESULT viewportFlip(IDirect3DSurface9* backBuffer, bool toCache);
    HRESULT getSurfaceDC(IDirect3DSurface9* backBuffer, HDC* dc);
    HRESULT releaseSurfaceDC(IDirect3DSurface9* backBuffer, HDC dc);

    // ---- Snapshot ----
    // Writes the viewport's part of the back buffer to an image file of
    // width x height pixels, in the format of the file name's extension.
    HRESULT saveSnapshot(IDirect3DDevice9* device, IDirect3DSurface9* backBuffer,
                         const std::string& fileName, int width, int height);

    // The scene indexes the pick and the selection of this viewport keep.
    SceneIndexCache& sceneIndexes();

    // ---- Screen transforms ----
    // The chain from world to window pixels the last render drew with.
    ViewTransforms transforms() const;
    HRESULT viewportTransform(double inX, double inY, double inZ, double* outX, double* outY,
                              double* outZ, double* outW);
    HRESULT inverseViewportTransform(double screenX, double screenY, double screenZ,
                                     double screenW, double* worldX, double* worldY,
                                     double* worldZ);
    HRESULT getSelectionRay(int screenX, int screenY, double* originX, double* originY,
                            double* originZ, double* directionX, double* directionY,
                            double* directionZ);
    HRESULT getCameraPosition(double* x, double* y, double* z);
    HRESULT rotateCamera(float axisOriginX, float axisOriginY, float axisOriginZ,
                         float axisDirectionX, float axisDirectionY, float axisDirectionZ,
                         double theta);
    // S_OK with the visible part in pixels, or kSegmentInvisible.
    HRESULT clipSegment(const float a[3], const float b[3], float screenA[2], float screenB[2]);

    // ---- What frames and meshes read ----
    bool disregardRenderOverride() const override { return disregardRenderOverride_; }
    bool noReflectivity() const override { return noReflectivity_; }
    HRESULT setWorldTransform(IDirect3DDevice9* device, const D3DMATRIX& world) override;
    bool translucentPass() const override { return translucentPass_; }
    float refinementDeviation() const override { return refinementDeviation_; }
    bool manualRefinement() const override { return manualRefinement_; }
    bool forceRender() const override { return forceRender_; }
    bool reduceDetails() const override { return reduceDetails_; }
    // True when the box, in the space `world` takes to world space, lies
    // wholly outside the view volume of the render under way, its sides
    // pushed out by marginPixels for what draws wider than its geometry.
    bool boxOutsideView(const ClipBox& box, const D3DMATRIX& world, float marginPixels) const override;
    // The line object wide lines are drawn with, made on the viewport's
    // device; null without a device or when it could not be made.
    ID3DXLine* lineDrawer() const override { return lineDrawer_.get(); }
    // Where solids queue their edges during the opaque walk.
    EdgePass& edgePass() override { return edgePass_; }

    // ---- State, as the host and tests observe it ----
    const ViewPlane& plane() const { return plane_; }
    float front() const { return front_; }
    bool perspective() const { return perspective_; }
    int quality() const { return quality_; }
    double cameraDistance() const { return cameraDistance_; }
    const D3DXMATRIX& cameraTransform() const override { return cameraTransform_; }
    const D3DXMATRIX& viewMatrix() const override { return view_; }
    const D3DXMATRIX& projection() const override { return projection_; }
    D3DCOLOR clearColor() const { return clearColor_; }
    D3DCOLOR ambientColor() const { return ambientColor_; }
    const D3DMATERIAL9& material() const { return material_; }
    const LightList& lights() const { return lights_; }
    const BackgroundGradient& gradient() const { return gradient_; }
    const CachedImage& cachedImage() const { return cachedImage_; }
    const D3DVIEWPORT9& deviceViewport() const override { return deviceViewport_; }
    bool cleared() const { return cleared_; }
    HWND window() const { return window_; }
    int software() const { return software_; }
    bool rapidRender() const { return rapidRender_; }

private:
    // The guard every operation runs in: the interface gate, the exception
    // handlers, and E_FAIL once the context has gone.
    template <class Body>
    HRESULT operation(int line, Body&& body);

    void construct(D3DFORMAT backBufferFormat);
    void initialisePlane();
    void initialiseCamera();
    HRESULT rebuildGradient(uint32_t topColor, uint32_t bottomColor);
    void clientSize(int* width, int* height) const;
    void releaseOwnDeviceResources();
    void createLineDrawer(IDirect3DDevice9* device);
    void releaseLineDrawer();

    // Render pass steps.
    HRESULT renderSteps(IDirect3DDevice9* device, DXFrame* root, bool preserveDepth);
    void chooseRefinementDeviation();
    HRESULT setPassTransforms(IDirect3DDevice9* device);
    void drawBackground(IDirect3DDevice9* device);
    void setLightsAndStates(IDirect3DDevice9* device, bool preserveDepth);
    void setDepthBias(IDirect3DDevice9* device, bool preserveDepth) const;
    HRESULT walk(IDirect3DDevice9* device, DXFrame* root);

    HRESULT present(IDirect3DDevice9* device, const RECT& area) const;
    RECT viewportArea() const;

    DXDeviceHost* context_;
    HWND window_;
    int width_;
    int height_;
    int software_;  // kept for the interface; nothing reads it

    bool disregardRenderOverride_ = false;
    CachedImage cachedImage_;
    D3DVIEWPORT9 deviceViewport_;
    bool manualRefinement_ = false;
    float manualRefinementDeviation_ = 0.0f;
    float refinementDeviation_ = 0.0f;
    int quality_ = 2;
    bool perspective_ = false;
    D3DMATERIAL9 material_;
    D3DCOLOR ambientColor_ = 0;
    ViewPlane plane_{};
    LightList lights_;
    double cameraDistance_ = 5.0;
    D3DXMATRIX cameraTransform_;
    D3DXMATRIX view_;
    D3DXMATRIX projection_;
    D3DXMATRIX cameraView_;
    bool forceRender_ = false;
    // True while the render walks the tree for translucent visuals.
    bool translucentPass_ = false;
    D3DCOLOR clearColor_ = 0;
    float back_ = 1000.0f;
    float front_ = 1.0f;
    BackgroundGradient gradient_;
    bool gradientNeedsBuild_ = false;
    bool cleared_ = true;
    bool reduceDetails_ = false;
    bool rapidRender_ = false;  // kept for the interface; nothing reads it
    bool noReflectivity_ = false;
    ComPtr<ID3DXLine> lineDrawer_;
    EdgePass edgePass_;
    FrameRateCounter frameRate_;
    D3DCAPS9 caps_{};
    std::unique_ptr<SceneIndexCache> sceneIndexes_;
};

}  // namespace pelmora
