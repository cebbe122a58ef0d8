#include "BenchContext.h"

#include "BackBufferReads.h"

#include "host/DXContext.h"
#include "platform/d3d9/gl/EglAdapterList.h"
#include "platform/d3d9/gl/GLDevice.h"

#include <cstring>

namespace pelmora::bench {
namespace {

constexpr int kTransformValues = 12;

}  // namespace

SAFEARRAY* BenchContext::transformArray(const D3DMATRIX& m) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, kTransformValues);
    double* data = nullptr;
    if (!array || FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) return array;
    const float values[kTransformValues] = {m._11, m._12, m._13, m._21, m._22, m._23,
                                            m._31, m._32, m._33, m._41, m._42, m._43};
    for (int i = 0; i < kTransformValues; ++i) data[i] = values[i];
    SafeArrayUnaccessData(array);
    return array;
}

HRESULT BenchContext::open(UINT width, UINT height) {
    HRESULT status = PelmoraCreateContext(&context_);
    if (FAILED(status)) return status;
    window_ = PelmoraCreateOffscreenWindow(int(width), int(height));
    if (window_ == 0) return E_FAIL;
    VARIANT_BOOL noHardware = VARIANT_FALSE;
    status = context_->initialize(VARIANT_FALSE, nullptr, &noHardware);
    if (SUCCEEDED(status))
        status = context_->newViewport(window_, VARIANT_FALSE, VARIANT_TRUE, int(width), int(height), &viewport_);
    if (FAILED(status)) return status;
    if (viewport_ == 0 || !device()) return E_FAIL;
    return device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer_);
}

HRESULT BenchContext::drawFrame(int root) {
    HRESULT status = context_->clearViewport(viewport_);
    if (SUCCEEDED(status)) status = context_->render(viewport_, root, VARIANT_FALSE, VARIANT_FALSE);
    if (SUCCEEDED(status)) status = context_->viewportFlip(viewport_, VARIANT_TRUE);
    if (FAILED(status)) return status;
    return readOnePixel(backBuffer_);
}

std::vector<uint32_t> BenchContext::readImage() const { return readWholeImage(backBuffer_); }

// The benchmark reaches past the interface for the device it compares with.
IDirect3DDevice9* BenchContext::device() const { return static_cast<DXContext*>(context_)->device(); }

d3d9gl::GLDevice& BenchContext::glDevice() const { return *static_cast<d3d9gl::GLDevice*>(device()); }

std::string BenchContext::adapterDescription() const { return glDevice().adapter().renderer; }

BenchContext::~BenchContext() {
    if (backBuffer_) backBuffer_->Release();
    if (context_) {
        if (viewport_) context_->releaseHandle(viewport_);
        context_->Release();
    }
    if (window_) PelmoraDestroyWindow(window_);
}

}  // namespace pelmora::bench
