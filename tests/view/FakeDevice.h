// A device for viewport tests that needs no GL: surfaces and vertex buffers
// are plain memory, copies between surfaces really copy pixels, lights and
// the viewport rectangle are kept, and Present, BeginScene and render-target
// creation answer what the test asks. Wrap it in a RecordingDevice to see
// the call order.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

namespace pelmora::test {

// Counts references; deletes itself at zero, as the platform's objects do.
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
    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (device != nullptr) *device = nullptr;
        return D3DERR_INVALIDCALL;
    }

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
        : pixels_(size_t(width) * height) {
        desc_.Format = format;
        desc_.Type = D3DRTYPE_SURFACE;
        desc_.Usage = usage;
        desc_.Pool = pool;
        desc_.Width = width;
        desc_.Height = height;
    }

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override {
        *desc = desc_;
        return D3D_OK;
    }
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT*, DWORD) override {
        locked->Pitch = static_cast<INT>(desc_.Width * sizeof(uint32_t));
        locked->pBits = pixels_.data();
        return D3D_OK;
    }
    HRESULT UnlockRect() override { return D3D_OK; }
    HRESULT GetDC(HDC* dc) override {
        *dc = kDC;
        ++dcsOut;
        return D3D_OK;
    }
    HRESULT ReleaseDC(HDC dc) override {
        if (dc != kDC) return D3DERR_INVALIDCALL;
        --dcsOut;
        return D3D_OK;
    }

    uint32_t& pixel(UINT x, UINT y) { return pixels_[size_t(y) * desc_.Width + x]; }
    void fill(uint32_t value) { std::fill(pixels_.begin(), pixels_.end(), value); }
    const D3DSURFACE_DESC& desc() const { return desc_; }

    // Copies the rectangle of `from` to the same place here, clipped to both.
    void copyFrom(FakeSurface& from, const RECT* area, POINT at = {0, 0}) {
        const RECT whole{0, 0, LONG(from.desc_.Width), LONG(from.desc_.Height)};
        const RECT source = area != nullptr ? *area : whole;
        for (LONG y = source.top; y < source.bottom; ++y)
            for (LONG x = source.left; x < source.right; ++x) {
                const LONG tx = x - source.left + at.x;
                const LONG ty = y - source.top + at.y;
                if (tx < LONG(desc_.Width) && ty < LONG(desc_.Height) &&
                    x < LONG(from.desc_.Width) && y < LONG(from.desc_.Height))
                    pixel(UINT(tx), UINT(ty)) = from.pixel(UINT(x), UINT(y));
            }
    }

    int dcsOut = 0;

private:
    D3DSURFACE_DESC desc_{};
    std::vector<uint32_t> pixels_;
};

class FakeVertexBuffer final : public FakeCounted<IDirect3DVertexBuffer9> {
public:
    FakeVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) : bytes_(length) {
        desc_.Usage = usage;
        desc_.Pool = pool;
        desc_.Size = length;
        desc_.FVF = fvf;
    }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT, UINT, void** data, DWORD) override {
        *data = bytes_.data();
        return D3D_OK;
    }
    HRESULT Unlock() override { return D3D_OK; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override {
        *desc = desc_;
        return D3D_OK;
    }
    const std::vector<unsigned char>& bytes() const { return bytes_; }

private:
    D3DVERTEXBUFFER_DESC desc_{};
    std::vector<unsigned char> bytes_;
};

// Every device method answers D3D_OK and does nothing.
class QuietDevice : public IDirect3DDevice9 {
public:
    HRESULT QueryInterface(REFIID, void** object) override {
        if (object != nullptr) *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack: the count is only reported.
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return references_ > 0 ? --references_ : 0; }

#define PELMORA_QUIET_DEVICE_METHOD(ret, name, params, args) \
    ret name params override {                                \
        [](auto&&...) {} args;                                \
        return D3D_OK;                                        \
    }
    PELMORA_D3D9_DEVICE_METHODS(PELMORA_QUIET_DEVICE_METHOD)
#undef PELMORA_QUIET_DEVICE_METHOD

private:
    ULONG references_ = 1;
};

class FakeDevice : public QuietDevice {
public:
    FakeDevice() { caps.RasterCaps = D3DPRASTERCAPS_DEPTHBIAS; }

    HRESULT GetDeviceCaps(D3DCAPS9* out) override {
        *out = caps;
        return D3D_OK;
    }
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
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, void*) override {
        *buffer = new FakeVertexBuffer(length, usage, fvf, pool);
        return D3D_OK;
    }
    HRESULT StretchRect(IDirect3DSurface9* from, const RECT* fromArea, IDirect3DSurface9* to,
                        const RECT*, D3DTEXTUREFILTERTYPE) override {
        static_cast<FakeSurface*>(to)->copyFrom(*static_cast<FakeSurface*>(from), fromArea);
        return D3D_OK;
    }
    HRESULT GetRenderTargetData(IDirect3DSurface9* from, IDirect3DSurface9* to) override {
        static_cast<FakeSurface*>(to)->copyFrom(*static_cast<FakeSurface*>(from), nullptr);
        return D3D_OK;
    }
    HRESULT UpdateSurface(IDirect3DSurface9* from, const RECT* area, IDirect3DSurface9* to,
                          const POINT* at) override {
        static_cast<FakeSurface*>(to)->copyFrom(*static_cast<FakeSurface*>(from), area,
                                                at != nullptr ? *at : POINT{0, 0});
        return D3D_OK;
    }
    HRESULT Present(const RECT* source, const RECT*, HWND window, const void*) override {
        presented.push_back(Presentation{*source, window});
        if (presentResults.empty()) return D3D_OK;
        const HRESULT result = presentResults.front();
        presentResults.pop_front();
        return result;
    }
    HRESULT BeginScene() override { return beginSceneResult; }
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override {
        lights[index] = *light;
        return D3D_OK;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        renderStates[state] = value;
        return D3D_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
        *value = renderStates[state];
        return D3D_OK;
    }
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override {
        this->viewport = *viewport;
        return D3D_OK;
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
    std::map<DWORD, DWORD> renderStates;
    D3DVIEWPORT9 viewport{};
};

}  // namespace pelmora::test
