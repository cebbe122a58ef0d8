// A minimal host: creates a context through the installed headers and library,
// builds one frame, places it with the installed helpers and releases
// everything.
#include <pelmora/helpers.h>
#include <pelmora/pelmora.h>

#include <cstdio>

static_assert(__cplusplus >= 202002L, "the package makes its hosts C++20");

int main() {
    IDXContext* context = nullptr;
    if (FAILED(PelmoraCreateContext(&context)) || !context) return 1;
    int frame = 0;
    if (FAILED(context->newFrame(0, &frame)) || frame == 0) return 2;
    if (FAILED(context->setFrameColor(frame, static_cast<int>(0xFF336699u)))) return 3;
    if (FAILED(pelmora::setTranslation(context, frame, 1.0, 2.0, 3.0))) return 5;
    pelmora::Transform placed;
    if (FAILED(pelmora::getTransform(context, frame, &placed)) || placed.m[10] != 2.0) return 6;
    int color = 0;
    context->getFrameColor(frame, &color);
    context->releaseHandle(frame);
    context->Release();
    std::printf("installed host: frame colour 0x%08X\n", static_cast<unsigned>(color));
    return color == static_cast<int>(0xFF336699u) ? 0 : 4;
}
