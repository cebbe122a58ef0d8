#include "platform/d3d9/gl/GLDevice.h"

#include "core/Diagnostics.h"
#include "platform/d3d9/gl/StateNames.h"
#include "platform/d3d9/gl/DesktopMode.h"
#include "platform/d3d9/gl/DrawPipeline.h"
#include "platform/d3d9/gl/EglAdapterList.h"
#include "platform/d3d9/gl/GLIndexBuffer.h"
#include "platform/d3d9/gl/GLStateBlock.h"
#include "platform/d3d9/gl/GLSurface.h"
#include "platform/d3d9/gl/GLTexture.h"
#include "platform/d3d9/gl/GLVertexBuffer.h"
#include "platform/d3d9/gl/SurfaceTransfers.h"
#include "platform/d3d9/gl/SwapChain.h"

namespace pelmora::d3d9gl {
namespace {

D3DVIEWPORT9 fullViewport(UINT width, UINT height) { return {0, 0, width, height, 0.0f, 1.0f}; }

}  // namespace

HRESULT GLDevice::create(IDirect3D9* direct3d, const EglAdapter& adapter, UINT ordinal,
                         DWORD behaviour, D3DPRESENT_PARAMETERS* parameters,
                         IDirect3DDevice9** result) {
    std::string error;
    std::unique_ptr<GLContext> context = GLContext::create(adapter.display, &error);
    if (!context) {
        logFormat("Direct3D9: CreateDevice: %s\n", error.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    auto* device = new GLDevice(direct3d, adapter, ordinal, behaviour, std::move(context));
    const HRESULT status = device->initialise(parameters);
    if (FAILED(status)) {
        device->Release();
        return status;
    }
    *result = device;
    return D3D_OK;
}

GLDevice::GLDevice(IDirect3D9* direct3d, const EglAdapter& adapter, UINT ordinal, DWORD behaviour,
                   std::unique_ptr<GLContext> context)
    : direct3d_(direct3d), adapter_(adapter), ordinal_(ordinal), behaviour_(behaviour),
      context_(std::move(context)) {
    direct3d_->AddRef();
    cache_ = std::make_unique<GLStateCache>(context_->gl());
}

HRESULT GLDevice::initialise(D3DPRESENT_PARAMETERS* parameters) {
    const GLApi& gl = context_->gl();
    // Direct3D's conventions, fixed for the life of the context: top-left
    // origin, depth 0..1, clockwise front faces, the first vertex provoking.
    gl.ClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    gl.ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    gl.FrontFace(GL_CW);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.Hint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    HRESULT status = D3D_OK;
    swapChain_ = SwapChain::create(this, adapter_, parameters, &status);
    if (!swapChain_) return status;
    const RenderTarget& target = swapChain_->renderTarget();
    auto invalid = [this](const char* reason) { return invalidCall(reason); };
    tracker_ = std::make_unique<StateTracker>(
        defaultDeviceState(fullViewport(target.width, target.height), target.hasDepth), invalid);
    pipeline_ = std::make_unique<DrawPipeline>(gl, *cache_, DriverWorkarounds::forRenderer(adapter_.renderer),
                                               invalid);
    return D3D_OK;
}

GLDevice::~GLDevice() {
    context_->makeCurrent();
    // Bound resources go first: their GL names are freed with the context current.
    tracker_.reset();
    pipeline_.reset();
    swapChain_.reset();
    cache_.reset();
    context_.reset();
    direct3d_->Release();
}

HRESULT GLDevice::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
        *object = static_cast<IDirect3DDevice9*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG GLDevice::AddRef() { return ++references_; }

ULONG GLDevice::Release() {
    if (references_ == 0) return 0;
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT GLDevice::invalidCall(const char* reason) const {
    logFormat("Direct3D9: %s\n", reason);
    return D3DERR_INVALIDCALL;
}

HRESULT GLDevice::notAvailable(const char* reason) const {
    logFormat("Direct3D9: %s\n", reason);
    return D3DERR_NOTAVAILABLE;
}

HRESULT GLDevice::notImplemented(const char* what) const {
    logFormat("Direct3D9: %s is not implemented\n", what);
    return E_NOTIMPL;
}

UINT GLDevice::targetWidth() const { return swapChain_->renderTarget().width; }
UINT GLDevice::targetHeight() const { return swapChain_->renderTarget().height; }
size_t GLDevice::programCount() const { return pipeline_->programCount(); }

bool GLDevice::lost() {
    if (forcedLoss_ || resetSeen_) return true;
    if (context_->robust() && makeCurrent() && gl().GetGraphicsResetStatus() != GL_NO_ERROR) {
        logMessage("Direct3D9: the GL context was reset; the device is lost\n");
        resetSeen_ = true;
    }
    return resetSeen_;
}

HRESULT GLDevice::TestCooperativeLevel() { return lost() ? D3DERR_DEVICELOST : D3D_OK; }

HRESULT GLDevice::GetDirect3D(IDirect3D9** direct3d) {
    if (!direct3d) return invalidCall("GetDirect3D: no place for the object");
    *direct3d = direct3d_;
    direct3d_->AddRef();
    return D3D_OK;
}

HRESULT GLDevice::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return invalidCall("GetDeviceCaps: no place for the caps");
    *caps = capsFor(adapter_.limits(), ordinal_);
    return D3D_OK;
}

HRESULT GLDevice::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    if (!mode || swapChain != 0) return invalidCall("GetDisplayMode: no such swap chain or no place for the mode");
    *mode = desktopMode();
    return D3D_OK;
}

HRESULT GLDevice::Reset(D3DPRESENT_PARAMETERS* parameters) {
    (void)parameters;
    return notImplemented("IDirect3DDevice9::Reset (devices are created anew instead)");
}

HRESULT GLDevice::Present(const RECT* source, const RECT* destination, HWND window, const void* dirtyRegion) {
    (void)dirtyRegion;
    if (lost()) return D3DERR_DEVICELOST;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    return swapChain_->present(source, destination, window);
}

HRESULT GLDevice::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                                IDirect3DSurface9** surface) {
    (void)type;
    if (!surface) return invalidCall("GetBackBuffer: no place for the surface");
    if (swapChain != 0 || backBuffer >= swapChain_->parameters().BackBufferCount)
        return invalidCall("GetBackBuffer: no such back buffer");
    *surface = swapChain_->backBuffer();
    (*surface)->AddRef();
    return D3D_OK;
}

HRESULT GLDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DTexture9** texture, void* sharedHandle) {
    if (!texture) return invalidCall("CreateTexture: no place for the texture");
    *texture = nullptr;
    if (sharedHandle) return invalidCall("CreateTexture: shared handles are not offered");
    const FormatInfo* info = findFormat(format);
    if (!info || info->kind != FormatKind::Colour) return invalidCall("CreateTexture: not a colour format");
    if (width == 0 || height == 0 || width > UINT(adapter_.maxTextureSize) || height > UINT(adapter_.maxTextureSize))
        return invalidCall("CreateTexture: size outside what the adapter offers");
    const UINT fullChain = GLTexture::fullChainLevels(width, height);
    if (levels == 0 || (usage & D3DUSAGE_AUTOGENMIPMAP)) levels = (usage & D3DUSAGE_AUTOGENMIPMAP) ? 1 : fullChain;
    if (levels > fullChain) return invalidCall("CreateTexture: more levels than the size allows");
    const bool inGL = pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED;
    if (inGL && !(adapter_.supportOf(format) & kFormatTexture)) return notAvailable("CreateTexture: format not offered");
    if ((usage & D3DUSAGE_RENDERTARGET) &&
        (pool != D3DPOOL_DEFAULT || !(adapter_.supportOf(format) & kFormatRenderTarget)))
        return invalidCall("CreateTexture: a render-target texture must be a DEFAULT, renderable format");
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    *texture = new GLTexture(this, width, height, levels, usage, *info, pool);
    return D3D_OK;
}

