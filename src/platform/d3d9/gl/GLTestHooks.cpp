#include "platform/d3d9/gl/GLTestHooks.h"

#include "platform/d3d9/gl/GLDevice.h"

namespace pelmora::d3d9gl {

bool forceDeviceLoss(IDirect3DDevice9* device) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    if (!gl) return false;
    gl->forceDeviceLoss();
    return true;
}

uint64_t glStateCallCount(IDirect3DDevice9* device) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    return gl ? gl->glStateCalls() : 0;
}

size_t fixedFunctionProgramCount(IDirect3DDevice9* device) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    return gl ? gl->programCount() : 0;
}

}  // namespace pelmora::d3d9gl
