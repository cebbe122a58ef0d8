// Operations whose subsystems (devices, viewports, meshes, billboards,
// snapshots) are not part of this build yet: each says so in the log and
// returns E_NOTIMPL, touching none of its arguments.
#include "host/DXContext.h"
#include "host/GuardedCall.h"

namespace pelmora {

namespace {

HRESULT notAvailable(const char* operation, const char* sourceFile, int line) {
    return interfaceCall(sourceFile, line, [&]() -> HRESULT {
        logFormat("Pelmora: %s is not available in this build yet\n", operation);
        return E_NOTIMPL;
    });
}

}  // namespace

#define PELMORA_NOT_AVAILABLE notAvailable(__func__, PELMORA_SOURCE_FILE, __LINE__)

HRESULT DXContext::initialize(VARIANT_BOOL, BSTR, VARIANT_BOOL*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::enumerateDeviceNames(SAFEARRAY**) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newViewport(int, VARIANT_BOOL, VARIANT_BOOL, int, int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getTorvelMeshProvider(int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newPreloadedBillboard(PreloadedTextureIDs, int, int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newBillboard(int, int, int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newDecal(int, double, double, double, double, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newDotMesh(SAFEARRAY**, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newGrillMesh(float, float, float, float, float, float, float, float, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newSolidMesh(SAFEARRAY**, SAFEARRAY**, SAFEARRAY**, VARIANT_BOOL, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newSolidMeshFromHandle(int, int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newWireMesh(SAFEARRAY**, SAFEARRAY**, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newWireMeshFromHandle(int, int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setMeshScale(int, double) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::pickMesh(int, int, int, int, int, double, double, double, double, double, double, double, double, double*, double*, double*, VARIANT_BOOL*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getMeshData(int, SAFEARRAY**, SAFEARRAY**) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::refreshMesh(int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getScreenData(int, int, SAFEARRAY**, SAFEARRAY**, SAFEARRAY**) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getPrintData(int, SAFEARRAY**, double, double, double, double, SAFEARRAY**, SAFEARRAY**) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setMeshSimplificationLevel(int, int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setViewportBackground(int, int, int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportAddAmbientLight(int, int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportAddDirectionalLight(int, int, float, float, float, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportAddPointLight(int, int, float, float, float, float, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportAddSpotLight(int, int, float, float, float, float, float, float, float, float, float, float, float, float, float, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setAutomaticRefinement(int, VARIANT_BOOL) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setManualRefinementLevel(int, int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setFront(int hViewport, double) {
    // A missing viewport has always been skipped quietly.
    if (hViewport == 0) return PELMORA_INTERFACE_CALL({ return S_OK; });
    return PELMORA_NOT_AVAILABLE;
}

HRESULT DXContext::viewportRemoveLight(int, int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportSetReduceDetails(int, VARIANT_BOOL) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportSetRapidRender(int, VARIANT_BOOL) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportSetNoReflectivity(int, VARIANT_BOOL) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getViewportPlane(int, double*, double*, double*, double*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getViewportField(int, double*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setViewportPlane(int, double, double, double, double) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getViewportFront(int, double*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getViewportPerspective(int, VARIANT_BOOL*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setViewportPerspective(int, VARIANT_BOOL) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setViewportQuality(int, int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getViewportQuality(int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportTransform(int, double, double, double, double*, double*, double*, double*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::clearViewport(int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::render(int, int, VARIANT_BOOL, VARIANT_BOOL) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::inverseViewportTransform(int, double, double, double, double, double*, double*, double*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getCameraPosition(int, double*, double*, double*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setCameraTransform(int, SAFEARRAY**) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getCameraTransform(int, SAFEARRAY**) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::saveSnapshotJPG(int, BSTR, int, int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::rotateCamera(int, double, double, double, double, double, double, double) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setDisregardRenderOverride(int, VARIANT_BOOL) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getSelectionRay(int, int, int, double*, double*, double*, double*, double*, double*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::resetViewport(int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportPresent(int, int, int, int, int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::viewportFlip(int, VARIANT_BOOL) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::setNeverRenderMesh(int) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::getSurfaceDC(int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::releaseSurfaceDC(int, int) { return PELMORA_NOT_AVAILABLE; }

}  // namespace pelmora
