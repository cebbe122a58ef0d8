// What the device state holds of the objects it names (textures, vertex and
// index buffers): a binding, which keeps an object alive while the state
// refers to it without showing in the count AddRef and Release report. The
// backend's objects implement it.
#pragma once

#include <pelmora/automation.h>

namespace pelmora::d3d9state {

class BoundResource {
public:
    virtual ~BoundResource() = default;
    virtual void addBinding() = 0;
    // May destroy the object.
    virtual void releaseBinding() = 0;
};

// The binding side of an object the backend made, or null for an object of
// another origin (or null).
BoundResource* boundResourceOf(IUnknown* object);
// A binding on the object, or on nothing for one of another origin.
void bindResource(IUnknown* object);
void unbindResource(IUnknown* object);

}  // namespace pelmora::d3d9state
