#include "scene/DXFrame.h"

#include "core/GuardedCall.h"
#include "scene/ColorConversion.h"
#include "scene/RenderContext.h"
#include "scene/SceneGeneration.h"
#include "scene/TransformArray.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

namespace pelmora {

namespace {

constexpr int kChannelMax = 255;

// A frame at least this opaque draws as fully opaque, in the opaque pass.
constexpr float kOpaqueAlphaThreshold = 0.9f;
// Below this specular power the highlight is switched off altogether.
constexpr float kHighlightPowerThreshold = 0.01f;

// Host reflectivity to specular power: reflectivities from 2.25 to 100 map
// onto powers from about 400 down to 0.2025 (higher means broader).
constexpr float kMinReflectivity = 1.0f;
constexpr float kLowReflectivity = 2.25f;
constexpr float kHighReflectivity = 100.0f;
constexpr double kPowerBase = 102.25;
constexpr float kPowerScale = 0.2f;  // widened from single precision on purpose
constexpr double kNoHighlightBase = 20.0;

// Render-state values a frame writes to switch depth and colour writes off.
constexpr DWORD kDepthWritesOff = 0;
constexpr DWORD kColorWritesOff = 0;  // empty channel mask

// How addTransform composes the new transform with the local one.
constexpr int kCombineReplace = 0;
constexpr int kCombineBefore = 1;  // new transform applies first, in the frame's own space

uint32_t channelByte(float value) {
    if (value >= 1.0f) return kChannelMax;
    if (value > 0.0f) return static_cast<uint32_t>(static_cast<int>(value * kChannelMax + 0.5));
    return 0;
}

float passAlpha(float alpha) { return alpha >= kOpaqueAlphaThreshold ? 1.0f : alpha; }

// Whether something of this alpha draws in the walk now under way.
bool alphaBelongsToPass(float alpha, float alphaForPass, bool translucentPass) {
    if (!(alpha > 0.0f)) return false;
    return translucentPass ? alphaForPass < 1.0f : alphaForPass == 1.0f;
}

}  // namespace

// What a frame pushes for its subtree: the material (when it has a colour),
// the depth test (when its z-buffer mode is set), and the depth- and
// colour-write masks (when it turned them off). Everything pushed is popped,
// also when an exception ends the walk.
class DXFrame::StatePush {
public:
    StatePush(const DXFrame& frame, IDirect3DDevice9* device, D3DMATERIAL9* material)
        : frame_(frame), device_(device), material_(material) {}
    StatePush(const StatePush&) = delete;
    StatePush& operator=(const StatePush&) = delete;

    ~StatePush() {
        if (popped_) return;
        // Unwinding already: the exception that ended the walk is the one reported.
        try {
            pop();
        } catch (...) {
        }
    }

    void push(const RenderContext& viewport) {
        if (frame_.hasMaterial_) {
            savedMaterial_ = std::make_unique<D3DMATERIAL9>(*material_);
            frame_.applyMaterial(device_, viewport, material_);
        }
        DWORD zEnable = 0;
        device_->GetRenderState(D3DRS_ZENABLE, &zEnable);
        if (frame_.zBufferMode_ != 0) {
            savedZEnable_ = zEnable;
            if (zEnable != 0) device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        }
        if (!frame_.writeZValues_)
            savedZWrite_ = replaceRenderState(D3DRS_ZWRITEENABLE, kDepthWritesOff);
        if (!frame_.writeColorValues_)
            savedColorWrite_ = replaceRenderState(D3DRS_COLORWRITEENABLE, kColorWritesOff);
    }

    void pop() {
        popped_ = true;
        if (savedMaterial_) {
            *material_ = *savedMaterial_;
            device_->SetMaterial(material_);
            savedMaterial_.reset();
        }
        restoreRenderState(D3DRS_ZENABLE, savedZEnable_);
        restoreRenderState(D3DRS_ZWRITEENABLE, savedZWrite_);
        restoreRenderState(D3DRS_COLORWRITEENABLE, savedColorWrite_);
    }

private:
    DWORD replaceRenderState(D3DRENDERSTATETYPE state, DWORD value) {
        DWORD saved = 0;
        device_->GetRenderState(state, &saved);
        device_->SetRenderState(state, value);
        return saved;
    }

