// The C++ side of the Python benchmark (bench_python.py runs it): one
// setFrameColor called directly and through IDispatch::Invoke with the
// VARIANT arguments a script passes, and a 1920x1080 window image read back
// into the host's own buffer. Prints "name value" lines.
#include <pelmora/helpers.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kCalls = 200'000;
constexpr int kRounds = 7;
constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kReadBacks = 50;
constexpr DISPID kSetFrameColor = 0x65;

// The median of kRounds timings of `work`, in nanoseconds per repetition.
template <class Work>
double medianNanoseconds(int repetitions, Work work) {
    std::vector<double> rounds;
    for (int r = 0; r < kRounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < repetitions; ++i) work(i);
        const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
        rounds.push_back(spent.count() / repetitions);
    }
    std::nth_element(rounds.begin(), rounds.begin() + kRounds / 2, rounds.end());
    return rounds[kRounds / 2];
}

double invokeNanoseconds(IDXContext* context, int frame) {
    VARIANT arguments[2];  // last parameter first
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    arguments[1].vt = VT_I4;
    arguments[1].lVal = frame;
    arguments[0].vt = VT_I4;
    DISPPARAMS params{arguments, nullptr, 2, 0};
    return medianNanoseconds(kCalls, [&](int i) {
        arguments[0].lVal = i;
        context->Invoke(kSetFrameColor, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    });
}

// A 1920x1080 picture of a triangle on the background, presented once.
int presentedWindow(IDXContext* context) {
    const int window = PelmoraCreateOffscreenWindow(kWidth, kHeight);
    int viewport = 0, frame = 0, mesh = 0;
    context->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, kWidth, kHeight, &viewport);
    context->newFrame(0, &frame);
    const float vertices[] = {-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0, 0.5f, 0};
    const int lines[] = {4, 0, 1, 2, 0, 0};
    SAFEARRAY* v = SafeArrayCreateVector(VT_R4, 0, 9);
    SAFEARRAY* l = SafeArrayCreateVector(VT_I4, 0, 6);
    std::memcpy(v->pvData, vertices, sizeof vertices);
    std::memcpy(l->pvData, lines, sizeof lines);
    context->newWireMesh(&v, &l, &mesh);
    SafeArrayDestroy(v);
    SafeArrayDestroy(l);
    context->frameAddVisual(frame, mesh);
    context->clearViewport(viewport);
    context->render(viewport, frame, VARIANT_FALSE, VARIANT_FALSE);
    context->viewportPresent(viewport, 0, 0, kWidth, kHeight);
    return window;
}

// What a host does to keep the picture: read the pixels into its own buffer.
double readBackNanoseconds(int window) {
    std::vector<uint32_t> copy(size_t(kWidth) * kHeight);
    return medianNanoseconds(kReadBacks, [&](int) {
        int width = 0, height = 0;
        const uint32_t* pixels = nullptr;
        PelmoraGetWindowImage(window, &width, &height, &pixels);
        std::memcpy(copy.data(), pixels, size_t(width) * size_t(height) * 4);
    });
}

}  // namespace

int main() {
    IDXContext* context = nullptr;
    if (FAILED(PelmoraCreateContext(&context))) return 1;
    int frame = 0;
    context->newFrame(0, &frame);
    std::printf("direct_ns %.1f\n", medianNanoseconds(kCalls, [&](int i) { context->setFrameColor(frame, i); }));
    std::printf("invoke_ns %.1f\n", invokeNanoseconds(context, frame));
    std::printf("readback_us %.1f\n", readBackNanoseconds(presentedWindow(context)) / 1000.0);
    context->Release();
    return 0;
}
