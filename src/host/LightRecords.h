// The light records the context builds for the three light-adding operations.
#pragma once

#include "platform/d3d9/d3d9types.h"

namespace pelmora {

D3DLIGHT9 directionalLightRecord(int color, float directionX, float directionY, float directionZ);

D3DLIGHT9 pointLightRecord(int color, float positionX, float positionY, float positionZ,
                           float range);

struct SpotLightShape {
    float range;
    float falloff;
    float attenuation0;
    float attenuation1;
    float attenuation2;
    float theta;
    float phi;
};

D3DLIGHT9 spotLightRecord(int color, const D3DVECTOR& position, const D3DVECTOR& direction,
                          const SpotLightShape& shape);

}  // namespace pelmora
