#include "SoakCycle.h"

#include <cstdio>
#include <cstring>

namespace pelmora::bench {

namespace {

// A cube as arrays: 8 corners, their normals, 12 triangles. A face is its
// vertex count, then per vertex an index and an unused word.
struct CubeArrays {
    SAFEARRAY* vertices = SafeArrayCreateVector(VT_R4, 0, 24);
    SAFEARRAY* normals = SafeArrayCreateVector(VT_R4, 0, 24);
    SAFEARRAY* faces = SafeArrayCreateVector(VT_I4, 0, 85);

    explicit CubeArrays(float half) {
        float corners[24];
        for (int i = 0; i < 8; ++i) {
            corners[3 * i] = (i & 1) ? half : -half;
            corners[3 * i + 1] = (i & 2) ? half : -half;
            corners[3 * i + 2] = (i & 4) ? half : -half;
        }
        static constexpr int kTriangles[12][3] = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6},
                                                  {0, 1, 4}, {1, 5, 4}, {2, 6, 3}, {3, 6, 7},
                                                  {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
        int list[85] = {};
        for (int t = 0; t < 12; ++t) {
            list[7 * t] = 3;
            for (int corner = 0; corner < 3; ++corner) list[7 * t + 1 + 2 * corner] = kTriangles[t][corner];
        }
        fill(vertices, corners, sizeof corners);
        fill(normals, corners, sizeof corners);
        fill(faces, list, sizeof list);
    }
    ~CubeArrays() {
        SafeArrayDestroy(vertices);
        SafeArrayDestroy(normals);
        SafeArrayDestroy(faces);
    }
    static void fill(SAFEARRAY* array, const void* values, size_t bytes) {
        void* data = nullptr;
        if (array && SUCCEEDED(SafeArrayAccessData(array, &data))) {
            std::memcpy(data, values, bytes);
            SafeArrayUnaccessData(array);
        }
    }
};

bool check(HRESULT status, const char* step, std::string* failure) {
    if (SUCCEEDED(status)) return true;
    char text[96];
    std::snprintf(text, sizeof text, "%s: status 0x%08x", step, static_cast<unsigned>(status));
    *failure = text;
    return false;
}

}  // namespace

bool SoakCycle::run(std::string* failure, const std::string& picture) {
    picture_ = picture;
    IDXContext* context = nullptr;
    if (!check(PelmoraCreateContext(&context), "PelmoraCreateContext", failure)) return false;
    const int window = PelmoraCreateOffscreenWindow(size_, size_);
    VARIANT_BOOL noHardware = VARIANT_TRUE;
    int viewport = 0;
    bool ok = window != 0 && check(context->initialize(VARIANT_FALSE, nullptr, &noHardware), "initialize", failure) &&
              check(context->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, size_, size_, &viewport),
                    "newViewport", failure) &&
              buildScene(context, viewport, failure);
    if (window == 0) *failure = "PelmoraCreateOffscreenWindow";
    // Viewports are the host's to release; the context takes the rest with it.
    if (viewport != 0) context->releaseHandle(viewport);
    context->Release();
    if (window != 0) PelmoraDestroyWindow(window);
    return ok;
}

bool SoakCycle::buildScene(IDXContext* context, int viewport, std::string* failure) {
    int light = 0, root = 0, part = 0;
    if (!check(context->setViewportPlane(viewport, -1.5, 1.5, -1.5, 1.5), "setViewportPlane", failure) ||
        !check(context->setViewportBackground(viewport, int(0xFF203040u), int(0xFF8090A0u)), "setViewportBackground", failure) ||
        !check(context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFFu), 0, 0, -1, &light), "light", failure) ||
        !check(context->newFrame(0, &root), "newFrame", failure) ||
        !check(context->newFrame(root, &part), "newFrame", failure) ||
        !check(context->addFrameRotation(part, 0, 1, 1, 0, 0.4), "addFrameRotation", failure))
        return false;
    for (float half : {0.3f, 0.6f}) {
        CubeArrays cube(half);
        int mesh = 0;
        if (!check(context->newSolidMesh(&cube.vertices, &cube.normals, &cube.faces, VARIANT_FALSE, &mesh),
                   "newSolidMesh", failure) ||
            !check(context->frameAddVisual(part, mesh), "frameAddVisual", failure))
            return false;
    }
    for (int body : {1, 2, 3}) {
        int mesh = 0;
        if (!check(context->newSolidMeshFromHandle(body, factory_, &mesh), "newSolidMeshFromHandle", failure) ||
            !check(context->frameAddVisual(root, mesh), "frameAddVisual", failure))
            return false;
    }
    return drawFrames(context, viewport, root, failure);
}

bool SoakCycle::drawFrames(IDXContext* context, int viewport, int root, std::string* failure) {
    for (int frame = 0; frame < 2; ++frame) {
        if (!check(context->clearViewport(viewport), "clearViewport", failure) ||
            !check(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), "render", failure) ||
            !check(context->viewportFlip(viewport, VARIANT_TRUE), "viewportFlip", failure) ||
            !check(context->viewportPresent(viewport, 0, 0, size_, size_), "viewportPresent", failure))
            return false;
    }
    return picture_.empty() || savePicture(context, viewport, failure);
}

bool SoakCycle::savePicture(IDXContext* context, int viewport, std::string* failure) {
    std::u16string name(picture_.begin(), picture_.end());
    BSTR file = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    const HRESULT status = context->saveSnapshotJPG(viewport, file, size_, size_);
    SysFreeString(file);
    return check(status, "saveSnapshotJPG", failure);
}

}  // namespace pelmora::bench
