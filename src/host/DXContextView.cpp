// The operations on viewports: resolve the viewport handle, convert the
// arguments, forward to the viewport.
#include "host/DXContext.h"
#include "core/GuardedCall.h"
#include "core/HandleResolution.h"
#include "host/LightRecords.h"
#include "core/StringConversion.h"
#include "scene/ColorConversion.h"
#include "scene/DXFrame.h"
#include "view/DXViewport.h"

namespace pelmora {

// A viewport draws into its own context's device and back buffer; handed to
// another context, it would be drawn, flipped or saved through the wrong ones.
DXViewport* DXContext::ownViewport(int handle) const {
    DXViewport* viewport = resolveHandle<DXViewport>(handle);
    if (viewport != nullptr && viewport->context() != this) {
        logFormat("DXContext: viewport %d is not one of this context's; refused\n", handle);
        return nullptr;
    }
    return viewport;
}

HRESULT DXContext::setViewportBackground(int hViewport, int topColor, int bottomColor) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->setViewportBackground(topColor, bottomColor);
    });
}

// ---- Lights ----

HRESULT DXContext::viewportAddAmbientLight(int hViewport, int color) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->viewportAddAmbientLight(color);
    });
}

HRESULT DXContext::addLightRecord(int hViewport, const D3DLIGHT9& light, int* hLight) {
    PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
    // Every light the interface adds is light 0.
    if (hLight) *hLight = 0;
    DXDeviceHost* owner = viewport->context();
    if (!owner) return PELMORA_TRACE_FAILED(E_FAIL);
    return owner->addLight(viewport, light, 0);
}

HRESULT DXContext::viewportAddDirectionalLight(int hViewport, int color, float directionX,
                                               float directionY, float directionZ,
                                               int* hLight) {
    return PELMORA_INTERFACE_CALL({
        return addLightRecord(
            hViewport, directionalLightRecord(color, directionX, directionY, directionZ), hLight);
    });
}

HRESULT DXContext::viewportAddPointLight(int hViewport, int color, float positionX,
                                         float positionY, float positionZ, float range,
                                         int* hLight) {
    return PELMORA_INTERFACE_CALL({
        return addLightRecord(
            hViewport, pointLightRecord(color, positionX, positionY, positionZ, range), hLight);
    });
}

HRESULT DXContext::viewportAddSpotLight(int hViewport, int color, float positionX,
                                        float positionY, float positionZ, float directionX,
                                        float directionY, float directionZ, float range,
                                        float falloff, float attenuation0, float attenuation1,
                                        float attenuation2, float theta, float phi,
                                        int* hLight) {
    return PELMORA_INTERFACE_CALL({
        const SpotLightShape shape{range,        falloff,      attenuation0, attenuation1,
                                   attenuation2, theta,        phi};
        return addLightRecord(hViewport,
                              spotLightRecord(color, {positionX, positionY, positionZ},
                                              {directionX, directionY, directionZ}, shape),
                              hLight);
    });
}

HRESULT DXContext::viewportRemoveLight(int hViewport, int hLight) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->viewportRemoveLight(hLight);
    });
}

// ---- Refinement, flags, settings ----

HRESULT DXContext::setAutomaticRefinement(int hViewport, VARIANT_BOOL autoMode) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->setAutomaticRefinement(autoMode);
    });
}

HRESULT DXContext::setManualRefinementLevel(int hViewport, int refinementLevel) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->setManualRefinementLevel(refinementLevel);
    });
}

HRESULT DXContext::setFront(int hViewport, double front) {
    return PELMORA_INTERFACE_CALL({
        // A missing viewport has always been skipped quietly.
        if (hViewport == 0) return S_OK;
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->setFront(front);
    });
}

HRESULT DXContext::viewportSetReduceDetails(int hViewport, VARIANT_BOOL reduceDetails) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        viewport->setReduceDetails(reduceDetails);
        return S_OK;
    });
}

HRESULT DXContext::viewportSetRapidRender(int hViewport, VARIANT_BOOL rapidRender) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        viewport->setRapidRender(rapidRender);
        return S_OK;
    });
}

HRESULT DXContext::viewportSetNoReflectivity(int hViewport, VARIANT_BOOL noReflectivity) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        viewport->setNoReflectivity(noReflectivity);
        return S_OK;
    });
}

HRESULT DXContext::setDisregardRenderOverride(int hViewport, VARIANT_BOOL bDisregard) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        viewport->setDisregardRenderOverride(bDisregard);
        return S_OK;
    });
}

HRESULT DXContext::setViewportQuality(int hViewport, int quality) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->setViewportQuality(quality);
    });
}

HRESULT DXContext::getViewportQuality(int hViewport, int* quality) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(quality);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getViewportQuality(quality);
    });
}

