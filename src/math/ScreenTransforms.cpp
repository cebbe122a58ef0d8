#include "math/ScreenTransforms.h"

namespace pelmora {

namespace {

D3DXMATRIX inverseOf(const D3DMATRIX& m) {
    // A singular matrix leaves the identity, so a degenerate camera maps
    // points somewhere finite instead of through garbage.
    D3DXMATRIX inverse;
    D3DXMatrixIdentity(&inverse);
    D3DXMatrixInverse(&inverse, nullptr, &m);
    return inverse;
}

D3DXVECTOR3 transformPoint(const D3DVECTOR& v, const D3DMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

}  // namespace

D3DXVECTOR4 worldToClip(const ViewTransforms& t, const D3DVECTOR& world) {
    const D3DXVECTOR3 eyeSpace = transformPoint(transformPoint(world, t.camera), t.view);
    D3DXVECTOR4 clip;
    D3DXVec3Transform(&clip, &eyeSpace, &t.projection);
    return clip;
}

ScreenPoint worldToScreen(const ViewTransforms& t, const D3DVECTOR& world) {
    return clipToScreen(t, worldToClip(t, world));
}

ScreenPoint clipToScreen(const ViewTransforms& t, const D3DXVECTOR4& clip) {
    const double w = clip.w;
    return ScreenPoint{t.width * 0.5 * (clip.x / w + 1.0), t.height * 0.5 * (1.0 - clip.y / w),
                       clip.z / w, 1.0};
}

D3DXVECTOR3 screenToWorld(const ViewTransforms& t, double x, double y, double depth) {
    const D3DXVECTOR3 ndc(static_cast<float>(x / (t.width * 0.5) - 1.0),
                          static_cast<float>(1.0 - y / (t.height * 0.5)),
                          static_cast<float>(depth));
    const D3DXVECTOR3 eyeSpace = transformPoint(ndc, inverseOf(t.projection));
    const D3DXMATRIX cameraView = t.camera * t.view;
    return transformPoint(eyeSpace, inverseOf(cameraView));
}

SelectionRay selectionRay(const ViewTransforms& t, int x, int y) {
    const D3DXVECTOR3 nearPoint = screenToWorld(t, x, y, 0.0);
    const D3DXVECTOR3 farPoint = screenToWorld(t, x, y, 1.0);
    SelectionRay ray;
    ray.origin = farPoint;
    D3DXVec3Subtract(&ray.direction, &farPoint, &nearPoint);
    return ray;
}

D3DXVECTOR3 cameraPosition(const ViewTransforms& t) {
    const D3DXVECTOR3 eye(t.view._41, t.view._42, t.view._43);
    return transformPoint(eye, inverseOf(t.camera));
}

D3DXMATRIX rotatedCamera(const D3DMATRIX& camera, const D3DVECTOR& axisOrigin,
                         const D3DVECTOR& axisDirection, float theta) {
    D3DXMATRIX toAxis;
    D3DXMatrixTranslation(&toAxis, axisOrigin.x, axisOrigin.y, axisOrigin.z);
    D3DXVECTOR3 axis;
    D3DXVec3Normalize(&axis, &axisDirection);
    D3DXMATRIX rotation;
    D3DXMatrixRotationAxis(&rotation, &axis, theta);
    const D3DXMATRIX aboutAxis = inverseOf(toAxis) * rotation * toAxis;
    return aboutAxis * camera;
}

}  // namespace pelmora
