#include "view/LightList.h"

#include "platform/d3dx/d3dx9math.h"

#include <algorithm>

namespace pelmora {

namespace {

constexpr BOOL kEnable = 1;

}  // namespace

void LightList::remove(int id) {
    std::erase_if(entries_, [id](const LightEntry& entry) { return entry.id == id; });
}

void LightList::apply(IDirect3DDevice9* device, const D3DMATRIX& inverseCamera) const {
    for (const LightEntry& entry : entries_) {
        D3DLIGHT9 light = entry.light;
        D3DXVECTOR3 position;
        D3DXVec3TransformCoord(&position, &entry.light.Position, &inverseCamera);
        D3DXVECTOR3 direction;
        D3DXVec3TransformNormal(&direction, &entry.light.Direction, &inverseCamera);
        light.Position = position;
        light.Direction = direction;
        device->SetLight(static_cast<DWORD>(entry.id), &light);
        device->LightEnable(static_cast<DWORD>(entry.id), kEnable);
    }
}

}  // namespace pelmora
