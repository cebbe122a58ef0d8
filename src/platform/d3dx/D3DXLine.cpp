// The line object behind D3DXCreateLine. Between Begin and End the polylines
// it is given are gathered into one triangle list and drawn in one call at
// End (or when the list grows large), so a caller drawing many polylines of
// one object pays for one draw; outside Begin/End each call draws at once.
#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/D3DXLineGeometry.h"
#include "platform/d3dx/D3DXStateSaver.h"
#include "platform/d3dx/D3DXUnknown.h"
#include "platform/d3dx/d3dx9line.h"

#include <vector>

namespace pelmora::d3dx {
namespace {

constexpr float kMinimumWidth = 1.0f;
// A gathered list is drawn once it holds this many vertices, which bounds
// what one draw streams.
constexpr size_t kFlushVertices = 1u << 16;

class D3DXLine final : public D3DXUnknown<D3DXLine, ID3DXLine> {
public:
    explicit D3DXLine(IDirect3DDevice9* device)
        : device_(ComPtr<IDirect3DDevice9>::share(device)), saver_(device) {}

    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (!device) return invalid("GetDevice: no place for the device");
        *device = device_.get();
        device_->AddRef();
        return D3D_OK;
    }

    HRESULT Begin() override {
        if (begun_) return invalid("Begin: already begun");
        begun_ = true;
        callerZEnable_ = D3DZB_TRUE;
        device_->GetRenderState(D3DRS_ZENABLE, &callerZEnable_);
        setScreenSpaceColourStates(saver_, kScreenVertexFvf);
        // One colour a polyline, so every triangle is one colour: nothing to interpolate.
        saver_.setRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        return D3D_OK;
    }

    HRESULT End() override {
        if (!begun_) return invalid("End: Begin was not called");
        const HRESULT hr = flush();
        saver_.restore();
        begun_ = false;
        screenSpace_ = false;
        return hr;
    }

    HRESULT Draw(const D3DXVECTOR2* points, DWORD count, D3DCOLOR colour) override {
        if (!points) return invalid("Draw: no points");
        if (count < 2) return D3D_OK;
        screen_.resize(count);
        for (DWORD i = 0; i < count; ++i) screen_[i] = {points[i].x, points[i].y, 0.0f, 1.0f};
        return drawRuns(true, [&] { gather(screen_.data(), screen_.size(), colour); });
    }

    HRESULT DrawTransform(const D3DXVECTOR3* points, DWORD count, const D3DXMATRIX* transform,
                          D3DCOLOR colour) override {
        if (!points || !transform) return invalid("DrawTransform: needs points and a transform");
        if (count < 2) return D3D_OK;
        D3DVIEWPORT9 viewport{};
        PELMORA_RETURN_IF_FAILED(device_->GetViewport(&viewport));
        runs_.project(points, count, *transform, viewport);
        return drawRuns(false, [&] {
            for (size_t i = 0; i < runs_.runCount(); ++i)
                gather(runs_.run(i), runs_.runLength(i), colour);
        });
    }

    HRESULT SetWidth(float width) override {
        if (!(width >= kMinimumWidth)) return invalid("SetWidth: the width must be at least 1");
        width_ = width;
        return D3D_OK;
    }
    float GetWidth() override { return width_; }

    HRESULT OnLostDevice() override {
        mesh_.clear();
        if (begun_) saver_.restore();
        begun_ = false;
        screenSpace_ = false;
        return D3D_OK;
    }
    HRESULT OnResetDevice() override { return D3D_OK; }

private:
    static HRESULT invalid(const char* what) {
        logFormat("D3DXLine: %s\n", what);
        return D3DERR_INVALIDCALL;
    }

    // Screen-space lines lie over the scene, transformed ones take the depth
    // test as the caller set it; a change between the two draws what was
    // gathered first.
    template <class Gather>
    HRESULT drawRuns(bool screenSpace, Gather&& gatherRuns) {
        const bool ownBegin = !begun_;
        if (ownBegin) Begin();
        HRESULT hr = D3D_OK;
        if (screenSpace != screenSpace_) {
            hr = flush();
            saver_.setRenderState(D3DRS_ZENABLE, screenSpace ? DWORD(D3DZB_FALSE) : callerZEnable_);
            screenSpace_ = screenSpace;
        }
        gatherRuns();
        if (ownBegin) {
            const HRESULT ended = End();
            if (SUCCEEDED(hr)) hr = ended;
        }
        return hr;
    }

    void gather(const ScreenPoint* points, size_t count, D3DCOLOR colour) {
        if (mesh_.vertices().size() >= kFlushVertices) flush();
        mesh_.append(points, count, width_, colour);
    }

    HRESULT flush() {
        if (mesh_.empty()) return D3D_OK;
        // Opaque lines look the same unblended, and cost the rasterizer less.
        saver_.setRenderState(D3DRS_ALPHABLENDENABLE, mesh_.opaque() ? FALSE : TRUE);
        const auto& vertices = mesh_.vertices();
        const HRESULT hr = device_->DrawIndexedPrimitiveUP(
            D3DPT_TRIANGLELIST, 0, UINT(vertices.size()), UINT(mesh_.triangleCount()),
            mesh_.indices().data(), D3DFMT_INDEX32, vertices.data(), sizeof(ScreenVertex));
        mesh_.clear();
        if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
        return D3D_OK;
    }

    ComPtr<IDirect3DDevice9> device_;
    float width_ = kMinimumWidth;
    D3DXStateSaver saver_;
    bool begun_ = false;
    bool screenSpace_ = false;
    DWORD callerZEnable_ = D3DZB_TRUE;
    WideLineMesh mesh_;
    ProjectedRuns runs_;
    std::vector<ScreenPoint> screen_;
};

}  // namespace
}  // namespace pelmora::d3dx

HRESULT D3DXCreateLine(IDirect3DDevice9* device, ID3DXLine** line) {
    if (!device || !line) {
        pelmora::logMessage("D3DXCreateLine: needs a device and a place for the line\n");
        return D3DERR_INVALIDCALL;
    }
    *line = new pelmora::d3dx::D3DXLine(device);
    return D3D_OK;
}
