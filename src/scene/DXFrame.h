// A node of the scene graph: a local transform, ordered child frames and
// visuals, and drawing attributes its subtree inherits. A frame owns neither
// its children nor its visuals; the context's handle table owns them all.
#pragma once

#include "scene/DXVisual.h"
#include "scene/FrameMatrix.h"

#include <cstdint>
#include <vector>

namespace pelmora {

class DXFrame : public DXVisual {
public:
    DXFrame() = default;
    // Unlinks the frame from everything: its children lose their parent link,
    // and every frame listing it drops it.
    ~DXFrame() override;

    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* parentWorld,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    void dump(int depth) override;

    // Drawing attributes.
    HRESULT setColor(int argb);
    HRESULT getColor(int* argb);
    // Turns a host reflectivity into the material's specular power.
    HRESULT setReflectivity(float reflectivity);
    HRESULT setZBufferMode(int mode);
    HRESULT setOverrideRender(VARIANT_BOOL overrideRender);
    HRESULT setLineWidth(int lineWidth);
    HRESULT setWriteZValues(VARIANT_BOOL writeZValues);
    HRESULT setWriteColorValues(VARIANT_BOOL writeColorValues);
    HRESULT setDrawFacetEdges(uint32_t drawFlags, int visibleColor, int visibleWidth,
                              int hiddenColor, int hiddenWidth);

    // Structure.
    HRESULT addChild(DXFrame* child);
    HRESULT deleteChild(DXFrame* child);
    HRESULT addVisual(DXVisual* visual);
    HRESULT deleteVisual(DXVisual* visual);
    HRESULT deleteAllVisuals();

    // Transforms, exchanged as 12-double VT_R8 vectors.
    HRESULT addTransform(int combineType, SAFEARRAY** transform);
    HRESULT getTransform(SAFEARRAY** transform);
    HRESULT addRotation(float axisX, float axisY, float axisZ, float theta);
    HRESULT getWorldTransform(SAFEARRAY** transform);

    const D3DMATRIX& localTransform() const { return localTransform_; }
    DXFrame* parent() const { return parent_; }
    const std::vector<DXFrame*>& children() const { return children_; }
    const std::vector<DXVisual*>& visuals() const { return visuals_; }

private:
    friend class DXVisual;
    // Material and render states pushed for the subtree, popped however the walk ends.
    class StatePush;

    // Removes every occurrence of a visual (or frame) from both lists; its
    // own record of listing frames is the caller's business.
    void unlist(DXVisual* visual);
    bool lists(const DXVisual* visual) const;
    void noteListed(DXVisual* visual);
    void forgetIfUnlisted(DXVisual* visual);
    void removeChildOccurrences(DXFrame* child);
    // True when rendering `frame` would reach this frame again: it is this
    // frame or one of the frames whose lists lead down to it.
    bool isSelfOrAncestor(const DXFrame* frame) const;

    HRESULT walk(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX& parentWorld,
                 D3DMATERIAL9* material, RenderAttributes attributes);
    HRESULT applyWorld(IDirect3DDevice9* device, RenderContext* viewport,
                       const D3DMATRIX& world) const;
    void inheritAttributes(const RenderContext& viewport, RenderAttributes& attributes) const;
    bool drawsInThisPass(const D3DMATERIAL9& material, bool translucentPass) const;
    void applyMaterial(IDirect3DDevice9* device, const RenderContext& viewport,
                       D3DMATERIAL9* material) const;
    template <class Element>
    void renderList(const std::vector<Element*>& list, const char* role, IDirect3DDevice9* device,
                    RenderContext* viewport, const D3DMATRIX& world, D3DMATERIAL9* material,
                    const RenderAttributes& attributes);
    D3DMATRIX worldTransform() const;

    D3DMATRIX localTransform_ = identityMatrix();
    D3DCOLORVALUE color_{1.0f, 1.0f, 1.0f, 1.0f};
    int overrideRender_ = -1;    // -1 inherit, 0 off, 1 on
    float reflectivity_ = 0.0f;  // the specular power, not the host's value
    int zBufferMode_ = 0;
    bool hasMaterial_ = false;
    std::vector<DXFrame*> children_;
    std::vector<DXVisual*> visuals_;
    DXFrame* parent_ = nullptr;
    bool writeZValues_ = true;
    bool writeColorValues_ = true;
    int lineWidth_ = -1;  // -1 inherit
    uint32_t drawFlags_ = SOLID_MESH_DRAW_USEPARENT;
    uint32_t visibleColor_ = 0xFF000000u;
    int visibleWidth_ = 3;
    uint32_t hiddenColor_ = 0xFF808080u;
    int hiddenWidth_ = 1;
    mutable uint64_t walkMark_ = 0;  // the last cycle check that met this frame
};

}  // namespace pelmora
