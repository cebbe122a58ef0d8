#include "platform/d3d9/gl/GLIndexBuffer.h"

namespace pelmora::d3d9gl {

HRESULT GLIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return device()->invalidCall("GetDesc: no description to fill");
    *desc = {format_, D3DRTYPE_INDEXBUFFER, storage_.usage(), storage_.pool(), storage_.length()};
    return D3D_OK;
}

}  // namespace pelmora::d3d9gl
