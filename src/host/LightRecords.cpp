#include "host/LightRecords.h"

#include "scene/ColorConversion.h"

namespace pelmora {

namespace {

constexpr D3DCOLORVALUE kWhite = {1.0f, 1.0f, 1.0f, 1.0f};

D3DLIGHT9 zeroedLight(D3DLIGHTTYPE type, int color) {
    D3DLIGHT9 light{};
    light.Type = type;
    light.Diffuse = decodeColor(color);
    return light;
}

}  // namespace

D3DLIGHT9 directionalLightRecord(int color, float directionX, float directionY,
                                 float directionZ) {
    D3DLIGHT9 light = zeroedLight(D3DLIGHT_DIRECTIONAL, color);
    light.Specular = kWhite;
    light.Direction = {directionX, directionY, directionZ};
    return light;
}

D3DLIGHT9 pointLightRecord(int color, float positionX, float positionY, float positionZ,
                           float range) {
    D3DLIGHT9 light = zeroedLight(D3DLIGHT_POINT, color);
    light.Specular = kWhite;
    light.Position = {positionX, positionY, positionZ};
    light.Range = range;
    return light;
}

D3DLIGHT9 spotLightRecord(int color, const D3DVECTOR& position, const D3DVECTOR& direction,
                          const SpotLightShape& shape) {
    // A spot light carries no specular colour.
    D3DLIGHT9 light = zeroedLight(D3DLIGHT_SPOT, color);
    light.Position = position;
    light.Direction = direction;
    light.Range = shape.range;
    light.Falloff = shape.falloff;
    light.Attenuation0 = shape.attenuation0;
    light.Attenuation1 = shape.attenuation1;
    light.Attenuation2 = shape.attenuation2;
    light.Theta = shape.theta;
    light.Phi = shape.phi;
    return light;
}

}  // namespace pelmora
