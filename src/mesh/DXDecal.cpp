#include "mesh/DXDecal.h"

#include "core/Diagnostics.h"
#include "mesh/MaterialColour.h"
#include "image/StripPieces.h"
#include "platform/d3dx/D3DXStateSaver.h"
#include "scene/RenderContext.h"

namespace pelmora {
namespace {

constexpr DWORD kDecalFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(sizeof(DXDecal::Vertex) == 24);
constexpr uint16_t kPieceIndices[] = {0, 1, 2, 2, 1, 3};
constexpr uint16_t kVerticesPerPiece = 4;

// The states a decal draws with, put back by the saver: its own colours
// unlit, seen from both sides (a reversed rectangle turns it over), and a
// smooth picture that does not wrap around at its edges.
void setDecalStates(d3dx::D3DXStateSaver& saver, IDirect3DTexture9* texture) {
    saver.setRenderState(D3DRS_LIGHTING, FALSE);
    saver.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    saver.setSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    saver.setSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    saver.setSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    saver.setSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    saver.setTexture(0, texture);
    saver.setFVF(kDecalFvf);
}

}  // namespace

DXDecal::DXDecal(win::HBITMAP hostBitmap, const DecalRectangle& rectangle)
    : image_(hostBitmap), rectangle_(rectangle) {}

void DXDecal::releaseDeviceObjects() {
    DXUserMesh::releaseDeviceObjects();
    image_.releaseDeviceObjects();
}

HRESULT DXDecal::pickMesh(RenderContext*, const PickRequest&, PickResult* result) {
    *result = PickResult{};
    return S_OK;
}

void DXDecal::layPieces(const TexturePlan& plan) {
    laidFor_ = plan;
    vertices_.clear();
    indices_.clear();
    const RECT whole{0, 0, LONG(plan.bitmapWidth), LONG(plan.bitmapHeight)};
    const float size = float(plan.textureSize);
    const DecalRectangle& r = rectangle_;
    // Image column x and row y (rows from the top) in the frame.
    auto frameX = [&](LONG x) { return float(r.left + (r.right - r.left) * x / plan.bitmapWidth); };
    auto frameY = [&](LONG y) { return float(r.top + (r.bottom - r.top) * y / plan.bitmapHeight); };
    for (const StripPiece& piece : stripPieces(plan, whole)) {
        const float x0 = frameX(piece.sourceX), x1 = frameX(piece.sourceX + piece.width);
        const float y0 = frameY(piece.sourceY), y1 = frameY(piece.sourceY + piece.height);
        const float u0 = float(piece.destinationX) / size;
        const float u1 = float(piece.destinationX + piece.width) / size;
        const float v0 = float(piece.destinationY) / size;
        const float v1 = float(piece.destinationY + piece.height) / size;
        const auto base = uint16_t(vertices_.size());
        vertices_.push_back({x0, y0, 0.0f, 0, u0, v0});
        vertices_.push_back({x0, y1, 0.0f, 0, u0, v1});
        vertices_.push_back({x1, y0, 0.0f, 0, u1, v0});
        vertices_.push_back({x1, y1, 0.0f, 0, u1, v1});
        for (uint16_t index : kPieceIndices) indices_.push_back(uint16_t(base + index));
    }
}

HRESULT DXDecal::render(IDirect3DDevice9*, RenderContext* viewport, const D3DMATRIX* world,
                        D3DMATERIAL9* material, RenderAttributes attributes) {
    RenderContext* view = drawableIn(viewport, attributes);
    if (view == nullptr || world == nullptr || material == nullptr) return S_OK;
    IDirect3DDevice9* device = view->getDevice();
    if (device == nullptr) return S_OK;
    // Without a bitmap, or when its texture cannot be made (logged), there
    // is no picture to show.
    IDirect3DTexture9* texture = image_.getTexture(device);
    if (texture == nullptr) return S_OK;
    if (!(image_.bitmapTexture().plan() == laidFor_)) layPieces(image_.bitmapTexture().plan());
    if (vertices_.empty()) return S_OK;
    const D3DCOLOR colour = materialColour(*material);
    for (Vertex& vertex : vertices_) vertex.colour = colour;
    PELMORA_RETURN_IF_FAILED(view->setWorldTransform(device, *world));
    return drawPieces(device, texture);
}

HRESULT DXDecal::drawPieces(IDirect3DDevice9* device, IDirect3DTexture9* texture) const {
    d3dx::D3DXStateSaver saver(device);
    setDecalStates(saver, texture);
    PELMORA_RETURN_IF_FAILED(device->DrawIndexedPrimitiveUP(
        D3DPT_TRIANGLELIST, 0, UINT(vertices_.size()), UINT(indices_.size() / 3), indices_.data(),
        D3DFMT_INDEX16, vertices_.data(), sizeof(Vertex)));
    return S_OK;
}

}  // namespace pelmora
