// The screen arithmetic of a viewport: world points to pixels and back,
// selection rays, the camera's position and rotation, segment clipping.
#include "view/ViewportOperation.h"

namespace pelmora {

ViewTransforms DXViewport::transforms() const {
    return ViewTransforms{cameraTransform_, view_, projection_, static_cast<float>(width_),
                          static_cast<float>(height_)};
}

HRESULT DXViewport::viewportTransform(double inX, double inY, double inZ, double* outX,
                                      double* outY, double* outZ, double* outW) {
    return VIEWPORT_OPERATION({
        if (!outX || !outY || !outZ || !outW) return PELMORA_TRACE_FAILED(E_POINTER);
        const D3DXVECTOR3 world(static_cast<float>(inX), static_cast<float>(inY),
                                static_cast<float>(inZ));
        const ScreenPoint screen = worldToScreen(transforms(), world);
        *outX = screen.x;
        *outY = screen.y;
        *outZ = screen.z;
        *outW = screen.w;
        return S_OK;
    });
}

HRESULT DXViewport::inverseViewportTransform(double screenX, double screenY, double screenZ,
                                             double /*screenW: unused*/, double* worldX,
                                             double* worldY, double* worldZ) {
    return VIEWPORT_OPERATION({
        if (!worldX || !worldY || !worldZ) return PELMORA_TRACE_FAILED(E_POINTER);
        const D3DXVECTOR3 world = screenToWorld(transforms(), screenX, screenY, screenZ);
        *worldX = world.x;
        *worldY = world.y;
        *worldZ = world.z;
        return S_OK;
    });
}

HRESULT DXViewport::getSelectionRay(int screenX, int screenY, double* originX, double* originY,
                                    double* originZ, double* directionX, double* directionY,
                                    double* directionZ) {
    return VIEWPORT_OPERATION({
        if (!originX || !originY || !originZ || !directionX || !directionY || !directionZ)
            return PELMORA_TRACE_FAILED(E_POINTER);
        const SelectionRay ray = selectionRay(transforms(), screenX, screenY);
        *originX = ray.origin.x;
        *originY = ray.origin.y;
        *originZ = ray.origin.z;
        *directionX = ray.direction.x;
        *directionY = ray.direction.y;
        *directionZ = ray.direction.z;
        return S_OK;
    });
}

HRESULT DXViewport::getCameraPosition(double* x, double* y, double* z) {
    return VIEWPORT_OPERATION({
        if (!x || !y || !z) return PELMORA_TRACE_FAILED(E_POINTER);
        const D3DXVECTOR3 position = cameraPosition(transforms());
        *x = position.x;
        *y = position.y;
        *z = position.z;
        return S_OK;
    });
}

HRESULT DXViewport::rotateCamera(float axisOriginX, float axisOriginY, float axisOriginZ,
                                 float axisDirectionX, float axisDirectionY,
                                 float axisDirectionZ, double theta) {
    return VIEWPORT_OPERATION({
        const D3DXVECTOR3 origin(axisOriginX, axisOriginY, axisOriginZ);
        const D3DXVECTOR3 direction(axisDirectionX, axisDirectionY, axisDirectionZ);
        cameraTransform_ =
            rotatedCamera(cameraTransform_, origin, direction, static_cast<float>(theta));
        return S_OK;
    });
}

HRESULT DXViewport::clipSegment(const float a[3], const float b[3], float screenA[2],
                                float screenB[2]) {
    return VIEWPORT_OPERATION({
        if (!a || !b || !screenA || !screenB) return PELMORA_TRACE_FAILED(E_POINTER);
        ScreenSegment segment{};
        const HRESULT status = pelmora::clipSegment(transforms(), D3DXVECTOR3(a[0], a[1], a[2]),
                                                    D3DXVECTOR3(b[0], b[1], b[2]), &segment);
        if (status != S_OK) return status;
        screenA[0] = segment.ax;
        screenA[1] = segment.ay;
        screenB[0] = segment.bx;
        screenB[1] = segment.by;
        return S_OK;
    });
}

}  // namespace pelmora
