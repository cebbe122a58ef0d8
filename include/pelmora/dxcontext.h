// IDXContext: the one interface through which a host drives Pelmora. Every
// object crosses it as a 32-bit handle and every operation returns a status.
#pragma once

#include <pelmora/automation.h>

// {5E71A0C1-4C2D-4F19-8B6A-2D9E4F1C7A35}
inline constexpr CLSID CLSID_DXContext = {
    0x5E71A0C1, 0x4C2D, 0x4F19, {0x8B, 0x6A, 0x2D, 0x9E, 0x4F, 0x1C, 0x7A, 0x35}};
// {5E71A0C0-4C2D-4F19-8B6A-2D9E4F1C7A35}
inline constexpr IID IID_IDXContext = {
    0x5E71A0C0, 0x4C2D, 0x4F19, {0x8B, 0x6A, 0x2D, 0x9E, 0x4F, 0x1C, 0x7A, 0x35}};
// {5E71A0B3-4C2D-4F19-8B6A-2D9E4F1C7A35}
inline constexpr GUID LIBID_PELMORALib = {
    0x5E71A0B3, 0x4C2D, 0x4F19, {0x8B, 0x6A, 0x2D, 0x9E, 0x4F, 0x1C, 0x7A, 0x35}};

// Facet-edge drawing flags handed down the frame tree.
enum SolidMeshDrawFlags : uint32_t {
    SOLID_MESH_DRAW_SOLIDS = 1,
    SOLID_MESH_DRAW_BORDERS = 2,
    SOLID_MESH_DRAW_SILHOUETTES = 4,
    SOLID_MESH_DRAW_HIDDEN = 8,
    SOLID_MESH_DRAW_USEPARENT = 0xF0000000,
    SOLID_MESH_DRAW_FORCEDWORD = 0xFFFFFFFF,
};

// The built-in constraint and hot-spot symbols of newPreloadedBillboard. Ids
// below 32 are 8x8 symbols, ids from 32 are 16x16 symbols. Ids 22 to 31 and
// 55 name empty cells of the symbol atlas (nothing shows), 56 to 79 empty
// 16x16 squares with a light-grey border; other values are refused.
enum PreloadedTextureIDs : int32_t {
    CONSTRAINT_COINCIDENT = 0,
    CONSTRAINT_COLLINEAR = 1,
    CONSTRAINT_CONCENTRIC = 2,
    CONSTRAINT_CORADIAL = 3,
    CONSTRAINT_HORIZONTAL = 4,
    CONSTRAINT_INTERSECTION = 5,
    CONSTRAINT_MIDPOINT = 6,
    CONSTRAINT_PARALLEL = 7,
    CONSTRAINT_EQUAL = 8,
    CONSTRAINT_FIXED = 9,
    CONSTRAINT_PERPENDICULAR = 10,
    CONSTRAINT_SYMMETRIC = 11,
    CONSTRAINT_TANGENT = 12,
    CONSTRAINT_VERTICAL = 13,
    HOTSPOT_VERTEX = 14,
    HOTSPOT_HOTPOINT = 15,
    CONSTRAINT_EXTERNAL_ASSOCIATION = 16,
    TEXTURE_UNKNOWN = 17,
    HOTSPOT_DRAGPOINT = 18,
    CONSTRAINT_FIXED_DIRECTION = 19,
    CONSTRAINT_TANGENT_CONTINUOUS = 20,
    CONSTRAINT_AT_POINT = 21,
    DESIGN_POINT = 32,
    ARROW_TAIL_HANDLE = 33,
    HOTSPOT_BIG_VERTEX = 34,
    CONSTRAINT_BIG_COINCIDENT = 35,
    CONSTRAINT_BIG_COLLINEAR = 36,
    CONSTRAINT_BIG_CONCENTRIC = 37,
    CONSTRAINT_BIG_CORADIAL = 38,
    CONSTRAINT_BIG_HORIZONTAL = 39,
    CONSTRAINT_BIG_INTERSECTION = 40,
    CONSTRAINT_BIG_MIDPOINT = 41,
    CONSTRAINT_BIG_PARALLEL = 42,
    CONSTRAINT_BIG_EQUAL = 43,
    CONSTRAINT_BIG_FIXED = 44,
    CONSTRAINT_BIG_PERPENDICULAR = 45,
    CONSTRAINT_BIG_SYMMETRIC = 46,
    CONSTRAINT_BIG_TANGENT = 47,
    CONSTRAINT_BIG_VERTICAL = 48,
    HOTSPOT_BIG_HOTPOINT = 49,
    CONSTRAINT_BIG_EXTERNAL_ASSOCIATION = 50,
    TEXTURE_BIG_UNKNOWN = 51,
    CONSTRAINT_BIG_FIXED_DIRECTION = 52,
    CONSTRAINT_BIG_TANGENT_CONTINUOUS = 53,
    CONSTRAINT_BIG_AT_POINT = 54,
};

