// Reference counting shared by everything a device hands out. The public
// count is what AddRef and Release report; bindings (the device's current
// state, state blocks, a texture's levels) keep the object alive without
// showing in it. While the public count is above zero the object holds a
// reference on its device, so the device outlives every object a host holds,
// and a host that releases everything sees the device's own count reach 0.
#pragma once

#include "platform/d3d9/state/BoundResource.h"

#include <pelmora/automation.h>

namespace pelmora::d3d9gl {

class GLDevice;

class DeviceChild : public d3d9state::BoundResource {
public:
    enum class Owner { Host, Device };

    // Owner::Host starts with one public reference; Owner::Device starts with
    // one binding (the device's own) and no public reference.
    DeviceChild(GLDevice* device, Owner owner);
    ~DeviceChild() override = default;

    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;

    ULONG addPublicReference();
    // Never goes below zero; may destroy the object.
    ULONG releasePublicReference();
    void addBinding() override;
    // May destroy the object.
    void releaseBinding() override;

    GLDevice* device() const { return device_; }
    ULONG publicCount() const { return publicCount_; }

private:
    GLDevice* device_;
    ULONG publicCount_;
    ULONG bindings_;
};

}  // namespace pelmora::d3d9gl
