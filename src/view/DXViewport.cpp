#include "platform/win/Window.h"
#include "scene/ColorConversion.h"
#include "scene/FrameMatrix.h"
#include "scene/TransformArray.h"
#include "platform/win/DiagnosticSwitches.h"
#include "view/Profiling.h"
#include "view/SceneIndex.h"
#include "view/ViewportOperation.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

constexpr float kBackPerFront = 5.0f;
constexpr double kCameraDistancePerFront = 3.0;
constexpr float kInitialCameraDistance = 5.0f;
constexpr double kShortestViewTranslation = 1e-06;
constexpr float kMaterialPower = 5.0f;

D3DMATERIAL9 initialMaterial() {
    D3DMATERIAL9 material{};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Power = kMaterialPower;
    return material;
}

uint32_t encodeChannel(float value, int shift) {
    uint32_t channel = 0;
    if (value >= 1.0f)
        channel = 0xFF;
    else if (value > 0.0f)
        channel = static_cast<uint32_t>(value * 255.0f + 0.5f);
    return channel << shift;
}

// Through the float components and back, as the clear colour always went.
D3DCOLOR roundTripColor(int color) {
    const D3DCOLORVALUE value = decodeColor(color);
    return encodeChannel(value.a, 24) | encodeChannel(value.r, 16) | encodeChannel(value.g, 8) |
           encodeChannel(value.b, 0);
}

}  // namespace

// ---- Construction and destruction ----

DXViewport::DXViewport(HWND window, int width, int height, D3DFORMAT backBufferFormat,
                       int software, DXDeviceHost* context)
    : context_(context),
      window_(window),
      width_(width),
      height_(height),
      software_(software),
      deviceViewport_{0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f},
      material_(initialMaterial()) {
    D3DXMatrixIdentity(&cameraTransform_);
    D3DXMatrixIdentity(&cameraView_);
    construct(backBufferFormat);
}

void DXViewport::construct(D3DFORMAT backBufferFormat) {
    IDirect3DDevice9* device = getDevice();
    if (device != nullptr) {
        const HRESULT status = device->GetDeviceCaps(&caps_);
        if (FAILED(status)) PELMORA_TRACE_FAILED(status);
    }
    profilingEnabled = win::readProfilingSwitch();
    initialisePlane();
    initialiseCamera();
    rebuildGradient(kInitialTopColor, kInitialBottomColor);
    clearColor_ = roundTripColor(static_cast<int>(kInitialTopColor));
    perspective_ = false;
    updateProjection();
    if (context_ != nullptr) context_->registerViewport(this);
    // Registered now: nothing below may escape and leave the context a dangling entry.
    PELMORA_GUARDED({
        IDirect3DDevice9* current = getDevice();
        if (current == nullptr) return S_OK;
        cachedImage_.create(current, static_cast<UINT>(width_), static_cast<UINT>(height_),
                            backBufferFormat);
        updateProjection();
        current->SetViewport(&deviceViewport_);
        createLineDrawer(current);
        frameRate_.createFont(current);
        return S_OK;
    });
}

void DXViewport::initialisePlane() {
    const float w = static_cast<float>(width_);
    const float h = static_cast<float>(height_);
    if (width_ > height_)
        plane_ = ViewPlane{-1.0f, 1.0f, -h / w, h / w};
    else
        plane_ = ViewPlane{-w / h, w / h, -1.0f, 1.0f};
}

