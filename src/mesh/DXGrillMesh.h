// A flat construction grid: a rectangle in the plane z = 0 of its frame, its
// border, lines at the major spacing in x and y, and fainter lines at the
// minor spacing between them. Its lines live in system memory and are drawn
// in the frame's colour with one call per kind of line.
#pragma once

#include "mesh/DXMesh.h"
#include "mesh/WireMeshBuffers.h"

#include <vector>

namespace pelmora {

// newGrillMesh's eight values, as passed.
struct GrillSpacing {
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
    float majorX = 0.0f, minorX = 0.0f, majorY = 0.0f, minorY = 0.0f;
};

class DXGrillMesh final : public DXMesh {
public:
    // Lines one direction may have; a spacing asking for more is refused.
    static constexpr double kMostLines = 100000;
    // Minor lines in both directions together; more and none are drawn.
    static constexpr size_t kMostMinorLines = 2000;

    // E_INVALIDARG, with a log line, for values that are not finite numbers
    // or a spacing that would give more than kMostLines lines.
    static HRESULT validate(const GrillSpacing& spacing);
    // Generates the lines at once from validated values.
    explicit DXGrillMesh(const GrillSpacing& spacing);

    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    // A grid has no visibility to change.
    HRESULT setVisible(VARIANT_BOOL visible) override;

    const GrillSpacing& spacing() const { return spacing_; }
    // Pairs of end points: the major lines, then the border's four sides.
    const std::vector<LineVertex>& majorLines() const { return major_.vertices; }
    const std::vector<LineVertex>& minorLines() const { return minor_.vertices; }

private:
    struct Lines {
        std::vector<LineVertex> vertices;
        // 0, 1, 2, ...: 16-bit while they reach every vertex, else 32-bit.
        std::vector<uint16_t> narrowIndices;
        std::vector<uint32_t> wideIndices;
        void segment(float x0, float y0, float x1, float y1);
        void finish();
        HRESULT draw(IDirect3DDevice9* device, D3DCOLOR colour);
    };

    void generateMajor();
    void generateMinor();

    GrillSpacing spacing_;
    Lines major_;
    Lines minor_;
};

}  // namespace pelmora
