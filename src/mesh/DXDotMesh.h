// A set of points the host keeps with the scene. It holds them and takes part
// in nothing: it draws nothing, is never hit by a pick and hands out no data
// (a host that wants points to show draws them with a wire mesh).
#pragma once

#include "mesh/DXMesh.h"

#include <vector>

namespace pelmora {

class DXDotMesh final : public DXMesh {
public:
    // E_INVALIDARG, with a log line, for a vertex array that is not whole points.
    static HRESULT validatePositions(long floatCount);
    // x, y, z per point, as validated.
    DXDotMesh(const float* positions, long floatCount);

    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    // Dots have no visibility to change.
    HRESULT setVisible(VARIANT_BOOL visible) override;

    const std::vector<MeshVertex>& points() const { return points_; }

private:
    std::vector<MeshVertex> points_;
};

}  // namespace pelmora
