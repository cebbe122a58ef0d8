#include "ModelView.h"

#include <cmath>
#include <cstdio>

namespace viewer {

namespace {

constexpr double kDegree = 0.017453292519943295;
constexpr double kOrbitPerPixel = 0.4 * kDegree;
constexpr int kHighlight = int(0xFFFF8A1Cu);

// Camera rotations: camera space has x right, y up, z towards the viewer;
// the model's z axis is up in every view but top.
pelmora::Transform orientation(ViewDirection view) {
    using pelmora::Transform;
    Transform front;  // looking along +y
    front.m = {1, 0, 0, 0, 0, -1, 0, 1, 0, 0, 0, 0};
    switch (view) {
        case ViewDirection::Top: return Transform{};
        case ViewDirection::Front: return front;
        case ViewDirection::Right: return Transform::rotation(0, 0, 1, -90 * kDegree).then(front);
        case ViewDirection::Iso:
            return Transform::rotation(0, 0, 1, -45 * kDegree)
                .then(front)
                .then(Transform::rotation(1, 0, 0, 35.264 * kDegree));
    }
    return front;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

ModelView::ModelView(occtkernel::OcctKernel* kernel, const ViewerOptions& options)
    : kernel_(kernel), facets_(kernel), options_(options) {}

ModelView::~ModelView() {
    if (context_) context_->Release();
    if (factory_) PelmoraUnregisterFacetFactory(factory_);
}

bool ModelView::open(int window, std::string* error, const occtkernel::Progress& progress) {
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
    occtkernel::SceneStyle style;
    style.edges = options_.edges;
    hr = occtkernel::buildScene(context_, *kernel_, factory_, style, &scene_);
    if (FAILED(hr)) {
        *error = "could not build the scene";
        return false;
    }
    bounds_ = kernel_->bounds();
    context_->setViewportPerspective(viewport_, options_.perspective ? VARIANT_TRUE : VARIANT_FALSE);
    context_->viewportAddAmbientLight(viewport_, 0x00505050);
    int light = 0;
    context_->viewportAddDirectionalLight(viewport_, int(0xFFFFFFFF), 0.35f, -0.45f, -1.0f, &light);
    context_->setViewportBackground(viewport_, int(0xFFF4F6F8u), int(0xFFB8C4D0u));
    setView(options_.view);
    double deviation = 0.0;
    PelmoraGetViewportDeviation(viewport_, &deviation);
    GuardedWork tessellating(Phase::Tessellating);
    kernel_->prepare(deviation, progress);
    return true;
}

void ModelView::setView(ViewDirection view) {
    pelmora::setCameraTransform(context_, viewport_, orientation(view));
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

void ModelView::orbit(int dx, int dy) {
    const pelmora::Point3 c = bounds_.centre();
    pelmora::Transform camera;
    pelmora::getCameraTransform(context_, viewport_, &camera);
    // The screen's horizontal axis in world coordinates: the camera's x,
    // the first column of its rotation.
    context_->rotateCamera(viewport_, c[0], c[1], c[2], camera.m[0], camera.m[3], camera.m[6],
                           dy * kOrbitPerPixel);
    context_->rotateCamera(viewport_, c[0], c[1], c[2], 0, 0, 1, dx * kOrbitPerPixel);
}

void ModelView::pan(int dx, int dy) {
    double left, right, bottom, top;
    context_->getViewportPlane(viewport_, &left, &right, &bottom, &top);
    const double perPixel = (right - left) / options_.width;
    context_->setViewportPlane(viewport_, left - dx * perPixel, right - dx * perPixel,
                               bottom + dy * perPixel, top + dy * perPixel);
}

void ModelView::zoomAt(int x, int y, double factor) {
    double left, right, bottom, top;
    context_->getViewportPlane(viewport_, &left, &right, &bottom, &top);
    // The plane point under the cursor stays where it is.
    const double px = left + (right - left) * (x + 0.5) / options_.width;
    const double py = top - (top - bottom) * (y + 0.5) / options_.height;
    context_->setViewportPlane(viewport_, px + (left - px) * factor, px + (right - px) * factor,
                               py + (bottom - py) * factor, py + (top - py) * factor);
}

std::string ModelView::pick(int x, int y) {
    pelmora::SceneHit hit;
    pelmora::pickScene(context_, viewport_, scene_.root, x, y, &hit);
    if (picked_ >= 0) context_->setFrameColor(scene_.bodyFrames[size_t(picked_)], occtkernel::bodyColor(picked_));
    picked_ = scene_.bodyOf(hit.mesh);
    if (picked_ < 0) return {};
    context_->setFrameColor(scene_.bodyFrames[size_t(picked_)], kHighlight);
    return kernel_->body(picked_).name;
}

}  // namespace viewer
