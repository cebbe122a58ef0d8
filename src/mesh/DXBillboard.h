// A small image drawn flat on the screen, unrotated and unscaled by the
// camera, pinned to the origin of each frame that lists it: a symbol of the
// built-in atlas (constraint symbols, hot spots, handles) or a host bitmap.
// The anchor pixel of the image lands on the projection of the frame
// origin, the image extends right and down from it, and the quad lies at
// the depth of that point, so the model in front hides it.
#pragma once

#include "mesh/BillboardLayout.h"
#include "mesh/DXTextureMesh.h"
#include "mesh/DXUserMesh.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pelmora {

class DXBillboard final : public DXUserMesh {
public:
    // The preloaded id of a billboard made from a host bitmap.
    static constexpr int kFromBitmap = -1;

    // A symbol of the atlas; see isAtlasId.
    static std::unique_ptr<DXBillboard> preloaded(int preloadedId, int anchorX, int anchorY);
    // The host's bitmap, adopted: copied, and the host's handle deleted.
    static std::unique_ptr<DXBillboard> fromBitmap(win::HBITMAP hostBitmap, int anchorX,
                                                   int anchorY);
    // Ids that address a cell of the atlas (empty cells included).
    static bool isAtlasId(int id) { return id >= 0 && id <= d3dx::kLastAtlasId; }

    // Also lets the texture and the shared atlas go, whoever made it, and the quads.
    void releaseDeviceObjects() override;
    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    // request.x and request.y are relative to the anchor's screen position;
    // the hit point is always the origin.
    HRESULT pickMesh(RenderContext* viewport, const PickRequest& request,
                     PickResult* result) override;
    // Drawn in pixels around its anchor: no box in the frame's space.
    std::optional<ClipBox> localBounds() override { return std::nullopt; }
    MeshData selectionData() override { return MeshData{}; }

    int preloadedId() const { return preloadedId_; }
    const BillboardLayout& layout() const { return layout_; }
    // The texture ranges of the pieces; null until the first draw.
    const SolidGeometry* quads() const { return quads_.get(); }

private:
    DXBillboard(win::HBITMAP hostBitmap, int preloadedId, int anchorX, int anchorY);

    // The atlas or the bitmap's texture for this device; null draws the
    // image's area in the material colour.
    IDirect3DTexture9* textureFor(IDirect3DDevice9* device);
    IDirect3DTexture9* atlasFor(IDirect3DDevice9* device);
    // The quads of the image as the layout places them.
    void buildQuads();
    HRESULT drawQuads(IDirect3DDevice9* device, IDirect3DTexture9* texture);
    HRESULT issue(IDirect3DDevice9* device, IDirect3DTexture9* texture);

    DXTextureMesh image_;
    int preloadedId_;
    BillboardLayout layout_;
    std::unique_ptr<SolidGeometry> quads_;
    // Per-draw arrays, kept to save an allocation per billboard and frame.
    std::vector<BillboardVertex> vertices_;
    std::vector<uint16_t> indices_;
};

}  // namespace pelmora