HRESULT GLDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** buffer, void* sharedHandle) {
    if (!buffer) return invalidCall("CreateVertexBuffer: no place for the buffer");
    *buffer = nullptr;
    if (sharedHandle || length == 0 || pool > D3DPOOL_SYSTEMMEM)
        return invalidCall("CreateVertexBuffer: empty, shared or in an unusable pool");
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    *buffer = new GLVertexBuffer(this, length, usage, fvf, pool);
    return D3D_OK;
}

HRESULT GLDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** buffer, void* sharedHandle) {
    if (!buffer) return invalidCall("CreateIndexBuffer: no place for the buffer");
    *buffer = nullptr;
    if (sharedHandle || length == 0 || pool > D3DPOOL_SYSTEMMEM)
        return invalidCall("CreateIndexBuffer: empty, shared or in an unusable pool");
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)
        return invalidCall("CreateIndexBuffer: format is neither INDEX16 nor INDEX32");
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    *buffer = new GLIndexBuffer(this, length, usage, format, pool);
    return D3D_OK;
}

HRESULT GLDevice::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                     D3DMULTISAMPLE_TYPE multiSample, DWORD quality, BOOL lockable,
                                     IDirect3DSurface9** surface, void* sharedHandle) {
    (void)quality;
    if (!surface) return invalidCall("CreateRenderTarget: no place for the surface");
    *surface = nullptr;
    if (sharedHandle || width == 0 || height == 0) return invalidCall("CreateRenderTarget: empty or shared");
    if (multiSample != D3DMULTISAMPLE_NONE) return notAvailable("CreateRenderTarget: multisampling is not offered");
    const FormatInfo* info = findFormat(format);
    if (!info || !(adapter_.supportOf(format) & kFormatRenderTarget))
        return notAvailable("CreateRenderTarget: the format cannot be rendered to");
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    GLuint texture = 0;
    gl().CreateTextures(GL_TEXTURE_2D, 1, &texture);
    gl().TextureStorage2D(texture, 1, info->internalFormat, GLsizei(width), GLsizei(height));
    GLSurface::Options options;
    options.ownedTexture = texture;
    options.lockable = lockable != FALSE;
    *surface = new GLSurface(this,
                             std::make_unique<GLImage>(this, *info, width, height, D3DPOOL_DEFAULT,
                                                       D3DUSAGE_RENDERTARGET, texture, 0),
                             options);
    return D3D_OK;
}

