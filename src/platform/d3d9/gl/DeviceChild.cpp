#include "platform/d3d9/gl/DeviceChild.h"

#include "platform/d3d9/gl/GLDevice.h"

namespace pelmora::d3d9gl {

DeviceChild::DeviceChild(GLDevice* device, Owner owner)
    : device_(device),
      publicCount_(owner == Owner::Host ? 1 : 0),
      bindings_(owner == Owner::Host ? 0 : 1) {
    if (publicCount_) device_->AddRef();
}

ULONG DeviceChild::addPublicReference() {
    if (++publicCount_ == 1) device_->AddRef();
    return publicCount_;
}

ULONG DeviceChild::releasePublicReference() {
    if (publicCount_ == 0) return 0;
    if (--publicCount_ > 0) return publicCount_;
    GLDevice* device = device_;
    // Destroy first (the device is still alive for the GL clean-up), then let
    // the device go; a still-bound object waits for its last binding instead.
    if (bindings_ == 0) delete this;
    device->Release();
    return 0;
}

void DeviceChild::addBinding() { ++bindings_; }

void DeviceChild::releaseBinding() {
    if (bindings_ == 0) return;
    if (--bindings_ == 0 && publicCount_ == 0) delete this;
}

}  // namespace pelmora::d3d9gl