// The 86 operations, in slot order after IUnknown and IDispatch.
struct IDXContext : public IDispatch {
    virtual HRESULT suspendMeshRefinements(VARIANT_BOOL suspend) = 0;
    virtual HRESULT initialize(VARIANT_BOOL bForceSoftwareOnly, BSTR deviceName,
                               VARIANT_BOOL* bHardwareNotSupported) = 0;
    virtual HRESULT enumerateDeviceNames(SAFEARRAY** ppDeviceNames) = 0;
    virtual HRESULT validateCurrentDisplay(BSTR deviceName) = 0;
    virtual HRESULT getCurrentDeviceName(BSTR* pDeviceName) = 0;
    virtual HRESULT newViewport(int hWnd, VARIANT_BOOL bUseSoftware, VARIANT_BOOL bDisplayViewport,
                                int width, int height, int* ppViewport) = 0;
    virtual HRESULT releaseHandle(int hObject) = 0;
    virtual HRESULT getTorvelMeshProvider(int* hMeshProvider) = 0;
    virtual HRESULT newFrame(int pParent, int* ppResult) = 0;
    // Billboards: an image drawn flat on the screen, unscaled by the camera,
    // with its pixel (anchorX, anchorY), counted from its top-left corner, on
    // the projection of the origin of each frame that lists it. Colours are
    // modulated by the frame colour; black is transparent.
    virtual HRESULT newPreloadedBillboard(PreloadedTextureIDs preloadedID, int anchorX, int anchorY,
                                          int* ppResult) = 0;
    // The bitmap is copied and hBitmap deleted: the host must not use it
    // again. hBitmap 0 makes a billboard that draws nothing.
    virtual HRESULT newBillboard(int hBitmap, int anchorX, int anchorY, int* ppResult) = 0;
    // A picture laid in the plane z = 0 of its frame, x from left to right
    // and y from bottom to top (a reversed rectangle mirrors it), drawn and
    // depth-tested like the model; never hit by pickMesh. The bitmap is
    // adopted as by newBillboard.
    virtual HRESULT newDecal(int hBitmap, double left, double top, double right, double bottom,
                             int* ppResult) = 0;
    virtual HRESULT newDotMesh(SAFEARRAY** vertices, int* ppResult) = 0;
    virtual HRESULT newGrillMesh(float left, float top, float right, float bottom, float majorX,
                                 float minorX, float majorY, float minorY, int* ppResult) = 0;
    virtual HRESULT newSolidMesh(SAFEARRAY** vertices, SAFEARRAY** normals, SAFEARRAY** faces,
                                 VARIANT_BOOL isDoubleSided, int* ppResult) = 0;
    virtual HRESULT newSolidMeshFromHandle(int hTorvelMesh, int hTorvelMeshFactory,
                                           int* ppResult) = 0;
    virtual HRESULT newWireMesh(SAFEARRAY** vertices, SAFEARRAY** lines, int* ppResult) = 0;
    virtual HRESULT newWireMeshFromHandle(int hTorvelMesh, int hTorvelMeshFactory,
                                          int* ppResult) = 0;
    virtual HRESULT getAppData(int hVisual, int* pResult) = 0;
    virtual HRESULT setAppData(int hVisual, int value) = 0;
    virtual HRESULT setVisible(int hVisual, VARIANT_BOOL visible) = 0;
    virtual HRESULT frameSetReflectivity(int hFrame, float reflectivity) = 0;
    virtual HRESULT setFrameColor(int hFrame, int color) = 0;
    virtual HRESULT getFrameColor(int hFrame, int* pResult) = 0;
    virtual HRESULT frameAddChild(int hFrame, int pChild) = 0;
    virtual HRESULT frameDeleteChild(int hFrame, int pChild) = 0;
    virtual HRESULT frameAddVisual(int hFrame, int pVisual) = 0;
    virtual HRESULT frameDeleteVisual(int hFrame, int pVisual) = 0;
    virtual HRESULT frameDeleteAllVisuals(int hFrame) = 0;
    virtual HRESULT setFrameZBufferMode(int hFrame, int mode) = 0;
    virtual HRESULT addFrameTransform(int hFrame, int combineType, SAFEARRAY** transform) = 0;
    virtual HRESULT getFrameTransform(int hFrame, SAFEARRAY** ppResult) = 0;
    virtual HRESULT addFrameRotation(int hFrame, int combineType, double axisX, double axisY,
                                     double axisZ, double theta) = 0;
    virtual HRESULT getFrameWorldTransform(int hFrame, SAFEARRAY** ppResult) = 0;
    virtual HRESULT frameSetOverrideRender(int hFrame, VARIANT_BOOL overrideRender) = 0;
    virtual HRESULT setTexture(int hFrame, int hBitmap) = 0;
    virtual HRESULT frameSetLineWidth(int handle, int lineWidth) = 0;
    virtual HRESULT frameSetWriteZValues(int handle, VARIANT_BOOL writeZValues) = 0;
    virtual HRESULT frameSetWriteColorValues(int handle, VARIANT_BOOL writeZValues) = 0;
    virtual HRESULT setFrameDrawFacetEdges(int hMesh, SolidMeshDrawFlags drawFlags,
                                           int visibleColor, int visibleWidth, int hiddenColor,
                                           int hiddenWidth) = 0;
    virtual HRESULT setMeshScale(int hMesh, double scale) = 0;
    // For a billboard, x and y are the pick position relative to the screen
    // position of the billboard's anchor; it is hit strictly inside its
    // image (scaled by setMeshScale), with the hit point (0, 0, 0).
    virtual HRESULT pickMesh(int hMesh, int hParentFrame, int hViewport, int x, int y,
                             double origX, double origY, double origZ, double dirX, double dirY,
                             double dirZ, double threshold, double backThreshold, double* hitX,
                             double* hitY, double* hitZ, VARIANT_BOOL* isHit) = 0;
    virtual HRESULT getMeshData(int hMesh, SAFEARRAY** vertexData, SAFEARRAY** faceData) = 0;
    virtual HRESULT refreshMesh(int hMesh) = 0;
    virtual HRESULT getScreenData(int hMesh, int hViewport, SAFEARRAY** transform,
                                  SAFEARRAY** ppScreenPoints, SAFEARRAY** ppScreenFaceData) = 0;
    virtual HRESULT getPrintData(int hMesh, SAFEARRAY** transform, double printScale,
                                 double printHeight, double printOffsetX, double printOffsetY,
                                 SAFEARRAY** ppScreenPoints, SAFEARRAY** ppScreenFaceData) = 0;
    virtual HRESULT setMeshSimplificationLevel(int hMesh, int simplificationLevel) = 0;
    virtual HRESULT setViewportBackground(int hViewport, int topColor, int bottomColor) = 0;
    virtual HRESULT viewportAddAmbientLight(int hViewport, int color) = 0;
    virtual HRESULT viewportAddDirectionalLight(int hViewport, int color, float directionX,
                                                float directionY, float directionZ,
                                                int* hLight) = 0;
    virtual HRESULT viewportAddPointLight(int hViewport, int color, float positionX,
                                          float positionY, float positionZ, float range,
                                          int* hLight) = 0;
    virtual HRESULT viewportAddSpotLight(int hViewport, int color, float positionX,
                                         float positionY, float positionZ, float directionX,
                                         float directionY, float directionZ, float range,
                                         float falloff, float attenuation0, float attenuation1,
                                         float attenuation2, float theta, float phi,
                                         int* hLight) = 0;
    virtual HRESULT setAutomaticRefinement(int hViewport, VARIANT_BOOL autoMode) = 0;
    virtual HRESULT setManualRefinementLevel(int hViewport, int refinementLevel) = 0;
    virtual HRESULT setLightColor(int hLight, int color) = 0;
    virtual HRESULT setFront(int hViewport, double front) = 0;
    virtual HRESULT viewportRemoveLight(int hViewport, int hLight) = 0;
    virtual HRESULT viewportSetReduceDetails(int hViewport, VARIANT_BOOL reduceDetails) = 0;
    virtual HRESULT viewportSetRapidRender(int hViewport, VARIANT_BOOL rapidRender) = 0;
    virtual HRESULT viewportSetNoReflectivity(int hViewport, VARIANT_BOOL noReflectivity) = 0;
    virtual HRESULT releaseHandles(SAFEARRAY** hMeshes) = 0;
    virtual HRESULT getViewportPlane(int hViewport, double* left, double* right, double* bottom,
                                     double* top) = 0;
    virtual HRESULT getViewportField(int hViewport, double* field) = 0;
    virtual HRESULT setViewportPlane(int hViewport, double left, double right, double bottom,
                                     double top) = 0;
    virtual HRESULT getViewportFront(int hViewport, double* front) = 0;
    virtual HRESULT getViewportPerspective(int hViewport, VARIANT_BOOL* isPerspective) = 0;
    virtual HRESULT setViewportPerspective(int hViewport, VARIANT_BOOL usePerspective) = 0;
    virtual HRESULT setViewportQuality(int hViewport, int quality) = 0;
    virtual HRESULT getViewportQuality(int hViewport, int* quality) = 0;
    virtual HRESULT viewportTransform(int hViewport, double inX, double inY, double inZ,
                                      double* outX, double* outY, double* outZ, double* outW) = 0;
    virtual HRESULT clearViewport(int hViewport) = 0;
    virtual HRESULT render(int hViewport, int rootFrame, VARIANT_BOOL forceRender,
                           VARIANT_BOOL bPreserveDepth) = 0;
    virtual HRESULT inverseViewportTransform(int hViewport, double screenX, double screenY,
                                             double screenZ, double screenW, double* worldX,
                                             double* worldY, double* worldZ) = 0;
    virtual HRESULT getCameraPosition(int hViewport, double* positionX, double* positionY,
                                      double* positionZ) = 0;
    virtual HRESULT setCameraTransform(int hViewport, SAFEARRAY** transform) = 0;
    virtual HRESULT getCameraTransform(int hViewport, SAFEARRAY** ppResult) = 0;
    virtual HRESULT saveSnapshotJPG(int hViewport, BSTR filename, int width, int height) = 0;
    virtual HRESULT rotateCamera(int hViewport, double axisOriginX, double axisOriginY,
                                 double axisOriginZ, double axisDirectionX, double axisDirectionY,
                                 double axisDirectionZ, double theta) = 0;
    virtual HRESULT setDisregardRenderOverride(int hViewport, VARIANT_BOOL bDisregard) = 0;
    virtual HRESULT getSelectionRay(int hViewport, int screenX, int screenY, double* originX,
                                    double* originY, double* originZ, double* directionX,
                                    double* directionY, double* directionZ) = 0;
    virtual HRESULT resetViewport(int hViewport) = 0;
    virtual HRESULT viewportPresent(int hViewport, int left, int top, int right, int bottom) = 0;
    virtual HRESULT viewportFlip(int hViewport, VARIANT_BOOL bFlipToCache) = 0;
    virtual HRESULT setNeverRenderMesh(int hMesh) = 0;
    virtual HRESULT getSurfaceDC(int hViewport, int* hDC) = 0;
    virtual HRESULT releaseSurfaceDC(int hViewport, int hDC) = 0;
};

