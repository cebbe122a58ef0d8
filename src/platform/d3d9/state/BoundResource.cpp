#include "platform/d3d9/state/BoundResource.h"

namespace pelmora::d3d9state {

BoundResource* boundResourceOf(IUnknown* object) { return dynamic_cast<BoundResource*>(object); }

void bindResource(IUnknown* object) {
    if (BoundResource* resource = boundResourceOf(object)) resource->addBinding();
}

void unbindResource(IUnknown* object) {
    if (BoundResource* resource = boundResourceOf(object)) resource->releaseBinding();
}

}  // namespace pelmora::d3d9state