    void restoreRenderState(D3DRENDERSTATETYPE state, std::optional<DWORD>& saved) {
        if (!saved) return;
        const DWORD value = *saved;
        saved.reset();
        device_->SetRenderState(state, value);
    }

    const DXFrame& frame_;
    IDirect3DDevice9* device_;
    D3DMATERIAL9* material_;
    std::unique_ptr<D3DMATERIAL9> savedMaterial_;
    std::optional<DWORD> savedZEnable_;
    std::optional<DWORD> savedZWrite_;
    std::optional<DWORD> savedColorWrite_;
    bool popped_ = false;
};

DXFrame::~DXFrame() {
    for (DXFrame* child : children_) {
        if (child->parent_ == this) child->parent_ = nullptr;
        std::erase(child->listedBy_, this);
    }
    for (DXVisual* visual : visuals_) std::erase(visual->listedBy_, this);
    children_.clear();
    visuals_.clear();
    noteSceneChange();
    // Done here rather than in the visual base, while this is still a frame.
    std::vector<DXFrame*> listers = std::move(listedBy_);
    listedBy_.clear();
    for (DXFrame* lister : listers) lister->unlist(this);
}

// ---- Drawing attributes ----

HRESULT DXFrame::setColor(int argb) {
    return PELMORA_INTERFACE_CALL({
        color_ = decodeColor(argb);
        hasMaterial_ = true;
        return S_OK;
    });
}

HRESULT DXFrame::getColor(int* argb) {
    return PELMORA_INTERFACE_CALL({
        if (argb == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        const uint32_t bits = channelByte(color_.a) << 24 | channelByte(color_.r) << 16 |
                              channelByte(color_.g) << 8 | channelByte(color_.b);
        *argb = static_cast<int>(bits);
        return S_OK;
    });
}

HRESULT DXFrame::setReflectivity(float reflectivity) {
    return PELMORA_INTERFACE_CALL({
        // The operation answers S_OK whatever it is given: NaN changes nothing, and says so.
        if (std::isnan(reflectivity)) {
            logMessage("frameSetReflectivity: NaN is no reflectivity; the frame keeps its own\n");
            return S_OK;
        }
        hasMaterial_ = true;
        if (reflectivity < kMinReflectivity) {
            reflectivity_ = 0.0f;
            return S_OK;
        }
        float clamped = reflectivity;
        if (reflectivity < kLowReflectivity)
            clamped = 0.0f;
        else if (reflectivity > kHighReflectivity)
            clamped = kHighReflectivity;
        const double base = (kPowerBase - clamped) * static_cast<double>(kPowerScale);
        reflectivity_ = base == kNoHighlightBase ? 0.0f : static_cast<float>(base * base);
        return S_OK;
    });
}

HRESULT DXFrame::setZBufferMode(int mode) {
    return PELMORA_INTERFACE_CALL({
        zBufferMode_ = mode;
        return S_OK;
    });
}

HRESULT DXFrame::setOverrideRender(VARIANT_BOOL overrideRender) {
    return PELMORA_INTERFACE_CALL({
        overrideRender_ = overrideRender != 0 ? 1 : 0;
        return S_OK;
    });
}

HRESULT DXFrame::setLineWidth(int lineWidth) {
    return PELMORA_INTERFACE_CALL({
        lineWidth_ = lineWidth;
        return S_OK;
    });
}

HRESULT DXFrame::setWriteZValues(VARIANT_BOOL writeZValues) {
    return PELMORA_INTERFACE_CALL({
        writeZValues_ = writeZValues != 0;
        return S_OK;
    });
}

HRESULT DXFrame::setWriteColorValues(VARIANT_BOOL writeColorValues) {
    return PELMORA_INTERFACE_CALL({
        writeColorValues_ = writeColorValues != 0;
        return S_OK;
    });
}

HRESULT DXFrame::setDrawFacetEdges(uint32_t drawFlags, int visibleColor, int visibleWidth,
                                   int hiddenColor, int hiddenWidth) {
    return PELMORA_INTERFACE_CALL({
        drawFlags_ = drawFlags;
        visibleColor_ = static_cast<uint32_t>(visibleColor);
        visibleWidth_ = visibleWidth;
        hiddenColor_ = static_cast<uint32_t>(hiddenColor);
        hiddenWidth_ = hiddenWidth;
        return S_OK;
    });
}

// ---- Structure ----

HRESULT DXFrame::addChild(DXFrame* child) {
    return PELMORA_INTERFACE_CALL({
        // A frame under itself would make the walk endless.
        if (child == nullptr || isSelfOrAncestor(child)) return PELMORA_TRACE_FAILED(E_INVALIDARG);
        if (child->parent_ != nullptr) child->parent_->removeChildOccurrences(child);
        children_.push_back(child);
        child->parent_ = this;
        noteListed(child);
        noteSceneChange();
        return S_OK;
    });
}

HRESULT DXFrame::deleteChild(DXFrame* child) {
    return PELMORA_INTERFACE_CALL({
        if (child == nullptr) return S_OK;
        // Whatever frame the child named as parent, it has none now.
        child->parent_ = nullptr;
        removeChildOccurrences(child);
        return S_OK;
    });
}

HRESULT DXFrame::addVisual(DXVisual* visual) {
    return PELMORA_INTERFACE_CALL({
        if (visual == nullptr) return S_OK;
        // A frame standing as a visual renders like a child, so the same
        // loop would make the walk endless.
        const auto* frame = dynamic_cast<const DXFrame*>(visual);
        if (frame != nullptr && isSelfOrAncestor(frame)) return PELMORA_TRACE_FAILED(E_INVALIDARG);
        visuals_.push_back(visual);
        noteListed(visual);
        noteSceneChange();
        return S_OK;
    });
}

HRESULT DXFrame::deleteVisual(DXVisual* visual) {
    return PELMORA_INTERFACE_CALL({
        if (visual == nullptr) return S_OK;
        std::erase(visuals_, visual);
        forgetIfUnlisted(visual);
        noteSceneChange();
        return S_OK;
    });
}

HRESULT DXFrame::deleteAllVisuals() {
    return PELMORA_INTERFACE_CALL({
        std::vector<DXVisual*> removed = std::move(visuals_);
        visuals_.clear();
        for (DXVisual* visual : removed) forgetIfUnlisted(visual);
        noteSceneChange();
        return S_OK;
    });
}

void DXFrame::unlist(DXVisual* visual) {
    std::erase(visuals_, visual);
    std::erase_if(children_,
                  [visual](DXFrame* child) { return static_cast<DXVisual*>(child) == visual; });
    noteSceneChange();
}

bool DXFrame::lists(const DXVisual* visual) const {
    if (std::find(visuals_.begin(), visuals_.end(), visual) != visuals_.end()) return true;
    return std::any_of(children_.begin(), children_.end(), [visual](const DXFrame* child) {
        return static_cast<const DXVisual*>(child) == visual;
    });
}

void DXFrame::noteListed(DXVisual* visual) {
    std::vector<DXFrame*>& listers = visual->listedBy_;
    if (std::find(listers.begin(), listers.end(), this) == listers.end()) listers.push_back(this);
}

void DXFrame::forgetIfUnlisted(DXVisual* visual) {
    if (!lists(visual)) std::erase(visual->listedBy_, this);
}

void DXFrame::removeChildOccurrences(DXFrame* child) {
    std::erase(children_, child);
    forgetIfUnlisted(child);
    noteSceneChange();
}

bool DXFrame::isSelfOrAncestor(const DXFrame* frame) const {
    // Walk up through every frame that lists this one, as child or visual,
    // meeting each frame once (marked with this walk's number): the cost is
    // the number of frames above, so a chain is built in time linear in its
    // depth per frame. Frames are changed on the host's thread only.
    static uint64_t lastWalk = 0;
    const uint64_t walk = ++lastWalk;
    std::vector<const DXFrame*> pending{this};
    walkMark_ = walk;
    while (!pending.empty()) {
        const DXFrame* current = pending.back();
        pending.pop_back();
        if (current == frame) return true;
        for (const DXFrame* lister : current->listedBy_) {
            if (lister->walkMark_ == walk) continue;
            lister->walkMark_ = walk;
            pending.push_back(lister);
        }
    }
    return false;
}

// ---- Transforms ----

HRESULT DXFrame::addTransform(int combineType, SAFEARRAY** transform) {
    return PELMORA_INTERFACE_CALL({
        TransformArrayShape shape;
        HRESULT status = readTransformArrayShape(transform, &shape);
        if (FAILED(status)) return status;
        // Anything but doubles is quietly ignored, as hosts have long relied on.
        if (shape.elementSize != sizeof(double)) return S_OK;
        if (!shape.holdsTwelveDoubles()) return PELMORA_TRACE_FAILED(E_INVALIDARG);
        D3DMATRIX t;
        status = readTransformArray(*transform, &t);
        if (FAILED(status)) return status;

        if (combineType == kCombineReplace)
            localTransform_ = t;
        else if (combineType == kCombineBefore)
            localTransform_ = multiplyMatrices(t, localTransform_);
        else
            localTransform_ = multiplyMatrices(localTransform_, t);
        noteSceneChange();
        return S_OK;
    });
}

HRESULT DXFrame::getTransform(SAFEARRAY** transform) {
    return PELMORA_INTERFACE_CALL({ return writeTransformArray(localTransform_, transform); });
}

HRESULT DXFrame::addRotation(float axisX, float axisY, float axisZ, float theta) {
    return PELMORA_INTERFACE_CALL({
        const D3DMATRIX rotation = axisRotationMatrix(axisX, axisY, axisZ, theta);
        localTransform_ = multiplyMatrices(localTransform_, rotation);
        noteSceneChange();
        return S_OK;
    });
}

HRESULT DXFrame::getWorldTransform(SAFEARRAY** transform) {
    return PELMORA_INTERFACE_CALL({ return writeTransformArray(worldTransform(), transform); });
}

D3DMATRIX DXFrame::worldTransform() const {
    std::vector<const DXFrame*> chain;
    for (const DXFrame* frame = this; frame != nullptr; frame = frame->parent_)
        chain.push_back(frame);
    // The walk starts the root from the identity and composes downwards.
    D3DMATRIX world = identityMatrix();
    for (auto frame = chain.rbegin(); frame != chain.rend(); ++frame)
        world = composeWorld((*frame)->localTransform_, world);
    return world;
}

// ---- The render walk ----

HRESULT DXFrame::render(IDirect3DDevice9* device, RenderContext* viewport,
                        const D3DMATRIX* parentWorld, D3DMATERIAL9* material,
                        RenderAttributes attributes) {
    return PELMORA_INTERFACE_CALL({
        // An empty or hidden frame touches nothing at all.
        if (!isVisible() || (children_.empty() && visuals_.empty())) return S_OK;
        if (device == nullptr || viewport == nullptr || parentWorld == nullptr ||
            material == nullptr)
            return PELMORA_TRACE_FAILED(E_POINTER);
        return walk(device, viewport, *parentWorld, material, attributes);
    });
}

HRESULT DXFrame::walk(IDirect3DDevice9* device, RenderContext* viewport,
                      const D3DMATRIX& parentWorld, D3DMATERIAL9* material,
                      RenderAttributes attributes) {
    const D3DMATRIX world = composeWorld(localTransform_, parentWorld);
    const HRESULT status = visuals_.empty() ? S_OK : applyWorld(device, viewport, world);
    inheritAttributes(*viewport, attributes);
    const bool drawable = drawsInThisPass(*material, viewport->translucentPass());

    StatePush state(*this, device, material);
    state.push(*viewport);
    if (SUCCEEDED(status)) {
        if (drawable) renderList(visuals_, "visual", device, viewport, world, material, attributes);
        renderList(children_, "child frame", device, viewport, world, material, attributes);
    }
    state.pop();
    return status;
}

HRESULT DXFrame::applyWorld(IDirect3DDevice9* device, RenderContext* viewport,
                            const D3DMATRIX& world) const {
    try {
        return viewport->setWorldTransform(device, world);
    } catch (...) {
        // The walk goes on: the visuals draw with whatever world was set before.
        logMessage("Failed to set world matrix\n");
        return S_OK;
    }
}

void DXFrame::inheritAttributes(const RenderContext& viewport, RenderAttributes& attributes) const {
    if (!viewport.disregardRenderOverride() && overrideRender_ != -1)
        attributes.overrideRender = overrideRender_ == 1 ? 1 : 0;
    // Kept as given, drawn no wider than the widest line.
    const auto drawn = [](int width) { return std::min(width, PELMORA_MAX_LINE_WIDTH); };
    if (lineWidth_ != -1) attributes.lineWidth = drawn(lineWidth_);
    if (drawFlags_ != SOLID_MESH_DRAW_USEPARENT) {
        attributes.drawFlags = drawFlags_;
        attributes.visibleColor = visibleColor_;
        attributes.visibleWidth = drawn(visibleWidth_);
        attributes.hiddenColor = hiddenColor_;
        attributes.hiddenWidth = drawn(hiddenWidth_);
    }
}

bool DXFrame::drawsInThisPass(const D3DMATERIAL9& material, bool translucentPass) const {
    // Without a colour of its own the frame goes with its nearest coloured
    // ancestor, whose alpha is not snapped again.
    if (hasMaterial_) return alphaBelongsToPass(color_.a, passAlpha(color_.a), translucentPass);
    return alphaBelongsToPass(material.Diffuse.a, material.Diffuse.a, translucentPass);
}

void DXFrame::applyMaterial(IDirect3DDevice9* device, const RenderContext& viewport,
                            D3DMATERIAL9* material) const {
    material->Diffuse = {color_.r, color_.g, color_.b, passAlpha(color_.a)};
    const bool highlight = !viewport.noReflectivity() && reflectivity_ >= kHighlightPowerThreshold;
    const float specular = highlight ? 1.0f : 0.0f;
    material->Specular = {specular, specular, specular, specular};
    material->Power = viewport.noReflectivity() ? 0.0f : reflectivity_;
    device->SetMaterial(material);
}

template <class Element>
void DXFrame::renderList(const std::vector<Element*>& list, const char* role,
                         IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX& world,
                         D3DMATERIAL9* material, const RenderAttributes& attributes) {
    // Indexed, so that an element that edits the list cannot leave us on a
    // stale iterator; results are ignored, one broken element skips only itself.
    for (size_t i = 0; i < list.size(); ++i) {
        Element* element = list[i];
        if (element == nullptr) continue;
        try {
            element->render(device, viewport, &world, material, attributes);
        } catch (const TorvelStructuredException& fault) {
            logFormat(
                "Corrupt scene graph - Caught SE while rendering %s in Pelmora: %x at "
                "address 0x%x; file = %s; line number = %d\n",
                role, fault.code(), fault.address(), PELMORA_SOURCE_FILE, __LINE__);
        }
    }
}

// ---- Diagnostics ----

void DXFrame::dump(int depth) {
    (void)PELMORA_INTERFACE_CALL({
        logMessage(std::string(static_cast<size_t>(std::max(depth + 1, 0)), '.').c_str());
        logFormat("Frame (children: %d) (visuals: %d)\n", static_cast<int>(children_.size()),
                  static_cast<int>(visuals_.size()));
        for (DXFrame* child : children_)
            if (child != nullptr) child->dump(depth + 1);
        for (DXVisual* visual : visuals_)
            if (visual != nullptr) visual->dump(depth + 1);
        return S_OK;
    });
}

}  // namespace pelmora
