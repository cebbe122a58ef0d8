#include "platform/d3d9/gl/GLVertexBuffer.h"

namespace pelmora::d3d9gl {

HRESULT GLVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return device()->invalidCall("GetDesc: no description to fill");
    *desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, storage_.usage(), storage_.pool(),
             storage_.length(), fvf_};
    return D3D_OK;
}

}  // namespace pelmora::d3d9gl
