// The line object behind D3DXCreateLine.
#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/D3DXLineGeometry.h"
#include "platform/d3dx/D3DXStateSaver.h"
#include "platform/d3dx/D3DXUnknown.h"
#include "platform/d3dx/d3dx9line.h"

#include <memory>
#include <vector>

namespace pelmora::d3dx {
namespace {

constexpr float kMinimumWidth = 1.0f;

class D3DXLine final : public D3DXUnknown<D3DXLine, ID3DXLine> {
public:
    explicit D3DXLine(IDirect3DDevice9* device) : device_(ComPtr<IDirect3DDevice9>::share(device)) {}

    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (!device) return invalid("GetDevice: no place for the device");
        *device = device_.get();
        device_->AddRef();
        return D3D_OK;
    }

    HRESULT Begin() override {
        if (saver_) return invalid("Begin: already begun");
        saver_ = std::make_unique<D3DXStateSaver>(device_.get());
        setScreenSpaceColourStates(*saver_, kScreenVertexFvf);
        return D3D_OK;
    }

    HRESULT End() override {
        if (!saver_) return invalid("End: Begin was not called");
        saver_.reset();
        return D3D_OK;
    }

    HRESULT Draw(const D3DXVECTOR2* points, DWORD count, D3DCOLOR colour) override {
        if (!points) return invalid("Draw: no points");
        if (count < 2) return D3D_OK;
        std::vector<ScreenPoint> screen(count);
        for (DWORD i = 0; i < count; ++i) screen[i] = {points[i].x, points[i].y, 0.0f, 1.0f};
        const bool ownBegin = beginIfNeeded();
        // Screen-space lines lie over the scene.
        saver_->setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        const HRESULT hr = drawRun(screen, colour);
        if (ownBegin) End();
        return hr;
    }

    HRESULT DrawTransform(const D3DXVECTOR3* points, DWORD count, const D3DXMATRIX* transform,
                          D3DCOLOR colour) override {
        if (!points || !transform) return invalid("DrawTransform: needs points and a transform");
        if (count < 2) return D3D_OK;
        D3DVIEWPORT9 viewport{};
        PELMORA_RETURN_IF_FAILED(device_->GetViewport(&viewport));
        const auto runs = projectPolyline(points, count, *transform, viewport);
        const bool ownBegin = beginIfNeeded();
        HRESULT hr = D3D_OK;
        for (const auto& run : runs) {
            hr = drawRun(run, colour);
            if (FAILED(hr)) break;
        }
        if (ownBegin) End();
        return hr;
    }

    HRESULT SetWidth(float width) override {
        if (!(width >= kMinimumWidth)) return invalid("SetWidth: the width must be at least 1");
        width_ = width;
        return D3D_OK;
    }
    float GetWidth() override { return width_; }

    HRESULT OnLostDevice() override {
        saver_.reset();
        return D3D_OK;
    }
    HRESULT OnResetDevice() override { return D3D_OK; }

private:
    static HRESULT invalid(const char* what) {
        logFormat("D3DXLine: %s\n", what);
        return D3DERR_INVALIDCALL;
    }

    bool beginIfNeeded() {
        if (saver_) return false;
        Begin();
        return true;
    }

    HRESULT drawRun(const std::vector<ScreenPoint>& run, D3DCOLOR colour) {
        strip_.clear();
        appendWideLineStrip(run.data(), run.size(), width_, colour, &strip_);
        if (strip_.size() < 3) return D3D_OK;
        PELMORA_RETURN_IF_FAILED(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, UINT(strip_.size() - 2),
                                                          strip_.data(), sizeof(ScreenVertex)));
        return D3D_OK;
    }

    ComPtr<IDirect3DDevice9> device_;
    float width_ = kMinimumWidth;
    std::unique_ptr<D3DXStateSaver> saver_;
    std::vector<ScreenVertex> strip_;
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
