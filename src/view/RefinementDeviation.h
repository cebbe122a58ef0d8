// The refinement deviation meshes choose their level of detail by: one of
// eight steps that grows as the view zooms out, or a manual value from a level.
#pragma once

namespace pelmora {

struct ViewPlane {
    float left;
    float right;
    float bottom;
    float top;
};

// From the view plane and front plane; in perspective the angle is scaled by
// the eye's distance over the front plane. The result never falls as the
// view widens: an angle of a right angle or more gives the coarsest step.
float automaticRefinementDeviation(const ViewPlane& plane, float front, bool perspective,
                                   float cameraDistance);

// A host's manual level: 0 means 1.0, otherwise 60 / level capped at 20.
float manualRefinementDeviation(int level);

}  // namespace pelmora
