#include "mesh/DXBillboard.h"

#include "core/Diagnostics.h"
#include "mesh/MaterialColour.h"
#include "image/SymbolAtlas.h"
#include "scene/RenderContext.h"

namespace pelmora {
namespace {

// While a billboard draws, faint texels are dropped as well as the keyed
// ones; the scene's reference is put back afterwards.
constexpr DWORD kBillboardAlphaRef = 15;
constexpr DWORD kSceneAlphaRef = 2;

// The frame origin on the screen: the viewport's own world-to-screen
// arithmetic, without the guard of the host's operation, which would cost
// more than the arithmetic itself for each of thousands of symbols.
ScreenAnchor anchorOnScreen(const RenderContext& view, const D3DMATRIX& world) {
    const ViewTransforms transforms{view.cameraTransform(), view.viewMatrix(), view.projection(),
                                    float(view.getWidth()), float(view.getHeight())};
    const ScreenPoint at = worldToScreen(transforms, D3DXVECTOR3(world._41, world._42, world._43));
    return ScreenAnchor{at.x, at.y, at.z, at.w};
}

UINT symbolEdge(int preloadedId) {
    return UINT(preloadedId < d3dx::kFirstBigId ? d3dx::kSmallCell : d3dx::kBigCell);
}

}  // namespace

std::unique_ptr<DXBillboard> DXBillboard::preloaded(int preloadedId, int anchorX, int anchorY) {
    std::unique_ptr<DXBillboard> billboard(new DXBillboard(0, preloadedId, anchorX, anchorY));
    const UINT edge = symbolEdge(preloadedId);
    billboard->image_.editableTexture().setPreloadedSize(edge);
    billboard->layout_.plan = billboard->image_.bitmapTexture().plan();
    return billboard;
}

std::unique_ptr<DXBillboard> DXBillboard::fromBitmap(win::HBITMAP hostBitmap, int anchorX,
                                                     int anchorY) {
    std::unique_ptr<DXBillboard> billboard(
        new DXBillboard(hostBitmap, kFromBitmap, anchorX, anchorY));
    // Picks before the first draw need the image's size; the rest of the
    // plan comes with the texture.
    const win::HBITMAP copy = billboard->image_.bitmapTexture().bitmap();
    UINT width = 0, height = 0;
    if (copy != 0 && bitmapSize(copy, &width, &height)) {
        billboard->layout_.plan.bitmapWidth = width;
        billboard->layout_.plan.bitmapHeight = height;
    }
    return billboard;
}

DXBillboard::DXBillboard(win::HBITMAP hostBitmap, int preloadedId, int anchorX, int anchorY)
    : image_(hostBitmap), preloadedId_(preloadedId) {
    layout_.anchorX = anchorX;
    layout_.anchorY = anchorY;
}

void DXBillboard::releaseDeviceObjects() {
    DXUserMesh::releaseDeviceObjects();
    image_.releaseDeviceObjects();
    SymbolAtlas::shared().release();
    quads_.reset();
}

void DXBillboard::buildQuads() {
    const bool fromAtlas = preloadedId_ != kFromBitmap;
    const d3dx::AtlasCell cell = d3dx::atlasCellOf(fromAtlas ? preloadedId_ : 0);
    quads_ = layout_.geometry(fromAtlas ? &cell : nullptr);
}

IDirect3DTexture9* DXBillboard::atlasFor(IDirect3DDevice9* device) {
    SymbolAtlas& atlas = SymbolAtlas::shared();
    if (atlas.texture() && !atlas.madeOn(device)) {
        atlas.release();
        quads_.reset();
    }
    // A failed load is logged; the symbol then shows in the material colour
    // and the next draw tries again.
    atlas.load(device);
    return atlas.texture();
}

IDirect3DTexture9* DXBillboard::textureFor(IDirect3DDevice9* device) {
    if (preloadedId_ != kFromBitmap) return atlasFor(device);
    IDirect3DTexture9* texture = image_.getTexture(device);
    const TexturePlan& plan = image_.bitmapTexture().plan();
    // A texture made for another device may be planned differently.
    if (plan.textureSize != 0 && !(plan == layout_.plan)) {
        layout_.plan = plan;
        quads_.reset();
    }
    return texture;
}

HRESULT DXBillboard::render(IDirect3DDevice9*, RenderContext* viewport, const D3DMATRIX* world,
                            D3DMATERIAL9* material, RenderAttributes attributes) {
    RenderContext* view = drawableIn(viewport, attributes);
    if (view == nullptr || world == nullptr || material == nullptr) return S_OK;
    IDirect3DDevice9* device = view->getDevice();
    if (device == nullptr) return S_OK;
    IDirect3DTexture9* texture = textureFor(device);
    // A bitmap billboard without a bitmap has nothing to show.
    if (layout_.plan.textureSize == 0) return S_OK;
    if (!quads_) buildQuads();

    const ScreenAnchor at = anchorOnScreen(*view, *world);
    layout_.scale = meshScale();
    layout_.quads(*quads_, at, materialColour(*material), view->getWidth(), view->getHeight(),
                  &vertices_);
    if (vertices_.empty()) return S_OK;
    indices_.assign(quads_->faces.begin(), quads_->faces.end());  // the low halves
    return drawQuads(device, texture);
}

HRESULT DXBillboard::drawQuads(IDirect3DDevice9* device, IDirect3DTexture9* texture) {
    const HRESULT drawn = issue(device, texture);
    // Put back even after a failed draw: the rest of the scene must not
    // inherit the billboard's reference or its texture.
    HRESULT restored = device->SetRenderState(D3DRS_ALPHAREF, kSceneAlphaRef);
    if (FAILED(restored)) PELMORA_TRACE_FAILED(restored);
    const HRESULT unbound = device->SetTexture(0, nullptr);
    if (FAILED(unbound)) restored = PELMORA_TRACE_FAILED(unbound);
    return FAILED(drawn) ? drawn : restored;
}

HRESULT DXBillboard::issue(IDirect3DDevice9* device, IDirect3DTexture9* texture) {
    PELMORA_RETURN_IF_FAILED(device->SetRenderState(D3DRS_ALPHAREF, kBillboardAlphaRef));
    PELMORA_RETURN_IF_FAILED(device->SetTexture(0, texture));
    PELMORA_RETURN_IF_FAILED(device->SetFVF(kBillboardFvf));
    PELMORA_RETURN_IF_FAILED(device->DrawIndexedPrimitiveUP(
        D3DPT_TRIANGLELIST, 0, UINT(vertices_.size()), UINT(indices_.size() / 3), indices_.data(),
        D3DFMT_INDEX16, vertices_.data(), sizeof(BillboardVertex)));
    return S_OK;
}

HRESULT DXBillboard::pickMesh(RenderContext*, const PickRequest& request, PickResult* result) {
    layout_.scale = meshScale();
    result->hit = layout_.hit(request.x, request.y);
    result->point = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return S_OK;
}

}  // namespace pelmora
