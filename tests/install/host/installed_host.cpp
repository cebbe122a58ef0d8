// A minimal host: creates a context through the installed headers and library,
// builds one frame and releases everything.
#include <pelmora/pelmora.h>

#include <cstdio>

int main() {
    IDXContext* context = nullptr;
    if (FAILED(PelmoraCreateContext(&context)) || !context) return 1;
    int frame = 0;
    if (FAILED(context->newFrame(0, &frame)) || frame == 0) return 2;
    if (FAILED(context->setFrameColor(frame, static_cast<int>(0xFF336699u)))) return 3;
    int color = 0;
    context->getFrameColor(frame, &color);
    context->releaseHandle(frame);
    context->Release();
    std::printf("installed host: frame colour 0x%08X\n", static_cast<unsigned>(color));
    return color == static_cast<int>(0xFF336699u) ? 0 : 4;
}
