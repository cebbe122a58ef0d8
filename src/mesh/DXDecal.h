// A picture laid on a rectangle of its frame: the reference image a CAD user
// sketches over. The host's bitmap is stretched over the rectangle in the
// plane z = 0 of the frame, x from left to right and y from bottom to top
// (a reversed rectangle mirrors it), depth-tested like the model, filtered
// linearly, black transparent. Picking never hits a decal, and it hands out
// no geometry.
#pragma once

#include "mesh/DXTextureMesh.h"
#include "mesh/DXUserMesh.h"
#include "image/TexturePlan.h"

#include <cstdint>
#include <vector>

namespace pelmora {

// The corners of a decal's rectangle in its frame, as the host gave them.
struct DecalRectangle {
    double left, top, right, bottom;
};

class DXDecal final : public DXUserMesh {
public:
    // Adopts the bitmap (copied, the host's handle deleted); 0 makes a decal
    // that draws nothing.
    DXDecal(win::HBITMAP hostBitmap, const DecalRectangle& rectangle);

    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    // A reference picture, never selected.
    MeshData selectionData() override { return MeshData{}; }
    HRESULT pickMesh(RenderContext* viewport, const PickRequest& request,
                     PickResult* result) override;
    // The texture with the rest.
    void releaseDeviceObjects() override;

    const DecalRectangle& rectangle() const { return rectangle_; }

    // What is drawn per corner: position in the frame, colour, texture
    // coordinates.
    struct Vertex {
        float x, y, z;
        D3DCOLOR colour;
        float u, v;
    };

private:
    // One quad per piece of the texture, each over its share of the
    // rectangle: they follow the texture's plan and are made with it.
    void layPieces(const TexturePlan& plan);
    HRESULT drawPieces(IDirect3DDevice9* device, IDirect3DTexture9* texture) const;

    DXTextureMesh image_;
    DecalRectangle rectangle_;
    TexturePlan laidFor_;
    std::vector<Vertex> vertices_;
    std::vector<uint16_t> indices_;
};

}  // namespace pelmora
