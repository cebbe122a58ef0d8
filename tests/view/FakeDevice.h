// A device for viewport tests that needs no GL. It records every call (see
// RecordingDevice); surfaces and vertex buffers are plain memory, copies
// between surfaces really copy pixels, lights and the viewport rectangle are
// kept, and Present, BeginScene and render-target creation answer what the
// test asks.
#pragma once

#include "support/RecordingDevice.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace pelmora::test {

// Counts references and deletes itself at zero, as the platform's objects do.
template <class Interface>
class FakeCounted : public Interface {
public:
    HRESULT QueryInterface(REFIID, void** object) override {
        if (object != nullptr) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }

protected:
    virtual ~FakeCounted() = default;

private:
    ULONG references_ = 1;
};

// 32-bit pixels, rows top-down, no padding.
class FakeSurface final : public FakeCounted<IDirect3DSurface9> {
public:
    static constexpr HDC kDC = 4242;

    FakeSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool, DWORD usage)
        : desc_{format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, width, height},
          pixels_(size_t(width) * height) {}

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override { return *desc = desc_, D3D_OK; }
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT*, DWORD) override {
        *locked = {INT(desc_.Width * sizeof(uint32_t)), pixels_.data()};
        return D3D_OK;
    }
    HRESULT UnlockRect() override { return D3D_OK; }
    HRESULT GetDC(HDC* dc) override { return *dc = kDC, ++dcsOut, D3D_OK; }
    HRESULT ReleaseDC(HDC dc) override {
        if (dc != kDC) return D3DERR_INVALIDCALL;
        return --dcsOut, D3D_OK;
    }

    uint32_t& pixel(UINT x, UINT y) { return pixels_[size_t(y) * desc_.Width + x]; }
    void fill(uint32_t value) { std::fill(pixels_.begin(), pixels_.end(), value); }

    // Copies the rectangle of `from` to `at` here, clipped to both surfaces.
    void copyFrom(FakeSurface& from, const RECT* area, POINT at = {0, 0}) {
        const RECT source = area ? *area : RECT{0, 0, LONG(from.desc_.Width), LONG(from.desc_.Height)};
        for (LONG y = source.top; y < source.bottom; ++y)
            for (LONG x = source.left; x < source.right; ++x) {
                const LONG tx = x - source.left + at.x, ty = y - source.top + at.y;
                if (tx < LONG(desc_.Width) && ty < LONG(desc_.Height) &&
                    x < LONG(from.desc_.Width) && y < LONG(from.desc_.Height))
                    pixel(UINT(tx), UINT(ty)) = from.pixel(UINT(x), UINT(y));
            }
    }

    int dcsOut = 0;

private:
    D3DSURFACE_DESC desc_;
    std::vector<uint32_t> pixels_;
};

class FakeVertexBuffer final : public FakeCounted<IDirect3DVertexBuffer9> {
public:
    explicit FakeVertexBuffer(UINT length) : bytes(length) {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT, UINT, void** data, DWORD) override { return *data = bytes.data(), D3D_OK; }
    HRESULT Unlock() override { return D3D_OK; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC*) override { return D3DERR_INVALIDCALL; }

    std::vector<unsigned char> bytes;
};

class FakeDevice final : public RecordingDevice {
public:
    FakeDevice() { caps.RasterCaps = D3DPRASTERCAPS_DEPTHBIAS; }

    HRESULT GetDeviceCaps(D3DCAPS9* out) override { return *out = caps, D3D_OK; }
    HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE,
                               DWORD, BOOL, IDirect3DSurface9** surface, void*) override {
        if (FAILED(renderTargetResult)) return renderTargetResult;
        *surface = new FakeSurface(width, height, format, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET);
        return D3D_OK;
    }
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9** surface, void*) override {
        *surface = new FakeSurface(width, height, format, pool, 0);
        return D3D_OK;
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9** buffer,
                               void*) override {
        *buffer = new FakeVertexBuffer(length);
        return D3D_OK;
    }
    HRESULT StretchRect(IDirect3DSurface9* from, const RECT* area, IDirect3DSurface9* to,
                        const RECT* toArea, D3DTEXTUREFILTERTYPE filter) override {
        RecordingDevice::StretchRect(from, area, to, toArea, filter);
        return copy(from, area, to, nullptr);
    }
    HRESULT GetRenderTargetData(IDirect3DSurface9* from, IDirect3DSurface9* to) override {
        RecordingDevice::GetRenderTargetData(from, to);
        return copy(from, nullptr, to, nullptr);
    }
    HRESULT UpdateSurface(IDirect3DSurface9* from, const RECT* area, IDirect3DSurface9* to,
                          const POINT* at) override {
        RecordingDevice::UpdateSurface(from, area, to, at);
        return copy(from, area, to, at);
    }
    HRESULT Present(const RECT* source, const RECT*, HWND window, const void*) override {
        presented.push_back(Presentation{*source, window});
        if (presentResults.empty()) return D3D_OK;
        const HRESULT result = presentResults.front();
        presentResults.pop_front();
        return result;
    }
    HRESULT BeginScene() override { return RecordingDevice::BeginScene(), beginSceneResult; }
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override {
        lights[index] = *light;
        return RecordingDevice::SetLight(index, light);
    }
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override {
        return this->viewport = *viewport, D3D_OK;
    }

    struct Presentation {
        RECT source;
        HWND window;
    };

    D3DCAPS9 caps{};
    HRESULT renderTargetResult = D3D_OK;
    HRESULT beginSceneResult = D3D_OK;
    std::deque<HRESULT> presentResults;
    std::vector<Presentation> presented;
    std::map<DWORD, D3DLIGHT9> lights;
    D3DVIEWPORT9 viewport{};

private:
    static HRESULT copy(IDirect3DSurface9* from, const RECT* area, IDirect3DSurface9* to,
                        const POINT* at) {
        static_cast<FakeSurface*>(to)->copyFrom(*static_cast<FakeSurface*>(from), area,
                                                at ? *at : POINT{0, 0});
        return D3D_OK;
    }
};

}  // namespace pelmora::test
