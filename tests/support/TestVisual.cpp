#include "support/TestVisual.h"

#include "core/Diagnostics.h"
#include "scene/RenderContext.h"
#include "support/RecordingDevice.h"

#include <pelmora/exception.h>

#include <stdexcept>

namespace pelmora::test {

HRESULT TestVisual::render(IDirect3DDevice9* device, RenderContext* viewport,
                           const D3DMATRIX* world, D3DMATERIAL9* material,
                           RenderAttributes attributes) {
    if (!isVisible()) return S_OK;
    draws_.push_back(VisualDraw{*world, *material, attributes, viewport != nullptr && viewport->translucentPass()});
    if (auto* recorder = dynamic_cast<RecordingDevice*>(device)) recorder->mark("Render", name_);
    if (fault_ == Fault::Structured) throw TorvelStructuredException(kFaultAddress, kFaultCode);
    if (fault_ == Fault::Other) throw std::runtime_error("visual failed");
    return S_OK;
}

void TestVisual::dump(int depth) { logFormat("Visual %s %d\n", name_.c_str(), depth); }

}  // namespace pelmora::test
