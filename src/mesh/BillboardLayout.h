// Where a billboard's image lies, on its texture and on the screen: the
// texture range of each piece, the screen quads drawn for them around the
// anchor, the off-screen test and the pick box. Pure arithmetic.
#pragma once

#include "meshops/SolidGeometry.h"
#include "image/TexturePlan.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx/D3DXSymbolAtlas.h"

#include <memory>
#include <vector>

namespace pelmora {

// What a billboard sends per corner: window position, depth, rhw, colour,
// texture coordinates.
struct BillboardVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
static_assert(sizeof(BillboardVertex) == 28);
inline constexpr DWORD kBillboardFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(kBillboardFvf == 0x144);

// Where the anchor lands: window pixels, depth (0 at the front plane) and rhw.
struct ScreenAnchor {
    double x, y, z, w;
};

struct BillboardLayout {
    int anchorX = 0;
    int anchorY = 0;
    // The mesh scale: the image, the anchor offset and the pick box grow with it.
    double scale = 1.0;
    // The image's size, the texture's edge and the pieces it is cut into.
    TexturePlan plan;

    // Four vertices and six indices per piece, only the texture coordinates
    // meaningful: the atlas cell of a preloaded symbol, else the plan's strips.
    std::unique_ptr<SolidGeometry> geometry(const d3dx::AtlasCell* atlasCell) const;

    // True when an image whose top-left corner is at (x0, y0) lies wholly
    // outside a width x height viewport; touching an edge is not outside.
    bool offScreen(double x0, double y0, double width, double height) const;

    // The quads of the pieces around the anchor, four vertices each, in the
    // geometry's order; empty when the image is off screen.
    void quads(const SolidGeometry& geometry, const ScreenAnchor& at, D3DCOLOR colour,
               double viewportWidth, double viewportHeight,
               std::vector<BillboardVertex>* vertices) const;

    // Whether a position relative to the anchor's pixel lies strictly inside
    // the (scaled) image.
    bool hit(int x, int y) const;
};

}  // namespace pelmora
