#include "AssemblyHost.h"

#include "SampleKernel.h"
#include "host/DXContext.h"
#include "platform/d3d9/gl/EglAdapterList.h"
#include "platform/d3d9/gl/GLDevice.h"

#include <cstring>

namespace pelmora::bench {
namespace {

constexpr int kTransformValues = 12;
constexpr int kReplaceTransform = 0;

// The 12-value transform array of a frame: three rows of the rotation, then
// the translation.
SAFEARRAY* transformArray(const D3DMATRIX& m) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, kTransformValues);
    double* data = nullptr;
    if (!array || FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) return array;
    const float values[kTransformValues] = {m._11, m._12, m._13, m._21, m._22, m._23,
                                            m._31, m._32, m._33, m._41, m._42, m._43};
    for (int i = 0; i < kTransformValues; ++i) data[i] = values[i];
    SafeArrayUnaccessData(array);
    return array;
}

}  // namespace

std::unique_ptr<AssemblyHost> AssemblyHost::create(const AssemblyScene& scene, samplekernel::SampleKernel& kernel,
                                                   UINT width, UINT height, std::string* error) {
    std::unique_ptr<AssemblyHost> host(new AssemblyHost(scene));
    const HRESULT status = host->open(kernel, width, height);
    if (FAILED(status)) {
        *error = "the assembly could not be set up through IDXContext (status " + std::to_string(status) + ")";
        return nullptr;
    }
    return host;
}

HRESULT AssemblyHost::open(samplekernel::SampleKernel& kernel, UINT width, UINT height) {
    HRESULT status = PelmoraCreateContext(&context_);
    if (FAILED(status)) return status;
    window_ = PelmoraCreateOffscreenWindow(int(width), int(height));
    factory_ = PelmoraRegisterFacetFactory(&kernel);
    if (window_ == 0 || factory_ == 0) return E_FAIL;
    VARIANT_BOOL noHardware = VARIANT_FALSE;
    status = context_->initialize(VARIANT_FALSE, nullptr, &noHardware);
    if (SUCCEEDED(status))
        status = context_->newViewport(window_, VARIANT_FALSE, VARIANT_TRUE, int(width), int(height), &viewport_);
    if (FAILED(status)) return status;
    if (viewport_ == 0 || !device()) return E_FAIL;
    status = device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer_);
    if (SUCCEEDED(status)) status = buildTree();
    return status;
}

// Viewport settings first, then root, row frames and one frame per body
// holding its mesh.
HRESULT AssemblyHost::buildTree() {
    int light = 0;
    const D3DVECTOR& d = scene_.lightDirection;
    HRESULT status = context_->setViewportBackground(viewport_, int(scene_.background), int(scene_.background));
    if (SUCCEEDED(status)) status = context_->viewportAddAmbientLight(viewport_, int(scene_.ambient));
    if (SUCCEEDED(status))
        status = context_->viewportAddDirectionalLight(viewport_, int(scene_.lightColour), d.x, d.y, d.z, &light);
    if (SUCCEEDED(status)) status = zoom(1.0);
    if (SUCCEEDED(status)) status = context_->newFrame(0, &root_);
    std::vector<int> rowFrames(scene_.rows.size());
    for (size_t row = 0; row < scene_.rows.size() && SUCCEEDED(status); ++row) {
        status = context_->newFrame(root_, &rowFrames[row]);
        if (SUCCEEDED(status)) status = context_->setFrameColor(rowFrames[row], int(scene_.rows[row].colour));
        if (SUCCEEDED(status)) status = context_->frameSetReflectivity(rowFrames[row], scene_.reflectivity);
    }
    for (size_t i = 0; i < scene_.bodies.size() && SUCCEEDED(status); ++i)
        status = addBody(scene_.bodies[i], rowFrames);
    return status;
}

HRESULT AssemblyHost::addBody(const AssemblyBody& body, const std::vector<int>& rowFrames) {
    int frame = 0, mesh = 0;
    HRESULT status = context_->newFrame(rowFrames[size_t(body.row)], &frame);
    if (SUCCEEDED(status)) {
        SAFEARRAY* transform = transformArray(body.world);
        status = context_->addFrameTransform(frame, kReplaceTransform, &transform);
        SafeArrayDestroy(transform);
    }
    if (SUCCEEDED(status)) status = context_->newSolidMeshFromHandle(body.hostMesh, factory_, &mesh);
    if (SUCCEEDED(status)) status = context_->frameAddVisual(frame, mesh);
    return status;
}

HRESULT AssemblyHost::drawFrame() {
    HRESULT status = context_->clearViewport(viewport_);
    if (SUCCEEDED(status)) status = context_->render(viewport_, root_, VARIANT_FALSE, VARIANT_FALSE);
    if (SUCCEEDED(status)) status = context_->viewportFlip(viewport_, VARIANT_TRUE);
    if (FAILED(status)) return status;
    RECT pixel = {0, 0, 1, 1};
    D3DLOCKED_RECT locked{};
    status = backBuffer_->LockRect(&locked, &pixel, D3DLOCK_READONLY);
    if (FAILED(status)) return status;
    return backBuffer_->UnlockRect();
}

HRESULT AssemblyHost::zoom(double factor) {
    const double* p = scene_.plane;
    return context_->setViewportPlane(viewport_, p[0] * factor, p[1] * factor, p[2] * factor, p[3] * factor);
}

std::vector<uint32_t> AssemblyHost::readImage() const {
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    std::vector<uint32_t> pixels;
    if (FAILED(backBuffer_->GetDesc(&desc)) || FAILED(backBuffer_->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return pixels;
    pixels.resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&pixels[size_t(y) * desc.Width],
                    static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                    desc.Width * sizeof(uint32_t));
    backBuffer_->UnlockRect();
    return pixels;
}

// The benchmark reaches past the interface for the device it compares with.
IDirect3DDevice9* AssemblyHost::device() const { return static_cast<DXContext*>(context_)->device(); }

d3d9gl::GLDevice& AssemblyHost::glDevice() const { return *static_cast<d3d9gl::GLDevice*>(device()); }

std::string AssemblyHost::adapterDescription() const { return glDevice().adapter().renderer; }

AssemblyHost::~AssemblyHost() {
    if (backBuffer_) backBuffer_->Release();
    if (context_) {
        if (viewport_) context_->releaseHandle(viewport_);
        context_->Release();
    }
    if (factory_) PelmoraUnregisterFacetFactory(factory_);
    if (window_) PelmoraDestroyWindow(window_);
}

}  // namespace pelmora::bench
