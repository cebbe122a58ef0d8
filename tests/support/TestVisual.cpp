#include "support/TestVisual.h"

#include "core/Diagnostics.h"
#include "scene/RenderPass.h"
#include "support/RecordingDevice.h"

#include <pelmora/exception.h>

#include <stdexcept>

namespace pelmora::test {

HRESULT TestVisual::render(IDirect3DDevice9* device, SceneViewport* viewport,
                           const D3DMATRIX* world, D3DMATERIAL9* material,
                           RenderAttributes attributes) {
    (void)viewport;
    if (!isVisible()) return S_OK;
    draws_.push_back(VisualDraw{*world, *material, attributes, translucentPass});
    if (auto* recorder = dynamic_cast<RecordingDevice*>(device)) recorder->mark("Render", name_);
    if (fault_ == Fault::Structured) throw TorvelStructuredException(kFaultAddress, kFaultCode);
    if (fault_ == Fault::Other) throw std::runtime_error("visual failed");
    return S_OK;
}

void TestVisual::dump(int depth) { logFormat("Visual %s %d\n", name_.c_str(), depth); }

}  // namespace pelmora::test
