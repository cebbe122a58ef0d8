// The base of every visual that may carry an image (solid meshes, billboards,
// decals): a user mesh plus a private copy of the host's bitmap and the
// texture made from it. By itself it makes no buffers and draws nothing.
#pragma once

#include "mesh/DXUserMesh.h"
#include "image/BitmapTexture.h"

namespace pelmora {

class DXTextureMesh : public DXUserMesh {
public:
    // Adopts the host's bitmap (0 for none); the host's handle is deleted.
    explicit DXTextureMesh(win::HBITMAP hostBitmap, const HostMeshBinding& binding = {});
    ~DXTextureMesh() override;

    void releaseDeviceObjects() override;
    // Textured and solid meshes keep their geometry to themselves.
    HRESULT getMeshData(MeshData* data) override;

    // The texture for the device, made at the first draw on it; null without
    // a bitmap.
    IDirect3DTexture9* getTexture(IDirect3DDevice9* device) { return texture_.textureFor(device); }
    const BitmapTexture& bitmapTexture() const { return texture_; }

    // Makes the subclass's geometry from what it was constructed with.
    virtual HRESULT buildGeometry() = 0;

protected:
    // The viewport to draw in, or null when this mesh is not to be drawn
    // now: never rendered, overridden by its frames, or hidden outside a
    // forced render. For subclasses that draw without the user-mesh draw.
    RenderContext* drawableIn(RenderContext* viewport, const RenderAttributes& attributes) const;
    BitmapTexture& editableTexture() { return texture_; }

    HRESULT setGeometryFromFacets(const FacetSource& source) override;
    std::shared_ptr<MeshBatch> createDeviceBuffers(IDirect3DDevice9* device, const D3DMATRIX* world,
                                                   D3DMATERIAL9* material,
                                                   const RenderAttributes& attributes) override;
    int prepareSecondaryBuffers(IDirect3DDevice9* device, const D3DMATRIX* world,
                                D3DMATERIAL9* material,
                                const RenderAttributes& attributes) override;

private:
    BitmapTexture texture_;
};

}  // namespace pelmora
