// Polylines: sketch curves, model edges and other line work, made from the
// host's arrays or fetched from a host facet mesh whose list holds
// polylines. Lines of width 0 or 1 go to the device as one line strip or one
// indexed line list in the frame's colour; wider ones as screen-space
// triangles with mitred joins, kept in device buffers while the view does
// not move (WideLineCache), and as thin lines where a viewport has no line
// drawer.
#pragma once

#include "mesh/DXUserMesh.h"
#include "mesh/WideLineCache.h"
#include "scene/MergedLines.h"
#include "meshops/WireChunks.h"

#include <array>
#include <utility>

namespace pelmora {

// The two arrays of newWireMesh as element counts and data: x, y, z per
// vertex, and the line list (per polyline its vertex count n, then n vertex
// indices; 0 ends it).
struct WireMeshArrays {
    const float* vertices = nullptr;
    long vertexFloatCount = 0;
    const int* lines = nullptr;
    long lineIntCount = 0;
};

class DXWireMesh final : public DXUserMesh {
public:
    // A mesh filled by buildFromArrays. The flag is kept for the host and
    // changes nothing.
    explicit DXWireMesh(int constructionFlag);
    // A mesh that fetches its polylines from the host on demand.
    explicit DXWireMesh(const HostMeshBinding& binding);

    // E_INVALIDARG, with a log line, for arrays the builder cannot trust: a
    // vertex array that is not whole points, a polyline running past the end
    // of the list, or an index outside the vertices.
    static HRESULT validateArrays(const WireMeshArrays& arrays);
    // Arrays that passed validateArrays.
    void buildFromArrays(const WireMeshArrays& arrays);

    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    // The first segment in list order that passes the ray closer than the
    // threshold; segments parallel to the ray are never hit.
    HRESULT pickMesh(RenderContext* viewport, const PickRequest& request,
                     PickResult* result) override;
    // The polylines as stored (line meshes alone hand theirs out); empty
    // data when there are none.
    HRESULT getMeshData(MeshData* data) override;
    // The thin-line buffers, the wide-line chunks and their triangles.
    void releaseDeviceObjects() override;

    // ---- What tests read ----
    int constructionFlag() const { return constructionFlag_; }
    const D3DCOLORVALUE& lineColour() const { return lineColour_; }
    const WireChunks& chunks() const { return chunks_; }
    const WideLineCache& wideLines() const { return wideLines_; }

    // Wider lines than this go through the line drawer; 0, 1 and any
    // negative width a host sets draw thin.
    static constexpr int kThinLineWidth = 1;
    // Lines are drawn this share of the depth range nearer the viewer than
    // they lie, merged or not.
    static constexpr float kDepthPull = MergedLines::kDepthPull;

protected:
    HRESULT setGeometryFromFacets(const FacetSource& source) override;
    std::shared_ptr<MeshBatch> createDeviceBuffers(IDirect3DDevice9* device, const D3DMATRIX* world,
                                                   D3DMATERIAL9* material,
                                                   const RenderAttributes& attributes) override;
    int prepareSecondaryBuffers(IDirect3DDevice9* device, const D3DMATRIX* world,
                                D3DMATERIAL9* material,
                                const RenderAttributes& attributes) override;
    HRESULT beginDraw(IDirect3DDevice9* device, const D3DMATRIX* world, D3DMATERIAL9* material,
                      const RenderAttributes& attributes) override;
    HRESULT endDraw(IDirect3DDevice9* device, const D3DMATRIX* world, D3DMATERIAL9* material,
                    const RenderAttributes& attributes) override;
    int drawExtra(IDirect3DDevice9* device, const D3DMATRIX* world, D3DMATERIAL9* material,
                  const RenderAttributes& attributes) override;

private:
    // A wire mesh with more vertices than this gets a box proxy.
    static constexpr uint32_t kProxyVertexThreshold = 12;

    static bool thick(const RenderAttributes& attributes) {
        return attributes.lineWidth > kThinLineWidth;
    }
    static std::shared_ptr<const BoxProxy> proxyFor(const SolidGeometry& geometry);
    // Thin opaque lines in the opaque walk wait for the viewport's merged draw.
    bool mayMerge(IDirect3DDevice9* device, const D3DMATRIX* world, const D3DMATERIAL9& material,
                  const RenderAttributes& attributes) const;
    // Sets a render state for the thin draw, remembering its value for endDraw.
    void switchState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state, DWORD value);
    HRESULT drawThick(IDirect3DDevice9* device, const D3DMATRIX& world, const D3DMATERIAL9& material,
                      int width);

    int constructionFlag_ = 0;
    D3DCOLORVALUE lineColour_{1.0f, 1.0f, 1.0f, 1.0f};
    WireChunks chunks_;
    WideLineCache wideLines_;
    D3DMATRIX projection_{};  // the device's, put back after the draw
    // Render states the thin draw switched, with the values to put back.
    std::array<std::pair<D3DRENDERSTATETYPE, DWORD>, 3> saved_{};
    size_t switched_ = 0;
    bool merging_ = false;  // this draw went to the merged lines
};

}  // namespace pelmora
