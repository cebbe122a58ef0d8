// World points to window pixels and back, through a viewport's camera
// transform, view and projection. Pure arithmetic: no device is involved.
#pragma once

#include "platform/d3dx/d3dx9math.h"

namespace pelmora {

// What a viewport's screen arithmetic reads: camera transform K, view V,
// projection P and the window size in pixels.
struct ViewTransforms {
    D3DXMATRIX camera;
    D3DXMATRIX view;
    D3DXMATRIX projection;
    float width;
    float height;
};

// A projected point: window pixels (origin top left), depth 0 at the front
// plane and 1 at the back plane, and w.
struct ScreenPoint {
    double x;
    double y;
    double z;
    double w;
};

struct SelectionRay {
    D3DXVECTOR3 origin;     // on the back plane, under the pixel
    D3DXVECTOR3 direction;  // from the front plane to the back plane, not normalised
};

ScreenPoint worldToScreen(const ViewTransforms& t, const D3DVECTOR& world);
D3DXVECTOR3 screenToWorld(const ViewTransforms& t, double x, double y, double depth);
SelectionRay selectionRay(const ViewTransforms& t, int x, int y);
// The eye in world coordinates: the view's translation row taken back through K.
D3DXVECTOR3 cameraPosition(const ViewTransforms& t);
// The camera transform after rotating the scene by theta about a world axis.
D3DXMATRIX rotatedCamera(const D3DMATRIX& camera, const D3DVECTOR& axisOrigin,
                         const D3DVECTOR& axisDirection, float theta);

// The clip-space position of a world point: (x, y, z, 1) x K x V x P.
D3DXVECTOR4 worldToClip(const ViewTransforms& t, const D3DVECTOR& world);
// Window pixels of a clip-space point (worldToScreen's second half).
ScreenPoint clipToScreen(const ViewTransforms& t, const D3DXVECTOR4& clip);

}  // namespace pelmora