HRESULT GLDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                              IDirect3DSurface9** surface, void* sharedHandle) {
    if (!surface) return invalidCall("CreateOffscreenPlainSurface: no place for the surface");
    *surface = nullptr;
    if (sharedHandle || width == 0 || height == 0 || pool == D3DPOOL_MANAGED)
        return invalidCall("CreateOffscreenPlainSurface: empty, shared or MANAGED");
    const FormatInfo* info = findFormat(format);
    if (!info || info->kind != FormatKind::Colour)
        return invalidCall("CreateOffscreenPlainSurface: not a colour format");
    GLuint texture = 0;
    if (pool == D3DPOOL_DEFAULT) {
        if (!(adapter_.supportOf(format) & kFormatTexture))
            return notAvailable("CreateOffscreenPlainSurface: format not offered in video memory");
        if (!makeCurrent()) return D3DERR_DEVICELOST;
        gl().CreateTextures(GL_TEXTURE_2D, 1, &texture);
        gl().TextureStorage2D(texture, 1, info->internalFormat, GLsizei(width), GLsizei(height));
    }
    GLSurface::Options options;
    options.ownedTexture = texture;
    *surface = new GLSurface(this, std::make_unique<GLImage>(this, *info, width, height, pool, 0, texture, 0),
                             options);
    return D3D_OK;
}

HRESULT GLDevice::UpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect,
                                IDirect3DSurface9* destination, const POINT* destinationPoint) {
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    return SurfaceTransfers(*this).update(source, sourceRect, destination, destinationPoint);
}

HRESULT GLDevice::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destination) {
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    return SurfaceTransfers(*this).renderTargetData(renderTarget, destination);
}

HRESULT GLDevice::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect,
                              IDirect3DSurface9* destination, const RECT* destinationRect,
                              D3DTEXTUREFILTERTYPE filter) {
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    return SurfaceTransfers(*this).stretch(source, sourceRect, destination, destinationRect, filter);
}

HRESULT GLDevice::BeginScene() {
    if (inScene_) return invalidCall("BeginScene: already inside a scene");
    inScene_ = true;
    // Asked once here, so the scene's draws need not ask (makeCurrentForDraw).
    makeCurrent();
    return D3D_OK;
}

HRESULT GLDevice::EndScene() {
    if (!inScene_) return invalidCall("EndScene: no scene was begun");
    inScene_ = false;
    // Hand the scene to the driver now, as Direct3D does at EndScene; the
    // back buffer shows the scene from here on, however it is read.
    if (makeCurrent()) {
        swapChain_->resolve();
        gl().Flush();
    }
    return D3D_OK;
}

