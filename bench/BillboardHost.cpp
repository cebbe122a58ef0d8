#include "BillboardHost.h"

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
    HRESULT status = bench_.open(width, height);
    IDXContext* context = bench_.context();
    const int viewport = bench_.viewport();
    if (SUCCEEDED(status))
        status = context->setViewportBackground(viewport, int(kBackground), int(kBackground));
    if (SUCCEEDED(status)) status = context->setViewportPlane(viewport, 0, width, -double(height), 0);
    if (SUCCEEDED(status)) status = context->newFrame(0, &root_);
    if (SUCCEEDED(status)) status = context->setFrameColor(root_, int(0xFFFFFFFFu));
    for (size_t i = 0; i < marks.size() && SUCCEEDED(status); ++i) status = addMark(marks[i]);
    return status;
}

HRESULT BillboardHost::addMark(const BillboardMark& mark) {
    IDXContext* context = bench_.context();
    int frame = 0, billboard = 0;
    HRESULT status = context->newFrame(root_, &frame);
    if (SUCCEEDED(status)) {
        SAFEARRAY* transform = translation(mark.x, -mark.y);
        status = context->addFrameTransform(frame, kReplaceTransform, &transform);
        SafeArrayDestroy(transform);
    }
    if (SUCCEEDED(status))
        status = context->newPreloadedBillboard(PreloadedTextureIDs(mark.id), mark.anchorX, mark.anchorY, &billboard);
    if (SUCCEEDED(status)) status = context->frameAddVisual(frame, billboard);
    return status;
}

HRESULT BillboardHost::drawFrame() { return bench_.drawFrame(root_); }

std::vector<uint32_t> BillboardHost::readImage() const { return bench_.readImage(); }

ViewTransforms BillboardHost::transforms() const {
    const DXViewport* view = resolveHandle<DXViewport>(bench_.viewport());
    return ViewTransforms{view->cameraTransform(), view->viewMatrix(), view->projection(), float(view->getWidth()),
                          float(view->getHeight())};
}

IDirect3DDevice9* BillboardHost::device() const { return bench_.device(); }

d3d9gl::GLDevice& BillboardHost::glDevice() const { return bench_.glDevice(); }

std::string BillboardHost::adapterDescription() const { return bench_.adapterDescription(); }

}  // namespace pelmora::bench