void DXViewport::initialiseCamera() {
    cameraDistance_ = kInitialCameraDistance;
    const D3DXVECTOR3 eye(0.0f, 0.0f, kInitialCameraDistance);
    const D3DXVECTOR3 target(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtRH(&view_, &eye, &target, &up);
    D3DXMatrixIdentity(&cameraTransform_);
}

SceneIndexCache& DXViewport::sceneIndexes() {
    if (!sceneIndexes_) sceneIndexes_ = std::make_unique<SceneIndexCache>();
    return *sceneIndexes_;
}

DXViewport::~DXViewport() {
    PELMORA_GUARDED({
        if (context_ == nullptr) return S_OK;
        getDevice();
        releaseLineDrawer();
        frameRate_.releaseFont();
        cachedImage_.release();
        context_->unregisterViewport(this);
        gradient_.releaseBuffer();
        return S_OK;
    });
}

// ---- Context side ----

IDirect3DDevice9* DXViewport::getDevice() {
    return context_ != nullptr ? context_->makeCurrent(this) : nullptr;
}

HRESULT DXViewport::activate() {
    return VIEWPORT_OPERATION({
        context_->applyDefaultRenderStates();
        IDirect3DDevice9* device = getDevice();
        if (device == nullptr) return VIEWPORT_NO_DEVICE();
        const HRESULT status = device->SetViewport(&deviceViewport_);
        return FAILED(status) ? PELMORA_TRACE_FAILED(status) : S_OK;
    });
}

void DXViewport::createLineDrawer(IDirect3DDevice9* device) {
    const HRESULT status = D3DXCreateLine(device, lineDrawer_.put());
    if (FAILED(status)) PELMORA_TRACE_FAILED(status);
}

void DXViewport::releaseLineDrawer() {
    if (!lineDrawer_) return;
    lineDrawer_->OnLostDevice();
    lineDrawer_.reset();
}

void DXViewport::releaseOwnDeviceResources() {
    // The line drawer holds the device; keeping it would keep a replaced device alive.
    releaseLineDrawer();
    edgePass_.releaseDeviceObjects();
    frameRate_.releaseFont();
    gradient_.releaseBuffer();
    gradientNeedsBuild_ = true;
}

HRESULT DXViewport::releaseDeviceResources(IDirect3DDevice9* device) {
    return VIEWPORT_OPERATION({
        releaseOwnDeviceResources();
        if (device == nullptr) {
            cachedImage_.release();
            return S_OK;
        }
        return cachedImage_.evict(device);
    });
}

HRESULT DXViewport::restoreDeviceResources(IDirect3DDevice9* device) {
    return VIEWPORT_OPERATION({
        if (device == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        HRESULT status = device->GetDeviceCaps(&caps_);
        if (FAILED(status)) PELMORA_TRACE_FAILED(status);
        status = gradient_.rebuildOn(device);
        gradientNeedsBuild_ = false;
        const HRESULT imageStatus = cachedImage_.adoptDevice(device);
        if (SUCCEEDED(status)) status = imageStatus;
        createLineDrawer(device);
        frameRate_.createFont(device);
        return status;
    });
}

void DXViewport::detachContext() {
    PELMORA_GUARDED({
        releaseOwnDeviceResources();
        cachedImage_.release();
        context_ = nullptr;
        return S_OK;
    });
}

HRESULT DXViewport::setWorldTransform(IDirect3DDevice9* device, const D3DMATRIX& world) {
    return VIEWPORT_OPERATION({
        if (device == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        getDevice();
        return device->SetTransform(D3DTS_WORLD, &world);
    });
}

// ---- Camera and projection ----

HRESULT DXViewport::setFront(double front) {
    return VIEWPORT_OPERATION({
        front_ = static_cast<float>(front);
        back_ = kBackPerFront * front_;
        setCameraDistance(kCameraDistancePerFront * front);
        return updateProjection();
    });
}

HRESULT DXViewport::getViewportFront(double* front) {
    return VIEWPORT_OPERATION({
        if (front == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        *front = front_;
        return S_OK;
    });
}

HRESULT DXViewport::setViewportPlane(double left, double right, double bottom, double top) {
    return VIEWPORT_OPERATION({
        // The requested rectangle's larger side fits the view's larger side;
        // the window's aspect decides the other.
        const double size = std::max(std::fabs(right - left), std::fabs(top - bottom));
        const double centreX = left + (right - left) * 0.5;
        const double centreY = bottom + (top - bottom) * 0.5;
        const double halfWidth = (plane_.right - plane_.left) * 0.5;
        const double halfHeight = (plane_.top - plane_.bottom) * 0.5;
        const double scale = (size * 0.5) / std::max(halfWidth, halfHeight);
        plane_ = ViewPlane{static_cast<float>(centreX - scale * halfWidth),
                           static_cast<float>(centreX + scale * halfWidth),
                           static_cast<float>(centreY - scale * halfHeight),
                           static_cast<float>(centreY + scale * halfHeight)};
        return updateProjection();
    });
}

HRESULT DXViewport::getViewportPlane(double* left, double* right, double* bottom, double* top) {
    return VIEWPORT_OPERATION({
        if (!left || !right || !bottom || !top) return PELMORA_TRACE_FAILED(E_POINTER);
        *left = plane_.left;
        *right = plane_.right;
        *bottom = plane_.bottom;
        *top = plane_.top;
        return S_OK;
    });
}

HRESULT DXViewport::getViewportField(double* field) {
    return VIEWPORT_OPERATION({
        if (field == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        const double half =
            std::max(plane_.top - plane_.bottom, plane_.right - plane_.left) * 0.5;
        *field = std::atan(half / front_);
        return S_OK;
    });
}

HRESULT DXViewport::setViewportPerspective(VARIANT_BOOL usePerspective) {
    return VIEWPORT_OPERATION({
        perspective_ = usePerspective == VARIANT_TRUE;
        return updateProjection();
    });
}

HRESULT DXViewport::getViewportPerspective(VARIANT_BOOL* isPerspective) {
    return VIEWPORT_OPERATION({
        if (isPerspective == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        *isPerspective = perspective_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT DXViewport::updateProjection() {
    if (perspective_)
        D3DXMatrixPerspectiveOffCenterRH(&projection_, plane_.left, plane_.right, plane_.bottom,
                                         plane_.top, front_, back_);
    else
        D3DXMatrixOrthoOffCenterRH(&projection_, plane_.left, plane_.right, plane_.bottom,
                                   plane_.top, front_, back_);
    // Picks and projections before the first render fetch host meshes at it too.
    chooseRefinementDeviation();
    return S_OK;
}

HRESULT DXViewport::setCameraDistance(double distance) {
    cameraDistance_ = distance;
    const double length =
        std::sqrt(double(view_._41) * view_._41 + double(view_._42) * view_._42 +
                  double(view_._43) * view_._43);
    const double factor = distance / std::max(length, kShortestViewTranslation);
    view_._41 = static_cast<float>(view_._41 * factor);
    view_._42 = static_cast<float>(view_._42 * factor);
    view_._43 = static_cast<float>(view_._43 * factor);
    chooseRefinementDeviation();
    return S_OK;
}

HRESULT DXViewport::setViewTranslation(float x, float y, float z) {
    view_._41 = x;
    view_._42 = y;
    view_._43 = z;
    chooseRefinementDeviation();
    return S_OK;
}

HRESULT DXViewport::lookAt(const D3DVECTOR& target, const D3DVECTOR& up) {
    const D3DXVECTOR3 eye(view_._41, view_._42, view_._43);
    D3DXMatrixLookAtRH(&view_, &eye, &target, &up);
    chooseRefinementDeviation();
    return S_OK;
}

HRESULT DXViewport::setCameraTransform(SAFEARRAY** transform) {
    return VIEWPORT_OPERATION({
        TransformArrayShape shape;
        HRESULT status = readTransformArrayShape(transform, &shape);
        if (FAILED(status)) return status;
        if (shape.count != kTransformArrayLength) return PELMORA_TRACE_FAILED(D3DERR_INVALIDCALL);
        // Reading anything but doubles as doubles would run past the data.
        if (!shape.holdsTwelveDoubles()) return PELMORA_TRACE_FAILED(E_INVALIDARG);
        return readTransformArray(*transform, &cameraTransform_);
    });
}

HRESULT DXViewport::getCameraTransform(SAFEARRAY** result) {
    return VIEWPORT_OPERATION({ return writeTransformArray(cameraTransform_, result); });
}

// ---- Settings ----

HRESULT DXViewport::setViewportQuality(int quality) {
    return VIEWPORT_OPERATION({
        quality_ = quality;
        return S_OK;
    });
}

HRESULT DXViewport::getViewportQuality(int* quality) {
    return VIEWPORT_OPERATION({
        if (quality == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        *quality = quality_;
        return S_OK;
    });
}

HRESULT DXViewport::setAutomaticRefinement(VARIANT_BOOL autoMode) {
    return VIEWPORT_OPERATION({
        manualRefinement_ = autoMode == 0;
        if (manualRefinement_ && manualRefinementDeviation_ == 0.0f)
            return setManualRefinementLevel(1);
        chooseRefinementDeviation();
        return S_OK;
    });
}

HRESULT DXViewport::setManualRefinementLevel(int refinementLevel) {
    return VIEWPORT_OPERATION({
        manualRefinementDeviation_ = manualRefinementDeviation(refinementLevel);
        context_->setRefinementLevel(manualRefinementDeviation_);
        if (manualRefinement_) refinementDeviation_ = manualRefinementDeviation_;
        return S_OK;
    });
}

HRESULT DXViewport::setDisregardRenderOverride(VARIANT_BOOL disregard) {
    return VIEWPORT_OPERATION({
        disregardRenderOverride_ = disregard != 0;
        return S_OK;
    });
}

// ---- Background ----

HRESULT DXViewport::setViewportBackground(int topColor, int bottomColor) {
    return VIEWPORT_OPERATION({
        clearColor_ = roundTripColor(topColor);
        return rebuildGradient(static_cast<uint32_t>(topColor), static_cast<uint32_t>(bottomColor));
    });
}

void DXViewport::clientSize(int* width, int* height) const {
    // An unknown window still gets a background the size of the viewport.
    if (win::getClientSize(window_, width, height)) return;
    *width = width_;
    *height = height_;
}

HRESULT DXViewport::rebuildGradient(uint32_t topColor, uint32_t bottomColor) {
    int width = 0;
    int height = 0;
    clientSize(&width, &height);
    IDirect3DDevice9* device = getDevice();
    // Without a device the buffer is made at the first render that has one.
    gradientNeedsBuild_ = device == nullptr;
    return gradient_.rebuild(device, topColor, bottomColor, width, height);
}

// ---- Lights ----

HRESULT DXViewport::addLight(int lightId, const D3DLIGHT9& light) {
    return VIEWPORT_OPERATION({
        lights_.add(lightId, light);
        return S_OK;
    });
}

HRESULT DXViewport::viewportRemoveLight(int lightId) {
    return VIEWPORT_OPERATION({
        lights_.remove(lightId);
        return S_OK;
    });
}

HRESULT DXViewport::viewportAddAmbientLight(int color) {
    return VIEWPORT_OPERATION({
        ambientColor_ = static_cast<D3DCOLOR>(color);
        material_.Ambient = decodeColor(color);
        return S_OK;
    });
}

}  // namespace pelmora