HRESULT GLDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                        DWORD stencil) {
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    const HRESULT hr =
        pipeline_->clear(*tracker_, swapChain_->renderTarget(), count, rects, flags, colour, z, stencil);
    // A clear outside a scene is read as it is.
    if (!inScene_) swapChain_->resolve();
    return hr;
}

HRESULT GLDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    return tracker_->setTransform(state, matrix);
}

HRESULT GLDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    return tracker_->getTransform(state, matrix);
}

HRESULT GLDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    return tracker_->setViewport(viewport, targetWidth(), targetHeight());
}

HRESULT GLDevice::GetViewport(D3DVIEWPORT9* viewport) { return tracker_->getViewport(viewport); }
HRESULT GLDevice::SetMaterial(const D3DMATERIAL9* material) { return tracker_->setMaterial(material); }
HRESULT GLDevice::GetMaterial(D3DMATERIAL9* material) { return tracker_->getMaterial(material); }
HRESULT GLDevice::SetLight(DWORD index, const D3DLIGHT9* light) { return tracker_->setLight(index, light); }
HRESULT GLDevice::GetLight(DWORD index, D3DLIGHT9* light) { return tracker_->getLight(index, light); }
HRESULT GLDevice::LightEnable(DWORD index, BOOL enable) { return tracker_->lightEnable(index, enable); }

HRESULT GLDevice::GetLightEnable(DWORD index, BOOL* enable) {
    return tracker_->getLightEnable(index, enable);
}

HRESULT GLDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    return tracker_->setRenderState(state, value);
}

HRESULT GLDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    return tracker_->getRenderState(state, value);
}

HRESULT GLDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block) {
    if (!block) return invalidCall("CreateStateBlock: no place for the block");
    *block = nullptr;
    if (type != D3DSBT_ALL) return notImplemented("CreateStateBlock for pixel or vertex state only");
    *block = new GLStateBlock(this);
    return D3D_OK;
}

HRESULT GLDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    return tracker_->getTexture(stage, texture);
}

HRESULT GLDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    return tracker_->setTexture(stage, texture);
}

HRESULT GLDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    return tracker_->getTextureStageState(stage, type, value);
}

HRESULT GLDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return tracker_->setTextureStageState(stage, type, value);
}

HRESULT GLDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    return tracker_->getSamplerState(sampler, type, value);
}

HRESULT GLDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    return tracker_->setSamplerState(sampler, type, value);
}

HRESULT GLDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    if (!makeCurrentForDraw()) return D3DERR_DEVICELOST;
    return pipeline_->drawPrimitive(*tracker_, swapChain_->renderTarget(), type, startVertex, primitiveCount);
}

HRESULT GLDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                       UINT vertexCount, UINT startIndex, UINT primitiveCount) {
    (void)minIndex;
    (void)vertexCount;
    if (!makeCurrentForDraw()) return D3DERR_DEVICELOST;
    return pipeline_->drawIndexedPrimitive(*tracker_, swapChain_->renderTarget(), type, baseVertex,
                                           startIndex, primitiveCount);
}

HRESULT GLDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                  UINT stride) {
    if (!makeCurrentForDraw()) return D3DERR_DEVICELOST;
    return pipeline_->drawPrimitiveUP(*tracker_, swapChain_->renderTarget(), type, primitiveCount,
                                      vertices, stride);
}

HRESULT GLDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                         UINT primitiveCount, const void* indices,
                                         D3DFORMAT indexFormat, const void* vertices, UINT stride) {
    if (!makeCurrentForDraw()) return D3DERR_DEVICELOST;
    return pipeline_->drawIndexedPrimitiveUP(*tracker_, swapChain_->renderTarget(), type, minIndex,
                                             vertexCount, primitiveCount, indices, indexFormat,
                                             vertices, stride);
}

HRESULT GLDevice::SetFVF(DWORD fvf) { return tracker_->setFVF(fvf); }
HRESULT GLDevice::GetFVF(DWORD* fvf) { return tracker_->getFVF(fvf); }

HRESULT GLDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
    return tracker_->setStreamSource(stream, buffer, offset, stride);
}

HRESULT GLDevice::SetIndices(IDirect3DIndexBuffer9* indices) { return tracker_->setIndices(indices); }

}  // namespace pelmora::d3d9gl
