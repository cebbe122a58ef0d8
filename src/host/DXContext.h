// DXContext: the object a host creates. It implements every IDXContext
// operation, owns the scene objects created through it, and resolves the
// handles the host passes back.
#pragma once

#include <pelmora/dxcontext.h>

#include "meshops/MeshQueries.h"
#include "facets/TorvelMeshProvider.h"
#include "core/HandleTable.h"
#include "platform/com/ComPtr.h"
#include "view/DXDeviceHost.h"

#include <atomic>
#include <memory>
#include <set>
#include <vector>

namespace pelmora {

class DXObject;
class DXViewport;
class DXUTAdapterInfo;

class DXContext final : public DXDeviceHost, public IDXContext {
public:
    DXContext();
    ~DXContext();

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IDispatch
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

    // IDXContext, in slot order
    HRESULT suspendMeshRefinements(VARIANT_BOOL suspend) override;
    HRESULT initialize(VARIANT_BOOL bForceSoftwareOnly, BSTR deviceName, VARIANT_BOOL* bHardwareNotSupported) override;
    HRESULT enumerateDeviceNames(SAFEARRAY** ppDeviceNames) override;
    HRESULT validateCurrentDisplay(BSTR deviceName) override;
    HRESULT getCurrentDeviceName(BSTR* pDeviceName) override;
    HRESULT newViewport(int hWnd, VARIANT_BOOL bUseSoftware, VARIANT_BOOL bDisplayViewport, int width, int height, int* ppViewport) override;
    HRESULT releaseHandle(int hObject) override;
    HRESULT getTorvelMeshProvider(int* hMeshProvider) override;
    HRESULT newFrame(int pParent, int* ppResult) override;
    HRESULT newPreloadedBillboard(PreloadedTextureIDs preloadedID, int anchorX, int anchorY, int* ppResult) override;
    HRESULT newBillboard(int hBitmap, int anchorX, int anchorY, int* ppResult) override;
    HRESULT newDecal(int hBitmap, double left, double top, double right, double bottom, int* ppResult) override;
    HRESULT newDotMesh(SAFEARRAY** vertices, int* ppResult) override;
    HRESULT newGrillMesh(float left, float top, float right, float bottom, float majorX, float minorX, float majorY, float minorY, int* ppResult) override;
    HRESULT newSolidMesh(SAFEARRAY** vertices, SAFEARRAY** normals, SAFEARRAY** faces, VARIANT_BOOL isDoubleSided, int* ppResult) override;
    HRESULT newSolidMeshFromHandle(int hTorvelMesh, int hTorvelMeshFactory, int* ppResult) override;
    HRESULT newWireMesh(SAFEARRAY** vertices, SAFEARRAY** lines, int* ppResult) override;
    HRESULT newWireMeshFromHandle(int hTorvelMesh, int hTorvelMeshFactory, int* ppResult) override;
    HRESULT getAppData(int hVisual, int* pResult) override;
    HRESULT setAppData(int hVisual, int value) override;
    HRESULT setVisible(int hVisual, VARIANT_BOOL visible) override;
    HRESULT frameSetReflectivity(int hFrame, float reflectivity) override;
    HRESULT setFrameColor(int hFrame, int color) override;
    HRESULT getFrameColor(int hFrame, int* pResult) override;
    HRESULT frameAddChild(int hFrame, int pChild) override;
    HRESULT frameDeleteChild(int hFrame, int pChild) override;
    HRESULT frameAddVisual(int hFrame, int pVisual) override;
    HRESULT frameDeleteVisual(int hFrame, int pVisual) override;
    HRESULT frameDeleteAllVisuals(int hFrame) override;
    HRESULT setFrameZBufferMode(int hFrame, int mode) override;
    HRESULT addFrameTransform(int hFrame, int combineType, SAFEARRAY** transform) override;
    HRESULT getFrameTransform(int hFrame, SAFEARRAY** ppResult) override;
    HRESULT addFrameRotation(int hFrame, int combineType, double axisX, double axisY, double axisZ, double theta) override;
    HRESULT getFrameWorldTransform(int hFrame, SAFEARRAY** ppResult) override;
    HRESULT frameSetOverrideRender(int hFrame, VARIANT_BOOL overrideRender) override;
    HRESULT setTexture(int hFrame, int hBitmap) override;
    HRESULT frameSetLineWidth(int handle, int lineWidth) override;
    HRESULT frameSetWriteZValues(int handle, VARIANT_BOOL writeZValues) override;
    HRESULT frameSetWriteColorValues(int handle, VARIANT_BOOL writeZValues) override;
    HRESULT setFrameDrawFacetEdges(int hMesh, SolidMeshDrawFlags drawFlags, int visibleColor, int visibleWidth, int hiddenColor, int hiddenWidth) override;
    HRESULT setMeshScale(int hMesh, double scale) override;
    HRESULT pickMesh(int hMesh, int hParentFrame, int hViewport, int x, int y, double origX, double origY, double origZ, double dirX, double dirY, double dirZ, double threshold, double backThreshold, 
double* hitX, double* hitY, double* hitZ, VARIANT_BOOL* isHit) override;
    HRESULT getMeshData(int hMesh, SAFEARRAY** vertexData, SAFEARRAY** faceData) override;
    HRESULT refreshMesh(int hMesh) override;
    HRESULT getScreenData(int hMesh, int hViewport, SAFEARRAY** transform, SAFEARRAY** ppScreenPoints, SAFEARRAY** ppScreenFaceData) override;
    HRESULT getPrintData(int hMesh, SAFEARRAY** transform, double printScale, double printHeight, double printOffsetX, double printOffsetY, SAFEARRAY** ppScreenPoints, SAFEARRAY** ppScreenFaceData) 
override;
    HRESULT setMeshSimplificationLevel(int hMesh, int simplificationLevel) override;
    HRESULT setViewportBackground(int hViewport, int topColor, int bottomColor) override;
    HRESULT viewportAddAmbientLight(int hViewport, int color) override;
    HRESULT viewportAddDirectionalLight(int hViewport, int color, float directionX, float directionY, float directionZ, int* hLight) override;
    HRESULT viewportAddPointLight(int hViewport, int color, float positionX, float positionY, float positionZ, float range, int* hLight) override;
    HRESULT viewportAddSpotLight(int hViewport, int color, float positionX, float positionY, float positionZ, float directionX, float directionY, float directionZ, float range, float falloff, float 
attenuation0, float attenuation1, float attenuation2, float theta, float phi, int* hLight) override;
    HRESULT setAutomaticRefinement(int hViewport, VARIANT_BOOL autoMode) override;
    HRESULT setManualRefinementLevel(int hViewport, int refinementLevel) override;
    HRESULT setLightColor(int hLight, int color) override;
    HRESULT setFront(int hViewport, double front) override;
    HRESULT viewportRemoveLight(int hViewport, int hLight) override;
    HRESULT viewportSetReduceDetails(int hViewport, VARIANT_BOOL reduceDetails) override;
    HRESULT viewportSetRapidRender(int hViewport, VARIANT_BOOL rapidRender) override;
    HRESULT viewportSetNoReflectivity(int hViewport, VARIANT_BOOL noReflectivity) override;
    HRESULT releaseHandles(SAFEARRAY** hMeshes) override;
    HRESULT getViewportPlane(int hViewport, double* left, double* right, double* bottom, double* top) override;
    HRESULT getViewportField(int hViewport, double* field) override;
    HRESULT setViewportPlane(int hViewport, double left, double right, double bottom, double top) override;
    HRESULT getViewportFront(int hViewport, double* front) override;
    HRESULT getViewportPerspective(int hViewport, VARIANT_BOOL* isPerspective) override;
    HRESULT setViewportPerspective(int hViewport, VARIANT_BOOL usePerspective) override;
    HRESULT setViewportQuality(int hViewport, int quality) override;
    HRESULT getViewportQuality(int hViewport, int* quality) override;
    HRESULT viewportTransform(int hViewport, double inX, double inY, double inZ, double* outX, double* outY, double* outZ, double* outW) override;
    HRESULT clearViewport(int hViewport) override;
    HRESULT render(int hViewport, int rootFrame, VARIANT_BOOL forceRender, VARIANT_BOOL bPreserveDepth) override;
    HRESULT inverseViewportTransform(int hViewport, double screenX, double screenY, double screenZ, double screenW, double* worldX, double* worldY, double* worldZ) override;
    HRESULT getCameraPosition(int hViewport, double* positionX, double* positionY, double* positionZ) override;
    HRESULT setCameraTransform(int hViewport, SAFEARRAY** transform) override;
    HRESULT getCameraTransform(int hViewport, SAFEARRAY** ppResult) override;
    HRESULT saveSnapshotJPG(int hViewport, BSTR filename, int width, int height) override;
    HRESULT rotateCamera(int hViewport, double axisOriginX, double axisOriginY, double axisOriginZ, double axisDirectionX, double axisDirectionY, double axisDirectionZ, double theta) override;
    HRESULT setDisregardRenderOverride(int hViewport, VARIANT_BOOL bDisregard) override;
    HRESULT getSelectionRay(int hViewport, int screenX, int screenY, double* originX, double* originY, double* originZ, double* directionX, double* directionY, double* directionZ) override;
    HRESULT resetViewport(int hViewport) override;
    HRESULT viewportPresent(int hViewport, int left, int top, int right, int bottom) override;
    HRESULT viewportFlip(int hViewport, VARIANT_BOOL bFlipToCache) override;
    HRESULT setNeverRenderMesh(int hMesh) override;
    HRESULT getSurfaceDC(int hViewport, int* hDC) override;
    HRESULT releaseSurfaceDC(int hViewport, int hDC) override;
    // DXDeviceHost
    void releaseAllDeviceObjects() override;
    HRESULT recreateDevice() override;
    float setRefinementLevel(float level) override;
    IDirect3DDevice9* makeCurrent(DXViewport* viewport) override;
    int registerViewport(DXViewport* viewport) override;
    void unregisterViewport(DXViewport* viewport) override;
    void applyDefaultRenderStates() override;
    HRESULT addLight(DXViewport* viewport, const D3DLIGHT9& light, int lightId) override;

