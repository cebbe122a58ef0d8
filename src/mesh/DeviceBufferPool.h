// Buffers go to the default pool first; when video memory runs out they are
// tried once more in system memory, which the device streams from.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace pelmora {

inline bool isOutOfMemory(HRESULT hr) {
    return hr == E_OUTOFMEMORY || hr == D3DERR_OUTOFVIDEOMEMORY;
}

// `create` makes the buffer in the pool it is given and returns the status.
template <class Create>
HRESULT createInDefaultPoolOrSystemMemory(Create&& create) {
    HRESULT hr = create(D3DPOOL_DEFAULT);
    if (isOutOfMemory(hr)) hr = create(D3DPOOL_SYSTEMMEM);
    return hr;
}

}  // namespace pelmora
