// The operations on visuals and frames: resolve the handles, convert the
// arguments, forward to the object.
#include "scene/ColorConversion.h"
#include "host/DXContext.h"
#include "core/GuardedCall.h"
#include "core/HandleResolution.h"
#include "scene/DXFrame.h"

#include <memory>

namespace pelmora {

HRESULT DXContext::newFrame(int pParent, int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        PELMORA_RESOLVE_OPTIONAL(DXFrame, parent, pParent);
        auto frame = std::make_unique<DXFrame>();
        if (parent) {
            HRESULT hr = parent->addChild(frame.get());
            if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
        }
        int handle = adopt(frame.release(), HandleKind::Frame);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

HRESULT DXContext::getAppData(int hVisual, int* pResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(pResult);
        PELMORA_RESOLVE(DXVisual, visual, hVisual);
        return visual->getAppData(pResult);
    });
}

HRESULT DXContext::setAppData(int hVisual, int value) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXVisual, visual, hVisual);
        return visual->setAppData(value);
    });
}

HRESULT DXContext::setVisible(int hVisual, VARIANT_BOOL visible) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXVisual, visual, hVisual);
        return visual->setVisible(visible);
    });
}

HRESULT DXContext::frameSetReflectivity(int hFrame, float reflectivity) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        frame->setReflectivity(reflectivity);
        return S_OK;
    });
}

HRESULT DXContext::setFrameColor(int hFrame, int color) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        frame->setColor(color);
        return S_OK;
    });
}

HRESULT DXContext::getFrameColor(int hFrame, int* pResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(pResult);
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        frame->getColor(pResult);
        return S_OK;
    });
}

HRESULT DXContext::frameAddChild(int hFrame, int pChild) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        if (pChild == 0) return PELMORA_TRACE_FAILED(E_INVALIDARG);
        PELMORA_RESOLVE(DXFrame, child, pChild);
        return frame->addChild(child);
    });
}

HRESULT DXContext::frameDeleteChild(int hFrame, int pChild) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        PELMORA_RESOLVE_OPTIONAL(DXFrame, child, pChild);
        if (child) frame->deleteChild(child);
        return S_OK;
    });
}

HRESULT DXContext::frameAddVisual(int hFrame, int pVisual) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        PELMORA_RESOLVE_OPTIONAL(DXVisual, visual, pVisual);
        return visual ? frame->addVisual(visual) : S_OK;
    });
}

HRESULT DXContext::frameDeleteVisual(int hFrame, int pVisual) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        PELMORA_RESOLVE_OPTIONAL(DXVisual, visual, pVisual);
        if (visual) frame->deleteVisual(visual);
        return S_OK;
    });
}

HRESULT DXContext::frameDeleteAllVisuals(int hFrame) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        frame->deleteAllVisuals();
        return S_OK;
    });
}

HRESULT DXContext::setFrameZBufferMode(int hFrame, int mode) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        frame->setZBufferMode(mode);
        return S_OK;
    });
}

HRESULT DXContext::addFrameTransform(int hFrame, int combineType, SAFEARRAY** transform) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        return frame->addTransform(combineType, transform);
    });
}

HRESULT DXContext::getFrameTransform(int hFrame, SAFEARRAY** ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        return frame->getTransform(ppResult);
    });
}

HRESULT DXContext::addFrameRotation(int hFrame, int, double axisX, double axisY, double axisZ,
                                    double theta) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        return frame->addRotation(static_cast<float>(axisX), static_cast<float>(axisY),
                                  static_cast<float>(axisZ), static_cast<float>(theta));
    });
}

HRESULT DXContext::getFrameWorldTransform(int hFrame, SAFEARRAY** ppResult) {
    return PELMORA_INTERFACE_CALL({
        if (hFrame == 0) return S_OK;
        PELMORA_REQUIRE_OUT(ppResult);
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        return frame->getWorldTransform(ppResult);
    });
}

HRESULT DXContext::frameSetOverrideRender(int hFrame, VARIANT_BOOL overrideRender) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        frame->setOverrideRender(static_cast<VARIANT_BOOL>(flagAsZeroOrOne(overrideRender)));
        return S_OK;
    });
}

HRESULT DXContext::setTexture(int, int) { return PELMORA_INTERFACE_CALL({ return S_OK; }); }

HRESULT DXContext::frameSetLineWidth(int handle, int lineWidth) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, handle);
        frame->setLineWidth(lineWidth);
        return S_OK;
    });
}

HRESULT DXContext::frameSetWriteZValues(int handle, VARIANT_BOOL writeZValues) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, handle);
        frame->setWriteZValues(static_cast<VARIANT_BOOL>(flagAsZeroOrOne(writeZValues)));
        return S_OK;
    });
}

HRESULT DXContext::frameSetWriteColorValues(int handle, VARIANT_BOOL writeColorValues) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, handle);
        frame->setWriteColorValues(static_cast<VARIANT_BOOL>(flagAsZeroOrOne(writeColorValues)));
        return S_OK;
    });
}

HRESULT DXContext::setFrameDrawFacetEdges(int hMesh, SolidMeshDrawFlags drawFlags,
                                          int visibleColor, int visibleWidth, int hiddenColor,
                                          int hiddenWidth) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXFrame, frame, hMesh);
        return frame->setDrawFacetEdges(drawFlags, visibleColor, visibleWidth, hiddenColor,
                                        hiddenWidth);
    });
}

}  // namespace pelmora
