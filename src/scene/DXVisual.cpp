#include "scene/DXVisual.h"

#include "core/GuardedCall.h"
#include "scene/DXFrame.h"
#include "scene/SceneGeneration.h"

#include <utility>

namespace pelmora {

DXVisual::~DXVisual() {
    // A frame being destroyed has already unlisted itself while it was still
    // a frame; what remains here are the lists of a plain visual.
    std::vector<DXFrame*> listers = std::move(listedBy_);
    listedBy_.clear();
    for (DXFrame* frame : listers) frame->unlist(this);
    noteSceneChange();
}

HRESULT DXVisual::setVisible(VARIANT_BOOL visible) {
    // Only the automation true value counts; 1 from a careless caller hides.
    const int shown = (visible == VARIANT_TRUE) ? 1 : 0;
    if (shown != visible_) noteSceneChange();
    visible_ = shown;
    return S_OK;
}

HRESULT DXVisual::getAppData(int* value) {
    return PELMORA_INTERFACE_CALL({
        if (value == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        *value = appData_;
        return S_OK;
    });
}

HRESULT DXVisual::setAppData(int value) {
    return PELMORA_INTERFACE_CALL({
        appData_ = value;
        return S_OK;
    });
}

}  // namespace pelmora
