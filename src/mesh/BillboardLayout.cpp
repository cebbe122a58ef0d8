#include "mesh/BillboardLayout.h"

#include <algorithm>
#include <cmath>

namespace pelmora {
namespace {

constexpr int kVerticesPerPiece = 4;
constexpr uint32_t kPieceIndices[] = {0, 1, 2, 2, 1, 3};

// Quads are laid half a pixel up and left of their window position, so that
// each pixel centre samples a texel centre: symbols stay crisp with point
// sampling, and each covers the same pixels as an unshifted quad at a whole
// pixel position would.
constexpr double kTexelCentreShift = 0.5;

struct TextureRange {
    float uMin, vMin, uMax, vMax;
};

TextureRange cellRange(const d3dx::AtlasCell& cell) {
    const float f = float(cell.size) / float(d3dx::kAtlasSize);
    const float u = float(cell.x) / float(d3dx::kAtlasSize);
    const float v = float(cell.y) / float(d3dx::kAtlasSize);
    return {u, v, u + f, v + f};
}

// Piece i of the plan: a wide image's bands stack downwards in the texture,
// a tall image's bands lie side by side.
TextureRange stripRange(const TexturePlan& plan, UINT i) {
    const float size = float(plan.textureSize);
    const float du = plan.isTall ? float(plan.bitmapWidth) / size : 1.0f;
    const float dv = plan.isWide ? float(plan.bitmapHeight) / size : 1.0f;
    const float uMin = plan.isWide ? 0.0f : float(i) * du;
    const float vMin = plan.isTall ? 0.0f : float(i) * dv;
    return {uMin, vMin, uMin + du, vMin + dv};
}

float clampUnit(float value) { return std::clamp(value, 0.0f, 1.0f); }

}  // namespace

std::unique_ptr<SolidGeometry> BillboardLayout::geometry(const d3dx::AtlasCell* atlasCell) const {
    auto geometry = std::make_unique<SolidGeometry>();
    const UINT pieces = plan.stripCount;
    geometry->vertices.assign(size_t(pieces) * kVerticesPerPiece, MeshVertex{});
    geometry->vertexCount = pieces * kVerticesPerPiece;
    for (UINT i = 0; i < pieces; ++i) {
        TextureRange range = atlasCell ? cellRange(*atlasCell) : stripRange(plan, i);
        range.uMax = clampUnit(range.uMax);
        range.vMax = clampUnit(range.vMax);
        MeshVertex* corner = &geometry->vertices[size_t(i) * kVerticesPerPiece];
        corner[0].u = range.uMin, corner[0].v = range.vMin;
        corner[1].u = range.uMin, corner[1].v = range.vMax;
        corner[2].u = range.uMax, corner[2].v = range.vMin;
        corner[3].u = range.uMax, corner[3].v = range.vMax;
        for (uint32_t index : kPieceIndices) geometry->faces.push_back(i * kVerticesPerPiece + index);
    }
    geometry->count = uint32_t(geometry->faces.size());
    return geometry;
}

bool BillboardLayout::offScreen(double x0, double y0, double width, double height) const {
    return x0 > width || x0 + plan.bitmapWidth * scale < 0 || y0 > height ||
           y0 + plan.bitmapHeight * scale < 0;
}

void BillboardLayout::quads(const SolidGeometry& geometry, const ScreenAnchor& at,
                            D3DCOLOR colour, double viewportWidth, double viewportHeight,
                            std::vector<BillboardVertex>* vertices) const {
    vertices->clear();
    const double x0 = at.x - anchorX * scale;
    const double y0 = at.y - anchorY * scale;
    if (offScreen(x0, y0, viewportWidth, viewportHeight)) return;
    const bool onePiece = !plan.isWide && !plan.isTall;
    // Pieces are whole pixels apart; one piece is as large as the image.
    const double piece = std::floor(plan.textureSize * scale);
    const double width = plan.bitmapWidth * scale, height = plan.bitmapHeight * scale;
    // One piece shows only the image's part of its texture square.
    const float su = onePiece ? float(plan.bitmapWidth) / float(plan.textureSize) : 1.0f;
    const float sv = onePiece ? float(plan.bitmapHeight) / float(plan.textureSize) : 1.0f;
    const UINT pieces = geometry.vertexCount / kVerticesPerPiece;
    vertices->reserve(geometry.vertexCount);
    for (UINT i = 0; i < pieces; ++i) {
        const double xi = x0 + (plan.isWide ? i * piece : 0.0) - kTexelCentreShift;
        const double yi = y0 + (plan.isTall ? i * piece : 0.0) - kTexelCentreShift;
        const double x1 = xi + (plan.isWide ? piece : width);
        const double y1 = yi + (plan.isTall ? piece : height);
        const MeshVertex& first = geometry.vertices[size_t(i) * kVerticesPerPiece];
        const MeshVertex& last = geometry.vertices[size_t(i) * kVerticesPerPiece + 3];
        const float uMax = first.u + (last.u - first.u) * su;
        const float vMax = first.v + (last.v - first.v) * sv;
        const float z = float(at.z), rhw = float(at.w);
        vertices->push_back({float(xi), float(yi), z, rhw, colour, first.u, first.v});
        vertices->push_back({float(xi), float(y1), z, rhw, colour, first.u, vMax});
        vertices->push_back({float(x1), float(yi), z, rhw, colour, uMax, first.v});
        vertices->push_back({float(x1), float(y1), z, rhw, colour, uMax, vMax});
    }
}

bool BillboardLayout::hit(int x, int y) const {
    // In double before the sign changes: an anchor at INT_MIN has no int negation.
    const double left = -double(anchorX) * scale, right = (double(plan.bitmapWidth) - anchorX) * scale;
    const double top = -double(anchorY) * scale, bottom = (double(plan.bitmapHeight) - anchorY) * scale;
    return left < x && x < right && top < y && y < bottom;
}

}  // namespace pelmora
