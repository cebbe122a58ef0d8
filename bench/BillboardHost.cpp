#include "BillboardHost.h"

#include "host/DXContext.h"
#include "platform/d3d9/gl/EglAdapterList.h"
#include "platform/d3d9/gl/GLDevice.h"
#include "view/DXViewport.h"
#include "core/HandleTable.h"

#include <cmath>
#include <cstring>

namespace pelmora::bench {
namespace {

constexpr int kTransformValues = 12;
constexpr int kReplaceTransform = 0;
constexpr int kLastSmallId = 21, kFirstBigId = 32, kLastBigId = 54;

std::vector<int> namedIds() {
    std::vector<int> ids;
    for (int id = 0; id <= kLastBigId; ++id)
        if (id <= kLastSmallId || id >= kFirstBigId) ids.push_back(id);
    return ids;
}

SAFEARRAY* translation(double x, double y) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, kTransformValues);
    double* data = nullptr;
    if (!array || FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) return array;
    const double values[kTransformValues] = {1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, 0};
    std::memcpy(data, values, sizeof values);
    SafeArrayUnaccessData(array);
    return array;
}

}  // namespace

std::vector<BillboardMark> billboardScene(int count, UINT width, UINT height) {
    const std::vector<int> ids = namedIds();
    const int columns = int(std::ceil(std::sqrt(double(count) * width / height)));
    const int rows = (count + columns - 1) / columns;
    std::vector<BillboardMark> marks;
    for (int i = 0; i < count; ++i) {
        const int id = ids[size_t(i) % ids.size()];
        const int centre = id < kFirstBigId ? 4 : 8;
        const int x = int((i % columns) * int(width) / columns) + 8;
        const int y = int((i / columns) * int(height) / rows) + 8;
        marks.push_back({id, centre, centre, x, y});
    }
    return marks;
}

std::unique_ptr<BillboardHost> BillboardHost::create(const std::vector<BillboardMark>& marks, UINT width,
                                                     UINT height, std::string* error) {
    std::unique_ptr<BillboardHost> host(new BillboardHost());
    const HRESULT status = host->open(marks, width, height);
    if (FAILED(status)) {
        *error = "the billboards could not be set up through IDXContext (status " + std::to_string(status) + ")";
        return nullptr;
    }
    return host;
}

HRESULT BillboardHost::open(const std::vector<BillboardMark>& marks, UINT width, UINT height) {
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
    status = device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer_);
    if (SUCCEEDED(status))
        status = context_->setViewportBackground(viewport_, int(kBackground), int(kBackground));
    if (SUCCEEDED(status)) status = context_->setViewportPlane(viewport_, 0, width, -double(height), 0);
    if (SUCCEEDED(status)) status = context_->newFrame(0, &root_);
    if (SUCCEEDED(status)) status = context_->setFrameColor(root_, int(0xFFFFFFFFu));
    for (size_t i = 0; i < marks.size() && SUCCEEDED(status); ++i) status = addMark(marks[i]);
    return status;
}

HRESULT BillboardHost::addMark(const BillboardMark& mark) {
    int frame = 0, billboard = 0;
    HRESULT status = context_->newFrame(root_, &frame);
    if (SUCCEEDED(status)) {
        SAFEARRAY* transform = translation(mark.x, -mark.y);
        status = context_->addFrameTransform(frame, kReplaceTransform, &transform);
        SafeArrayDestroy(transform);
    }
    if (SUCCEEDED(status))
        status = context_->newPreloadedBillboard(PreloadedTextureIDs(mark.id), mark.anchorX, mark.anchorY, &billboard);
    if (SUCCEEDED(status)) status = context_->frameAddVisual(frame, billboard);
    return status;
}

HRESULT BillboardHost::drawFrame() {
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

std::vector<uint32_t> BillboardHost::readImage() const {
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

ViewTransforms BillboardHost::transforms() const {
    const DXViewport* view = resolveHandle<DXViewport>(viewport_);
    return ViewTransforms{view->cameraTransform(), view->viewMatrix(), view->projection(), float(view->getWidth()),
                          float(view->getHeight())};
}

// The benchmark reaches past the interface for the device it compares with.
IDirect3DDevice9* BillboardHost::device() const { return static_cast<DXContext*>(context_)->device(); }

d3d9gl::GLDevice& BillboardHost::glDevice() const { return *static_cast<d3d9gl::GLDevice*>(device()); }

std::string BillboardHost::adapterDescription() const { return glDevice().adapter().renderer; }

BillboardHost::~BillboardHost() {
    if (backBuffer_) backBuffer_->Release();
    if (context_) {
        if (viewport_) context_->releaseHandle(viewport_);
        context_->Release();
    }
    if (window_) PelmoraDestroyWindow(window_);
}

}  // namespace pelmora::bench
