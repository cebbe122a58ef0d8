#include "ModelView.h"

#include <cmath>
#include <cstdio>

namespace viewer {

namespace {

constexpr int kHighlight = int(0xFFFF8A1Cu);

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

ModelView::ModelView(pelmora::occt::OcctKernel* kernel, const ViewerOptions& options, FacetFactory* facets)
    : kernel_(kernel), facets_(facets ? facets : kernel), options_(options), refiner_(kernel) {}

ModelView::~ModelView() {
    refiner_.stop();
    if (context_) context_->Release();
    if (factory_) PelmoraUnregisterFacetFactory(factory_);
}

bool ModelView::openDevice(int window, std::string* error) {
    window_ = window;
    HRESULT hr = PelmoraCreateContext(&context_);
    if (SUCCEEDED(hr)) hr = pelmora::initialize(context_, false, "");
    if (SUCCEEDED(hr))
        hr = context_->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, options_.width, options_.height, &viewport_);
    if (FAILED(hr) || viewport_ == 0) {
        *error = "no graphics device (run with --verbose to see why)";
        return false;
    }
    // Zooming asks for finer facets on the engine's worker; the view keeps
    // drawing the coarser ones until they arrive.
    factory_ = PelmoraRegisterThreadSafeFacetFactory(&facets_);
    context_->setViewportPerspective(viewport_, options_.perspective ? VARIANT_TRUE : VARIANT_FALSE);
    pelmora::addDefaultLights(context_, viewport_);
    context_->setViewportBackground(viewport_, int(0xFFF4F6F8u), int(0xFFB8C4D0u));
    // While the file is read: the first picture then waits for no program.
    pelmora::occt::warmUpScene(context_, viewport_, style());
    return true;
}

pelmora::occt::SceneStyle ModelView::style() const {
    pelmora::occt::SceneStyle style;
    style.edges = options_.edges;
    return style;
}

bool ModelView::show(bool finished, std::string* error, const pelmora::occt::Progress& progress) {
    HRESULT hr = pelmora::occt::buildScene(context_, *kernel_, factory_, style(), &scene_);
    if (FAILED(hr)) {
        *error = "could not build the scene";
        return false;
    }
    bounds_ = kernel_->bounds();
    camera_ = pelmora::OrbitCamera(context_, viewport_, options_.width, options_.height);
    camera_.setCentre(bounds_.centre());
    setView(options_.view);
    GuardedWork tessellating(Phase::Tessellating);
    if (!finished) return SUCCEEDED(refiner_.showCoarse(context_, viewport_, progress));
    double deviation = 0.0;
    PelmoraGetViewportDeviation(viewport_, &deviation);
    kernel_->prepare(deviation, progress);
    return true;
}

void ModelView::refine(const pelmora::occt::Progress& progress) {
    refining_.emplace(Phase::Tessellating);
    refiner_.refine(context_, viewport_, progress);
}

bool ModelView::refining() {
    if (refiner_.running()) return true;
    refining_.reset();
    pelmora::occt::refreshPreviews(context_, *kernel_, scene_);
    // The engine's worker hands the refined facets over one mesh at a time:
    // the view settles once a few frames have passed without a request.
    constexpr int kQuietChecks = 3;
    const int requests = kernel_->requestCount();
    quietChecks_ = requests == lastRequests_ ? quietChecks_ + 1 : 0;
    lastRequests_ = requests;
    return quietChecks_ < kQuietChecks;
}

void ModelView::setView(ViewDirection view) {
    pelmora::setView(context_, viewport_, view);
    fit();
}

void ModelView::fit() { pelmora::fitView(context_, viewport_, bounds_); }

HRESULT ModelView::draw() {
    HRESULT hr = context_->clearViewport(viewport_);
    if (SUCCEEDED(hr)) hr = context_->render(viewport_, scene_.root, VARIANT_FALSE, VARIANT_FALSE);
    if (SUCCEEDED(hr)) hr = context_->viewportFlip(viewport_, VARIANT_TRUE);
    if (SUCCEEDED(hr)) hr = context_->viewportPresent(viewport_, 0, 0, options_.width, options_.height);
    return hr;
}

HRESULT ModelView::save(const std::string& path) {
    if (endsWith(path, ".png") || endsWith(path, ".PNG")) return pelmora::saveWindowPng(window_, path);
    return pelmora::saveSnapshot(context_, viewport_, path, options_.width, options_.height);
}

void ModelView::orbit(int dx, int dy) { camera_.orbit(dx, dy); }

void ModelView::pan(int dx, int dy) { camera_.pan(dx, dy); }

void ModelView::zoomAt(int x, int y, double factor) { camera_.zoomAt(x, y, factor); }

std::string ModelView::pick(int x, int y) {
    pelmora::SceneHit hit;
    pelmora::pickScene(context_, viewport_, scene_.root, x, y, &hit);
    if (picked_ >= 0)
        context_->setFrameColor(scene_.bodyFrames[size_t(picked_)], pelmora::occt::bodyColor(*kernel_, picked_));
    picked_ = scene_.bodyOf(hit.mesh);
    if (picked_ < 0) return {};
    context_->setFrameColor(scene_.bodyFrames[size_t(picked_)], kHighlight);
    return kernel_->body(picked_).name;
}

}  // namespace viewer
