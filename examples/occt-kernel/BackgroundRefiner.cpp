#include <pelmora/occt/BackgroundRefiner.h>

#include <system_error>

namespace pelmora::occt {

void BackgroundRefiner::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

HRESULT BackgroundRefiner::showCoarse(IDXContext* context, int viewport, const Progress& progress) {
    kernel_->preview(kCoarseDeviation, progress);
    HRESULT hr = context->setManualRefinementLevel(viewport, 1);
    if (SUCCEEDED(hr)) hr = context->setAutomaticRefinement(viewport, VARIANT_FALSE);
    return hr;
}

void BackgroundRefiner::run(double deviation, const Progress& progress) {
    const Progress advance = [this, &progress](const char* phase, double fraction) {
        fraction_ = fraction;
        if (progress) progress(phase, fraction);
    };
    kernel_->prepare(deviation, advance, [this] { return !stopping_.load(); });
    running_ = false;
}

HRESULT BackgroundRefiner::refine(IDXContext* context, int viewport, const Progress& progress) {
    HRESULT hr = context->setAutomaticRefinement(viewport, VARIANT_TRUE);
    double deviation = 0.0;
    if (SUCCEEDED(hr)) hr = PelmoraGetViewportDeviation(viewport, &deviation);
    if (FAILED(hr) || thread_.joinable()) return hr;
    running_ = true;
    try {
        thread_ = std::thread(&BackgroundRefiner::run, this, deviation, progress);
    } catch (const std::system_error&) {
        running_ = false;
        return E_OUTOFMEMORY;  // no thread: the engine's worker refines alone
    }
    return S_OK;
}

}  // namespace pelmora::occt