    // From now on this context's IUnknown calls go to the aggregating object,
    // which owns the context; set once, right after construction.
    void aggregateInto(IUnknown* outer) { outer_ = outer; }

    // Number of scene objects this context owns.
    size_t registeredObjectCount() const { return registry_.size(); }
    IDirect3DDevice9* device() const { return device_.get(); }
    TorvelMeshProvider& meshProvider() { return meshProvider_; }
    float refinementLevel() const { return refinementLevel_; }
    const D3DSURFACE_DESC& backBufferDescription() const { return backBufferDescription_; }

private:
    // Creates (or creates again) the device for a window with a back buffer
    // of at least the given size; every viewport and object first drops what
    // it made on the old device.
    HRESULT createDeviceForWindow(HWND window, UINT minWidth, UINT minHeight);
    void releaseDevice();
    void releaseDeviceAtTeardown();
    void setDefaultRenderStates();
    void restoreViewports();
    void detachViewports();
    // Adds a light record to a viewport through the add-light service.
    HRESULT addLightRecord(int hViewport, const D3DLIGHT9& light, int* hLight);

    // The viewport a handle names when this context made it; null for 0, a
    // dead handle or another kind, and (with a log line) for a viewport of
    // another context or of none.
    DXViewport* ownViewport(int handle) const;

