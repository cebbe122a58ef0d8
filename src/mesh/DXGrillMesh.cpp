#include "mesh/DXGrillMesh.h"

#include "mesh/DXSolidMeshBuffers.h"
#include "core/Diagnostics.h"
#include "scene/ColorConversion.h"

#include <cmath>

namespace pelmora {

namespace {

// The minor lines' alpha against the frame's.
constexpr float kMinorAlphaShare = 0.25f;
// A minor line this close (in spacings) to a major line or the border is that line.
constexpr double kSameLine = 1e-4;

// How many spacings fit in the span, truncated toward zero; 0 for no spacing.
double spacings(double span, double spacing) {
    return spacing == 0.0 ? 0.0 : std::trunc(std::fabs(span) / spacing);
}

template <class Index>
void countFromZero(std::vector<Index>& indices, size_t count) {
    indices.resize(count);
    for (size_t i = 0; i < count; ++i) indices[i] = Index(i);
}

bool onMultiple(double value, double spacing) {
    if (spacing == 0.0) return false;
    const double steps = value / spacing;
    return std::fabs(steps - std::round(steps)) < kSameLine;
}

// Positions k * spacing within [from, to] that are neither a major line nor
// an end of the span. Counted in whole steps: far from zero (k past 2^53)
// k + 1 is k again, and such a grid has no minor lines to tell apart.
template <class Add>
void minorPositions(double from, double to, double spacing, double major, Add&& add) {
    if (!(spacing > 0.0)) return;
    const double lo = std::fmin(from, to), hi = std::fmax(from, to);
    const double first = std::ceil(lo / spacing), last = std::floor(hi / spacing);
    if (!(last - first <= DXGrillMesh::kMostLines) || first + 1.0 == first) return;
    for (long step = 0; step <= long(last - first); ++step) {
        const double at = (first + double(step)) * spacing;
        if (onMultiple(at, major) || std::fabs(at - lo) < kSameLine * spacing ||
            std::fabs(at - hi) < kSameLine * spacing)
            continue;
        add(float(at));
    }
}

}  // namespace

HRESULT DXGrillMesh::validate(const GrillSpacing& s) {
    for (float value : {s.left, s.top, s.right, s.bottom, s.majorX, s.minorX, s.majorY, s.minorY}) {
        if (!std::isfinite(value)) {
            logMessage("newGrillMesh: every value must be a finite number\n");
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
    }
    const double spans[][2] = {{double(s.right) - s.left, s.majorX},
                               {double(s.top) - s.bottom, s.majorY},
                               {double(s.right) - s.left, s.minorX},
                               {double(s.top) - s.bottom, s.minorY}};
    for (const auto& [span, spacing] : spans) {
        if (spacings(span, spacing) > kMostLines) {
            logFormat("newGrillMesh: a spacing of %g over %g would give more than %g lines\n",
                      spacing, span, kMostLines);
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
    }
    return S_OK;
}

DXGrillMesh::DXGrillMesh(const GrillSpacing& spacing) : spacing_(spacing) {
    generateMajor();
    if (!major_.vertices.empty()) generateMinor();
}

HRESULT DXGrillMesh::setVisible(VARIANT_BOOL) { return S_OK; }

void DXGrillMesh::Lines::segment(float x0, float y0, float x1, float y1) {
    vertices.push_back({x0, y0, 0.0f, 0});
    vertices.push_back({x1, y1, 0.0f, 0});
}

void DXGrillMesh::Lines::finish() {
    vertices.shrink_to_fit();
    if (vertices.size() > kMaxIndex16Vertices)
        countFromZero(wideIndices, vertices.size());
    else
        countFromZero(narrowIndices, vertices.size());
}

void DXGrillMesh::generateMajor() {
    const GrillSpacing& s = spacing_;
    const double nx = spacings(double(s.right) - s.left, s.majorX);
    const double ny = spacings(double(s.top) - s.bottom, s.majorY);
    const double capacity = 2.0 * (nx + ny) + 8.0;
    if (capacity < 2.0 || s.majorX == 0.0f || s.majorY == 0.0f) return;
    major_.vertices.reserve(size_t(capacity));
    // Lines start at the multiple of the spacing nearest zero from the first
    // side, which may lie outside the rectangle, and stop at the count.
    const double firstX = std::trunc(double(s.left) / s.majorX) * s.majorX;
    for (double k = 0; firstX + k * s.majorX <= s.right && major_.vertices.size() < 2.0 * nx; ++k) {
        const float x = float(firstX + k * s.majorX);
        major_.segment(x, s.bottom, x, s.top);
    }
    const double firstY = std::trunc(double(s.bottom) / s.majorY) * s.majorY;
    for (double k = 0; firstY + k * s.majorY <= s.top && major_.vertices.size() < 2.0 * (nx + ny);
         ++k) {
        const float y = float(firstY + k * s.majorY);
        major_.segment(s.left, y, s.right, y);
    }
    major_.segment(s.left, s.bottom, s.left, s.top);
    major_.segment(s.left, s.top, s.right, s.top);
    major_.segment(s.right, s.top, s.right, s.bottom);
    major_.segment(s.right, s.bottom, s.left, s.bottom);
    major_.finish();
}

void DXGrillMesh::generateMinor() {
    const GrillSpacing& s = spacing_;
    minorPositions(s.left, s.right, s.minorX, s.majorX,
                   [&](float x) { minor_.segment(x, s.bottom, x, s.top); });
    minorPositions(s.bottom, s.top, s.minorY, s.majorY,
                   [&](float y) { minor_.segment(s.left, y, s.right, y); });
    if (minor_.vertices.size() > 2 * kMostMinorLines) minor_.vertices.clear();
    minor_.finish();
}

// ---- Drawing ----

HRESULT DXGrillMesh::Lines::draw(IDirect3DDevice9* device, D3DCOLOR colour) {
    if (vertices.empty()) return S_OK;
    for (LineVertex& vertex : vertices) vertex.colour = colour;
    const bool wide = !wideIndices.empty();
    const void* indices = wide ? static_cast<const void*>(wideIndices.data()) : narrowIndices.data();
    const HRESULT hr = device->DrawIndexedPrimitiveUP(
        D3DPT_LINELIST, 0, UINT(vertices.size()), UINT(vertices.size() / 2), indices,
        wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, vertices.data(), sizeof(LineVertex));
    return FAILED(hr) ? PELMORA_TRACE_FAILED(hr) : S_OK;
}

HRESULT DXGrillMesh::render(IDirect3DDevice9* device, RenderContext*, const D3DMATRIX*,
                            D3DMATERIAL9* material, RenderAttributes attributes) {
    if (neverRender() || attributes.overrideRender != 0 || major_.vertices.empty()) return S_OK;
    if (device == nullptr || material == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
    D3DCAPS9 caps{};
    const bool antialias =
        SUCCEEDED(device->GetDeviceCaps(&caps)) && (caps.LineCaps & D3DLINECAPS_ANTIALIAS) != 0;
    if (antialias) device->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetFVF(kLineVertexFvf);
    D3DCOLORVALUE colour = material->Diffuse;
    HRESULT status = major_.draw(device, encodeColor(colour));
    colour.a *= kMinorAlphaShare;
    if (SUCCEEDED(status)) status = minor_.draw(device, encodeColor(colour));
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, FALSE);
    return status;
}

}  // namespace pelmora