// Name and dispatch identifier of each operation, in slot order.
struct DXContextDispatchEntry {
    const char* name;
    DISPID dispid;
};

inline constexpr int kDXContextOperationCount = 86;

inline constexpr DXContextDispatchEntry kDXContextDispatchTable[kDXContextOperationCount] = {
    {"suspendMeshRefinements", 0xF5},
    {"initialize", 0x1},
    {"enumerateDeviceNames", 0xF},
    {"validateCurrentDisplay", 0x82},
    {"getCurrentDeviceName", 0x103},
    {"newViewport", 0xA},
    {"releaseHandle", 0xE},
    {"getTorvelMeshProvider", 0x10B},
    {"newFrame", 0x3},
    {"newPreloadedBillboard", 0x102},
    {"newBillboard", 0xD},
    {"newDecal", 0x10},
    {"newDotMesh", 0x2},
    {"newGrillMesh", 0x4},
    {"newSolidMesh", 0x8},
    {"newSolidMeshFromHandle", 0x9},
    {"newWireMesh", 0xB},
    {"newWireMeshFromHandle", 0xC},
    {"getAppData", 0xEF},
    {"setAppData", 0xF0},
    {"setVisible", 0xC9},
    {"frameSetReflectivity", 0x101},
    {"setFrameColor", 0x65},
    {"getFrameColor", 0x66},
    {"frameAddChild", 0x6C},
    {"frameDeleteChild", 0x6E},
    {"frameAddVisual", 0x6D},
    {"frameDeleteVisual", 0x6F},
    {"frameDeleteAllVisuals", 0x76},
    {"setFrameZBufferMode", 0x71},
    {"addFrameTransform", 0x72},
    {"getFrameTransform", 0x74},
    {"addFrameRotation", 0x7A},
    {"getFrameWorldTransform", 0x7E},
    {"frameSetOverrideRender", 0x104},
    {"setTexture", 0x7F},
    {"frameSetLineWidth", 0x80},
    {"frameSetWriteZValues", 0x81},
    {"frameSetWriteColorValues", 0x83},
    {"setFrameDrawFacetEdges", 0x10D},
    {"setMeshScale", 0xCA},
    {"pickMesh", 0xF1},
    {"getMeshData", 0xF3},
    {"refreshMesh", 0xF9},
    {"getScreenData", 0xA8},
    {"getPrintData", 0xA9},
    {"setMeshSimplificationLevel", 0xAA},
    {"setViewportBackground", 0xCF},
    {"viewportAddAmbientLight", 0xD1},
    {"viewportAddDirectionalLight", 0xD2},
    {"viewportAddPointLight", 0xD3},
    {"viewportAddSpotLight", 0xD4},
    {"setAutomaticRefinement", 0xF7},
    {"setManualRefinementLevel", 0xF8},
    {"setLightColor", 0xF6},
    {"setFront", 0xFA},
    {"viewportRemoveLight", 0xD0},
    {"viewportSetReduceDetails", 0xFD},
    {"viewportSetRapidRender", 0x10C},
    {"viewportSetNoReflectivity", 0x10E},
    {"releaseHandles", 0x10F},
    {"getViewportPlane", 0xDF},
    {"getViewportField", 0xE0},
    {"setViewportPlane", 0xE1},
    {"getViewportFront", 0xE4},
    {"getViewportPerspective", 0xE5},
    {"setViewportPerspective", 0xE6},
    {"setViewportQuality", 0xED},
    {"getViewportQuality", 0xEE},
    {"viewportTransform", 0xE7},
    {"clearViewport", 0xDE},
    {"render", 0xEB},
    {"inverseViewportTransform", 0xEC},
    {"getCameraPosition", 0xFC},
    {"setCameraTransform", 0x36},
    {"getCameraTransform", 0x37},
    {"saveSnapshotJPG", 0xFE},
    {"rotateCamera", 0x100},
    {"setDisregardRenderOverride", 0x105},
    {"getSelectionRay", 0x106},
    {"resetViewport", 0x107},
    {"viewportPresent", 0x108},
    {"viewportFlip", 0x109},
    {"setNeverRenderMesh", 0x10A},
    {"getSurfaceDC", 0xDB},
    {"releaseSurfaceDC", 0xDC},
};

// Creates a new context holding one reference; the host calls Release when done.
PELMORA_API HRESULT PelmoraCreateContext(IDXContext** context);

// The module exports, with the platform's signatures. DllGetClassObject hands
// out the class object (an IClassFactory) of CLSID_DXContext;
// DllCanUnloadNow answers S_OK once no context, class-object reference or
// server lock is left; DllRegisterServer and DllUnregisterServer write and
// remove the class's keys under HKEY_CLASSES_ROOT.
PELMORA_API HRESULT DllCanUnloadNow(void);
PELMORA_API HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
PELMORA_API HRESULT DllRegisterServer(void);
PELMORA_API HRESULT DllUnregisterServer(void);