    // Issues a handle for a new object and takes ownership of it.
    int adopt(DXObject* object, HandleKind kind);
    // Destroys what a handle names, unless it is 0 or names nothing; silent.
    // Called back from a facet factory, it retires the handle at once and
    // destroys the object when the outermost call returns.
    static void destroyHandle(int handle);
    static void deleteSilently(DXObject* object);
    // Host mesh 0 names no body: the mesh is made, stays empty and is never
    // fetched, and the host is told why it will show nothing.
    static void warnIfNoBody(const char* operation, int hostMesh);
    // Drops the object from every live context's registry.
    static void forgetEverywhere(DXObject* object);
    void destroyRegistry();

    std::atomic<ULONG> references_{0};
    bool doomed_ = false;  // its last reference went; destroyed now or when safe
    IUnknown* outer_ = nullptr;  // the aggregating object, when there is one; not owned
    std::set<DXObject*> registry_;  // ordered by address, as teardown walks it
    float refinementLevel_ = 1.0f;
    // Outlives the registry's meshes, which leave its list as they go.
    TorvelMeshProvider meshProvider_;
    std::vector<DXViewport*> viewports_;  // registration order; not owned
    ComPtr<IDirect3DDevice9> device_;
    ComPtr<IDirect3DSurface9> backBuffer_;
    ComPtr<IDirect3DStateBlock9> defaultStateBlock_;
    DXViewport* currentViewport_ = nullptr;
    D3DPRESENT_PARAMETERS presentParameters_{};
    HWND deviceWindow_ = 0;
    std::unique_ptr<DXUTAdapterInfo> selectedAdapter_;
    D3DSURFACE_DESC backBufferDescription_{};
    // Screen projections are made here, call after call, so that a host
    // projecting every mesh of a model per frame allocates only the arrays
    // it receives.
    ProjectedMesh screenProjection_;
};

}  // namespace pelmora

// Declares `DXViewport* name` for a viewport of this context, or traces
// E_HANDLE and returns it.
#define PELMORA_RESOLVE_VIEWPORT(name, handle)               \
    ::pelmora::DXViewport* name = ownViewport(handle);       \
    if (!name) return PELMORA_TRACE_FAILED(E_HANDLE)
