#include "support/TestViewport.h"

#include <pelmora/exception.h>

#include <stdexcept>

namespace pelmora::test {

HRESULT TestViewport::setWorldTransform(IDirect3DDevice9* device, const D3DMATRIX& world) {
    switch (worldFault) {
        case WorldFault::Status:
            return worldFailure;
        case WorldFault::Structured:
            throw TorvelStructuredException(0x1234, EXCEPTION_ACCESS_VIOLATION);
        case WorldFault::Other:
            throw std::runtime_error("world transform refused");
        case WorldFault::None:
            break;
    }
    return device->SetTransform(D3DTS_WORLD, &world);
}

}  // namespace pelmora::test
