// The demo host: builds a small assembly as a frame tree through IDXContext,
// the way a CAD host does, and prints each step and what the engine answered.
#include <pelmora/pelmora.h>

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

int failures = 0;

// Prints a step and its status; a status other than the expected one counts as
// a failure, except E_NOTIMPL for parts of the engine not in this build.
void report(const char* step, HRESULT status, HRESULT expected = S_OK) {
    const char* note = status == E_NOTIMPL ? " (not available in this build yet)"
                       : status == expected ? ""
                                            : " (unexpected)";
    std::printf("  %-44s -> 0x%08X%s\n", step, static_cast<unsigned>(status), note);
    if (status != expected && status != E_NOTIMPL) ++failures;
}

SAFEARRAY* transformArray(const double (&values)[12]) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, 12);
    double* data = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
    for (int i = 0; i < 12; ++i) data[i] = values[i];
    SafeArrayUnaccessData(array);
    return array;
}

void printTransform(IDXContext* context, int frame, const char* label) {
    SAFEARRAY* array = nullptr;
    report(label, context->getFrameWorldTransform(frame, &array));
    if (!array) return;
    double* m = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&m));
    std::printf("      world translation (%.2f, %.2f, %.2f)\n", m[9], m[10], m[11]);
    SafeArrayUnaccessData(array);
    SafeArrayDestroy(array);
}

// What the window shows, as a PNG the user can open.
HRESULT writeWindowImage(int window, const char* path) {
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    HRESULT hr = PelmoraGetWindowImage(window, &width, &height, &pixels);
    if (FAILED(hr)) return hr;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB in memory on a little-endian machine
    std::vector<uint32_t> opaque(pixels, pixels + size_t(width) * height);
    for (uint32_t& p : opaque) p |= 0xFF000000u;
    if (!png_image_write_to_file(&image, path, 0, opaque.data(), 0, nullptr)) return E_FAIL;
    std::printf("      wrote %s (%dx%d)\n", path, width, height);
    return S_OK;
}

}  // namespace

int main() {
    std::printf("Pelmora demo host\n");
    IDXContext* context = nullptr;
    report("PelmoraCreateContext", PelmoraCreateContext(&context));
    if (!context) return 1;

    int root = 0, bracket = 0, shaft = 0, glass = 0;
    report("newFrame(root)", context->newFrame(0, &root));
    report("newFrame(bracket, under root)", context->newFrame(root, &bracket));
    report("newFrame(shaft, under bracket)", context->newFrame(bracket, &shaft));
    report("newFrame(glass cover, under root)", context->newFrame(root, &glass));

    report("setFrameColor(bracket, steel blue)", context->setFrameColor(bracket, int(0xFF4682B4)));
    report("frameSetReflectivity(bracket, 60)", context->frameSetReflectivity(bracket, 60.0f));
    report("setFrameColor(glass, translucent)", context->setFrameColor(glass, int(0x8080C0FF)));
    report("setFrameZBufferMode(glass, 1)", context->setFrameZBufferMode(glass, 1));

    SAFEARRAY* move = transformArray({1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 0, 0});
    report("addFrameTransform(bracket, +10 x)", context->addFrameTransform(bracket, 0, &move));
    SafeArrayDestroy(move);
    report("addFrameRotation(shaft, z, 90 deg)",
           context->addFrameRotation(shaft, 0, 0, 0, 1, 3.14159265358979 / 2));
    SAFEARRAY* lift = transformArray({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 0});
    report("addFrameTransform(shaft, +5 y after)", context->addFrameTransform(shaft, 2, &lift));
    SafeArrayDestroy(lift);
    printTransform(context, shaft, "getFrameWorldTransform(shaft)");

    int color = 0;
    report("getFrameColor(glass)", context->getFrameColor(glass, &color));
    std::printf("      glass colour 0x%08X\n", static_cast<unsigned>(color));

    report("setAppData(shaft, 4711)", context->setAppData(shaft, 4711));
    int appData = 0;
    report("getAppData(shaft)", context->getAppData(shaft, &appData));
    std::printf("      shaft application data %d\n", appData);

    report("frameAddChild(shaft, root) (a cycle)", context->frameAddChild(shaft, root),
           E_INVALIDARG);
    report("releaseHandle(shaft)", context->releaseHandle(shaft));
    report("setFrameColor(released shaft)", context->setFrameColor(shaft, 0), E_HANDLE);

    constexpr int kWidth = 800, kHeight = 600;
    int window = PelmoraCreateOffscreenWindow(kWidth, kHeight);
    VARIANT_BOOL noHardware = VARIANT_TRUE;
    report("initialize", context->initialize(VARIANT_FALSE, nullptr, &noHardware));
    int viewport = 0;
    report("newViewport(800x600 offscreen window)",
           context->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, kWidth, kHeight, &viewport));
    int light = -1;
    report("viewportAddDirectionalLight",
           context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFF), 0, -1, -1, &light));
    report("clearViewport", context->clearViewport(viewport));
    report("render(root)", context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE));
    report("viewportFlip(to cache)", context->viewportFlip(viewport, VARIANT_TRUE));
    report("viewportPresent", context->viewportPresent(viewport, 0, 0, kWidth, kHeight));
    report("writing demo.png", writeWindowImage(window, "demo.png"));
    report("releaseHandle(viewport)", context->releaseHandle(viewport));

    std::printf("Releasing the context (destroys the remaining frames)\n");
    context->Release();
    PelmoraDestroyWindow(window);
    std::printf("Done: %d unexpected failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