// ---- View plane and projection ----

HRESULT DXContext::getViewportPlane(int hViewport, double* left, double* right, double* bottom,
                                    double* top) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(left && right && bottom && top);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getViewportPlane(left, right, bottom, top);
    });
}

HRESULT DXContext::setViewportPlane(int hViewport, double left, double right, double bottom,
                                    double top) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->setViewportPlane(left, right, bottom, top);
    });
}

HRESULT DXContext::getViewportField(int hViewport, double* field) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(field);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getViewportField(field);
    });
}

HRESULT DXContext::getViewportFront(int hViewport, double* front) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(front);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getViewportFront(front);
    });
}

HRESULT DXContext::getViewportPerspective(int hViewport, VARIANT_BOOL* isPerspective) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(isPerspective);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getViewportPerspective(isPerspective);
    });
}

HRESULT DXContext::setViewportPerspective(int hViewport, VARIANT_BOOL usePerspective) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->setViewportPerspective(usePerspective);
    });
}

// ---- Camera ----

HRESULT DXContext::setCameraTransform(int hViewport, SAFEARRAY** transform) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->setCameraTransform(transform);
    });
}

HRESULT DXContext::getCameraTransform(int hViewport, SAFEARRAY** ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getCameraTransform(ppResult);
    });
}

HRESULT DXContext::getCameraPosition(int hViewport, double* positionX, double* positionY,
                                     double* positionZ) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(positionX && positionY && positionZ);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getCameraPosition(positionX, positionY, positionZ);
    });
}

HRESULT DXContext::rotateCamera(int hViewport, double axisOriginX, double axisOriginY,
                                double axisOriginZ, double axisDirectionX, double axisDirectionY,
                                double axisDirectionZ, double theta) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->rotateCamera(
            static_cast<float>(axisOriginX), static_cast<float>(axisOriginY),
            static_cast<float>(axisOriginZ), static_cast<float>(axisDirectionX),
            static_cast<float>(axisDirectionY), static_cast<float>(axisDirectionZ), theta);
    });
}

// ---- Screen transforms ----

HRESULT DXContext::viewportTransform(int hViewport, double inX, double inY, double inZ,
                                     double* outX, double* outY, double* outZ, double* outW) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(outX && outY && outZ && outW);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->viewportTransform(inX, inY, inZ, outX, outY, outZ, outW);
    });
}

HRESULT DXContext::inverseViewportTransform(int hViewport, double screenX, double screenY,
                                            double screenZ, double screenW, double* worldX,
                                            double* worldY, double* worldZ) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(worldX && worldY && worldZ);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->inverseViewportTransform(screenX, screenY, screenZ, screenW, worldX,
                                                  worldY, worldZ);
    });
}

HRESULT DXContext::getSelectionRay(int hViewport, int screenX, int screenY, double* originX,
                                   double* originY, double* originZ, double* directionX,
                                   double* directionY, double* directionZ) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(originX && originY && originZ && directionX && directionY &&
                            directionZ);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getSelectionRay(screenX, screenY, originX, originY, originZ, directionX,
                                         directionY, directionZ);
    });
}

// ---- Rendering and presentation ----

HRESULT DXContext::clearViewport(int hViewport) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->clearViewport();
    });
}

HRESULT DXContext::render(int hViewport, int rootFrame, VARIANT_BOOL forceRender,
                          VARIANT_BOOL bPreserveDepth) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        PELMORA_RESOLVE(DXFrame, root, rootFrame);
        return viewport->render(root, forceRender, bPreserveDepth);
    });
}

HRESULT DXContext::resetViewport(int hViewport) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        if (DXDeviceHost* owner = viewport->context()) owner->releaseAllDeviceObjects();
        return S_OK;
    });
}

HRESULT DXContext::viewportPresent(int hViewport, int left, int top, int right, int bottom) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->viewportPresent(left, top, right, bottom);
    });
}

HRESULT DXContext::viewportFlip(int hViewport, VARIANT_BOOL bFlipToCache) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->viewportFlip(backBuffer_.get(), bFlipToCache != 0);
    });
}

HRESULT DXContext::saveSnapshotJPG(int hViewport, BSTR filename, int width, int height) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        const HRESULT activated = viewport->activate();
        if (FAILED(activated)) return activated;
        return viewport->saveSnapshot(device_.get(), backBuffer_.get(), narrowFromBstr(filename),
                                      width, height);
    });
}

HRESULT DXContext::getSurfaceDC(int hViewport, int* hDC) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(hDC);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->getSurfaceDC(backBuffer_.get(), hDC);
    });
}

HRESULT DXContext::releaseSurfaceDC(int hViewport, int hDC) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        return viewport->releaseSurfaceDC(backBuffer_.get(), hDC);
    });
}

}  // namespace pelmora
