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

// The widest line drawn, in pixels. frameSetLineWidth and
// setFrameDrawFacetEdges keep the widths they are given; wider ones draw at
// this width (a line's cost grows with its width: a million pixels wide, a
// frame would take seconds).
inline constexpr int PELMORA_MAX_LINE_WIDTH = 64;

// How solid meshes (newSolidMesh, newSolidMeshFromHandle) draw, handed down
// the frame tree with setFrameDrawFacetEdges; other meshes ignore them.
//   SOLIDS       the shaded faces. Alone (the default at the root of a
//                render) the faces are all that is drawn. Without it the
//                faces still fill the depth buffer, unseen, so they hide
//                what lies behind them: with BORDERS or SILHOUETTES, a
//                hidden-line view.
//   BORDERS      the feature edges: where the faces meet at more than the
//                crease angle (the "Crease Angle" setting, 20 degrees by
//                default) and the open borders of the facets, in the
//                visible colour and width. Edges whose two faces both turn
//                away from the eye are left out unless the mesh is double
//                sided or translucent.
//   SILHOUETTES  the outline as seen from the eye: the facet edges between
//                a face turned towards it and one turned away, in the
//                visible colour and width (with BORDERS, sharp edges that
//                are borders already are not drawn twice).
//   HIDDEN       the parts of those borders (back ones included) and
//                silhouettes that faces hide, dashed (6 pixels drawn, 4
//                left out), in the hidden colour and width, beneath the
//                visible edges. It draws only together with BORDERS or
//                SILHOUETTES, and only what they select: alone it adds
//                nothing.
//   USEPARENT    exactly this value takes the parent frame's flags, colours
//                and widths (every new frame starts so). Any other value
//                sets all five for the frame's subtree, bits other than the
//                four above being ignored; 0 draws nothing but the unseen
//                depth of the faces.
// With BORDERS or SILHOUETTES the faces are pushed back in depth by about
// half the visible width, so that edges on them are not half hidden. Opaque
// bodies' edges are drawn after every opaque face of the render, so any
// body may hide them; translucent bodies draw theirs as they go.
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
//
// Conventions every operation follows:
//
// - Handles. Frames, visuals (meshes, billboards, decals, grids), viewports
//   and the mesh provider are 32-bit handles, never 0 and never negative. A
//   handle of the wrong kind, a released one, or 0 where 0 does not mean
//   "none" gives E_HANDLE and a "FAILED HRESULT" log line. Frames and visuals
//   may be used through any context; a viewport only through the context
//   that made it (E_HANDLE from any other).
// - Statuses. S_OK, or a failing status with a log line; no exception ever
//   leaves an operation. A null out pointer gives E_POINTER. Out parameters
//   are left as they were when an operation fails unless it says otherwise.
// - Colours are ints 0xAARRGGBB. VARIANT_BOOL flags are VARIANT_TRUE (-1) or
//   VARIANT_FALSE (0); where an operation says "exactly VARIANT_TRUE", other
//   non-zero values count as false, elsewhere any non-zero value is true.
// - Units. World coordinates are in the host's own units (millimetres,
//   inches, metres): the engine has none of its own, but a new viewport's
//   camera suits a model a few units across (see "The view" below).
// - Arrays in are SAFEARRAY**, read as all their elements in storage order
//   whatever their dimensions and bounds; arrays out are new one-dimensional
//   arrays with lower bound 0 that the caller frees with SafeArrayDestroy,
//   and BSTRs out are freed with SysFreeString.
//
// Coordinate spaces:
//
// - A frame's own space: where the vertices of the meshes it lists lie.
// - World space: a frame's own space carried through its local transform
//   and those of its parents up to the root a render starts from.
// - Camera space: world space carried through the viewport's camera
//   transform K (setCameraTransform, rotateCamera). In it the eye sits on the
//   +z axis looking at the origin (the target): x to the right, y up, z
//   towards the viewer.
// - Screen: the viewport's window pixels, (0, 0) at the top-left corner of
//   the window, y downwards; pixel (i, j) covers [i, i + 1) x [j, j + 1).
//   Depth runs from 0 on the front plane to 1 on the back plane.
//
// Transforms cross the interface as 12 doubles, a row-vector 4x3 matrix
// m11 m12 m13, m21 m22 m23, m31 m32 m33, m41 m42 m43 (the fourth column is
// 0, 0, 0, 1). A point p = (x, y, z) maps to p x M:
//     x' = x m11 + y m21 + z m31 + m41
//     y' = x m12 + y m22 + z m32 + m42
//     z' = x m13 + y m23 + z m33 + m43
// so the last three values are the translation, and A x B applies A first.
// A translation by (5, 0, 2):             1 0 0   0 1 0   0 0 1   5 0 2
// A quarter turn about z, (1,0,0)->(0,1,0): 0 1 0  -1 0 0   0 0 1   0 0 0
// Values are kept in single precision. (helpers.h builds and reads them
// without arrays: pelmora::setTranslation, setRotation, Transform.)
//
// The view. The eye looks at the target from a distance d: 5 on a new
// viewport, 3 x front after setFront. What shows lies between the front
// plane, `front` from the eye, and the back plane, 1000 from the eye on a
// new viewport and 5 x front after setFront: after setFront(f), from 2f in
// front of the target to 2f behind it, so a model must fit within 2f of the
// target or be cut. The view plane (left, right, bottom, top) is, in
// orthographic views, the rectangle of camera-space x and y that shows; in
// perspective it is that rectangle on the front plane, so plane and front
// together set the field of view: half the larger side's angle is
// atan(h / front), h being half the plane's larger side (getViewportField),
// and at the target the view is d / front times the plane (3 times after
// setFront). For example, a model 300 units across centred on the target:
//     orthographic: setFront(v, 100)           depth seen: target +-200
//                   setViewportPlane(v, -160, 160, -120, 120)
//     perspective:  setFront(v, 200)           eye 600 from the target,
//                   setViewportPlane(v, -56, 56, -42, 42)
//                   half field atan(56 / 200) = 15.6 degrees; at the
//                   target the view spans 3 x 112 = 336 across.
// The automatic refinement deviation follows the same angle, atan(h /
// front), in perspective multiplied by d / front: wider views ask host
// factories for coarser facets, and a perspective view whose angle so
// measured reaches 90 degrees (a half field of 30 degrees after setFront)
// asks for the coarsest. pelmora::fitView (helpers.h) makes these choices
// for a model's box.
struct IDXContext : public IDispatch {
    // ---- The context and its device ----

    // Holds host facet meshes at the geometry they have: while suspended
    // (exactly VARIANT_TRUE), a mesh that has facets keeps drawing them when
    // the view asks for another deviation, which keeps an interactive zoom
    // from asking the host's kernel at every step; meshes with no facets
    // yet still fetch them. Any other value resumes. Process-wide: it holds
    // for every context. S_OK.
    virtual HRESULT suspendMeshRefinements(VARIANT_BOOL suspend) = 0;
    // Enumerates the adapters (EGL devices: GPU drivers first, Mesa's
    // software rasterizer last). With bForceSoftwareOnly VARIANT_FALSE, a
    // non-empty deviceName (UTF-8 when narrowed; null reads as "") is
    // remembered process-wide as the device name getCurrentDeviceName
    // reports; an empty one keeps the name remembered before. The device
    // itself is created by the first newViewport, on the default adapter.
    // *bHardwareNotSupported (may be null) is VARIANT_TRUE on entry and
    // VARIANT_FALSE once the call succeeded. S_OK.
    virtual HRESULT initialize(VARIANT_BOOL bForceSoftwareOnly, BSTR deviceName,
                               VARIANT_BOOL* bHardwareNotSupported) = 0;
    // A new VT_BSTR vector holding one unique name per adapter, in adapter
    // order. E_POINTER for a null out pointer.
    virtual HRESULT enumerateDeviceNames(SAFEARRAY** ppDeviceNames) = 0;
    // Does nothing; S_OK for any name.
    virtual HRESULT validateCurrentDisplay(BSTR deviceName) = 0;
    // The device name remembered by initialize, as a new BSTR ("" when none
    // was named). E_POINTER for a null out pointer.
    virtual HRESULT getCurrentDeviceName(BSTR* pDeviceName) = 0;
    // A viewport presenting into hWnd (an offscreen window or an attached X11
    // window, host.h), drawing into the top-left width x height pixels of
    // the back buffer that all viewports of the context share. The device is
    // created on the first call, and created anew (every viewport's cached
    // image saved first) when width or height exceed the back buffer, which
    // is at least the desktop's size. A new viewport is orthographic, its
    // plane +-1 on the window's larger side, front 1, back 1000, eye 5 from
    // the target, camera transform the identity, background 0x132F4C to
    // 0xA0A0A0, no lights. bUseSoftware and bDisplayViewport are kept and
    // change nothing. The host releases the viewport with releaseHandle;
    // once its context is released, it answers E_HANDLE. S_OK with
    // *ppViewport 0 when no device could be made (the log says why);
    // E_INVALIDARG for a width or height below 1; E_ACCESSDENIED from inside
    // a facet factory when the device would have to be created anew.
    virtual HRESULT newViewport(int hWnd, VARIANT_BOOL bUseSoftware, VARIANT_BOOL bDisplayViewport,
                                int width, int height, int* ppViewport) = 0;
    // Destroys a frame, visual or viewport: it leaves every frame that lists
    // it, and its handle is dead for good. 0, unknown and dead handles, and
    // the mesh-provider handle, are skipped. Called from inside a facet
    // factory, the object is gone for the host at once and destroyed when
    // the outermost call returns. S_OK.
    virtual HRESULT releaseHandle(int hObject) = 0;
    // The handle of this context's mesh provider, for PelmoraGetMeshProvider
    // (host.h). It lives as long as the context.
    virtual HRESULT getTorvelMeshProvider(int* hMeshProvider) = 0;

    // ---- Frames, meshes and pictures ----

    // A new frame with the identity transform, no colour and no visuals:
    // a root for pParent 0, else appended to pParent's children. E_HANDLE
    // for a parent that is no frame.
    virtual HRESULT newFrame(int pParent, int* ppResult) = 0;
    // Billboards: an image drawn flat on the screen, unscaled by the camera,
    // with its pixel (anchorX, anchorY), counted from its top-left corner, on
    // the projection of the origin of each frame that lists it. Colours are
    // modulated by the frame colour; black is transparent. E_INVALIDARG, with
    // a log line, for an id outside the symbol atlas.
    virtual HRESULT newPreloadedBillboard(PreloadedTextureIDs preloadedID, int anchorX, int anchorY,
                                          int* ppResult) = 0;
    // The bitmap is copied and hBitmap deleted: the host must not use it
    // again. hBitmap 0 makes a billboard that draws nothing. E_HANDLE for a
    // handle that is no bitmap (nothing is deleted then).
    virtual HRESULT newBillboard(int hBitmap, int anchorX, int anchorY, int* ppResult) = 0;
    // A picture laid in the plane z = 0 of its frame, x from left to right
    // and y from bottom to top (a reversed rectangle mirrors it), drawn and
    // depth-tested like the model; never hit by pickMesh. The bitmap is
    // adopted as by newBillboard, with the same statuses.
    virtual HRESULT newDecal(int hBitmap, double left, double top, double right, double bottom,
                             int* ppResult) = 0;
    // Points kept with the scene: x, y, z per point (4-byte floats). A dot
    // mesh draws nothing, is never hit and hands out no data. E_INVALIDARG,
    // with a log line, for an array that is not whole points.
    virtual HRESULT newDotMesh(SAFEARRAY** vertices, int* ppResult) = 0;
    // A construction grid in the plane z = 0 of its frame over the rectangle
    // (left..right, bottom..top): its border, major lines at the multiples of
    // majorX and majorY, and fainter minor lines at the multiples of minorX
    // and minorY between them, in the frame's colour. Never hit by pickMesh.
    // E_INVALIDARG, with a log line, for values that are not finite or a
    // spacing that would give more than 100,000 lines.
    virtual HRESULT newGrillMesh(float left, float top, float right, float bottom, float majorX,
                                 float minorX, float majorY, float minorY, int* ppResult) = 0;
    // A triangle mesh from arrays of 4-byte elements: vertices x, y, z per
    // vertex; normals the same per vertex (or an empty array: every normal
    // +z); faces, per face its vertex count n and n pairs (vertex index,
    // unused), the list ended by 0. A triangle reads 3, i0, 0, i1, 0, i2, 0;
    // it faces the viewer when i0, i1, i2 turn counter-clockwise on screen.
    // Faces of more vertices keep their first three (with a console line);
    // triangles with two vertices at one position are dropped. With
    // isDoubleSided non-zero both sides draw, back faces lit with the
    // reversed normal; otherwise back faces are culled. E_INVALIDARG, with a
    // log line, for elements of another size, a vertex array that is not
    // whole points, fewer normals than vertices, a negative count or an
    // index outside the vertices.
    virtual HRESULT newSolidMesh(SAFEARRAY** vertices, SAFEARRAY** normals, SAFEARRAY** faces,
                                 VARIANT_BOOL isDoubleSided, int* ppResult) = 0;
    // A solid mesh over a body of the host's kernel: hTorvelMesh is the
    // host's own number for the body, passed back to the factory unchanged,
    // hTorvelMeshFactory a handle from PelmoraRegisterFacetFactory (host.h).
    // Nothing is fetched yet: the first render, pick or projection asks the
    // factory at the viewport's refinement deviation, and every deviation
    // fetched is kept. An unknown factory handle shows as failed fetches
    // later (E_HANDLE in the log), not here. Host mesh 0 names no body: the
    // mesh is made (S_OK) but stays empty, never asks the factory, draws and
    // picks nothing, and a log line says so; number bodies from 1.
    virtual HRESULT newSolidMeshFromHandle(int hTorvelMesh, int hTorvelMeshFactory,
                                           int* ppResult) = 0;
    // Polylines from arrays of 4-byte elements: vertices x, y, z per vertex;
    // lines, per polyline its vertex count n and n vertex indices, the list
    // ended by 0. Drawn in the frame's colour at the frame's line width
    // (frameSetLineWidth); picked with pickMesh's threshold. E_INVALIDARG,
    // with a log line, for a vertex array that is not whole points, a
    // polyline running past the list or an index outside the vertices.
    virtual HRESULT newWireMesh(SAFEARRAY** vertices, SAFEARRAY** lines, int* ppResult) = 0;
    // Polylines fetched from a host factory as newSolidMeshFromHandle does,
    // the facet set's face list read as polylines (count, then that many
    // indices). Nothing is fetched yet; an unknown factory and host mesh 0
    // fare as with newSolidMeshFromHandle.
    virtual HRESULT newWireMeshFromHandle(int hTorvelMesh, int hTorvelMeshFactory,
                                          int* ppResult) = 0;
    // One integer per frame or visual that the host may use as it likes; 0
    // on a new one.
    virtual HRESULT getAppData(int hVisual, int* pResult) = 0;
    virtual HRESULT setAppData(int hVisual, int value) = 0;
    // Shows (exactly VARIANT_TRUE) or hides (anything else, 1 included) a
    // frame or visual. A hidden frame's whole subtree is skipped; a hidden
    // mesh still draws in a render with forceRender. Picking with pickMesh
    // ignores visibility. Grids and dots have none to change.
    virtual HRESULT setVisible(int hVisual, VARIANT_BOOL visible) = 0;
    // The specular highlight of the frame's subtree: values below 1 switch
    // it off; from 1 (tightest) to 100 (broadest) it widens. The frame gets
    // a material of its own: without setFrameColor it then draws white, not
    // in its parent's colour. S_OK (also for NaN, which changes nothing and
    // writes a log line saying so).
    virtual HRESULT frameSetReflectivity(int hFrame, float reflectivity) = 0;
    // The colour of the frame's subtree, down to frames with a colour of
    // their own: the diffuse colour of solids, the colour of lines, grids
    // and billboards. Alpha from 0.9 (230) up draws opaque; lower alpha draws
    // translucent, after everything opaque and without depth writes; alpha
    // 0 does not draw. A frame without a colour takes its parent's.
    virtual HRESULT setFrameColor(int hFrame, int color) = 0;
    // The colour as set, 0xFFFFFFFF for a frame never coloured.
    virtual HRESULT getFrameColor(int hFrame, int* pResult) = 0;
    // Appends pChild to hFrame's children, taking it from its previous
    // parent. E_INVALIDARG for 0, for hFrame itself, or for a frame above
    // hFrame (a loop).
    virtual HRESULT frameAddChild(int hFrame, int pChild) = 0;
    // Removes every occurrence of pChild from hFrame's children; pChild has
    // no parent afterwards. 0 does nothing. S_OK.
    virtual HRESULT frameDeleteChild(int hFrame, int pChild) = 0;
    // Appends a visual to the frame's list. A visual may be listed by many
    // frames and more than once: it draws once per listing, each time in
    // that frame's space. A frame listed as a visual draws as a child there
    // and keeps its own parent. 0 does nothing; E_INVALIDARG for a frame
    // that would make a loop.
    virtual HRESULT frameAddVisual(int hFrame, int pVisual) = 0;
    // Removes every occurrence of the visual from the frame's list. 0 does
    // nothing. S_OK.
    virtual HRESULT frameDeleteVisual(int hFrame, int pVisual) = 0;
    virtual HRESULT frameDeleteAllVisuals(int hFrame) = 0;
    // A non-zero mode draws the frame's subtree without the depth test, on
    // top of whatever was drawn before it; 0 (the default) leaves the test
    // as the parent had it.
    virtual HRESULT setFrameZBufferMode(int hFrame, int mode) = 0;
    // Combines a transform T (12 doubles, see above) with the frame's local
    // transform L:
    //     combineType 0: L = T              (replaces it)
    //     combineType 1: L = T x L          (T applies first, in the frame's
    //                                        own coordinates)
    //     any other:     L = L x T          (T applies last, in the parent's
    //                                        coordinates)
    // For a frame at (10, 0, 0), a quarter turn about z with combineType 1
    // turns its contents in place; with 2 it also carries the frame round
    // its parent's origin, to (0, 10, 0). E_INVALIDARG for an array of
    // doubles that does not hold 12; E_POINTER for a null array. An array of
    // any element size but 8 bytes (floats, say) is ignored with S_OK, as
    // hosts have long relied on: build it as VT_R8.
    virtual HRESULT addFrameTransform(int hFrame, int combineType, SAFEARRAY** transform) = 0;
    // The frame's local transform as a new 12-double array.
    virtual HRESULT getFrameTransform(int hFrame, SAFEARRAY** ppResult) = 0;
    // Applies a rotation of theta radians about an axis (normalised first)
    // after the local transform, as combineType 2 would: the frame turns
    // about the axis through its parent's origin, counter-clockwise seen
    // from the axis's tip. combineType is not read. A zero axis scales the
    // transform by cos(theta) instead of turning it.
    virtual HRESULT addFrameRotation(int hFrame, int combineType, double axisX, double axisY,
                                     double axisZ, double theta) = 0;
    // The frame's local transform composed with those of its parents, the
    // frames newFrame or frameAddChild put it under, as a new 12-double
    // array. (Where the frame is also listed as a visual, it draws there
    // with that frame's world transform instead.) hFrame 0 returns S_OK and
    // leaves *ppResult alone.
    virtual HRESULT getFrameWorldTransform(int hFrame, SAFEARRAY** ppResult) = 0;
    // Non-zero stops every mesh in the frame's subtree from drawing (a frame
    // below may switch it back with 0); viewports with
    // setDisregardRenderOverride draw them all the same. Until called, a
    // frame follows its parent. S_OK.
    virtual HRESULT frameSetOverrideRender(int hFrame, VARIANT_BOOL overrideRender) = 0;
    // Does nothing; S_OK.
    virtual HRESULT setTexture(int hFrame, int hBitmap) = 0;
    // The width, in pixels, of the lines of the frame's subtree: widths above
    // 1 draw as wide screen-space lines, 0, 1 and negative ones thin, those
    // above PELMORA_MAX_LINE_WIDTH at that width. -1 makes the frame follow
    // its parent again; the root of a render starts at 1. S_OK.
    virtual HRESULT frameSetLineWidth(int handle, int lineWidth) = 0;
    // VARIANT_FALSE draws the frame's subtree without writing depth (later
    // drawing is not hidden by it); any other value writes depth. S_OK.
    virtual HRESULT frameSetWriteZValues(int handle, VARIANT_BOOL writeZValues) = 0;
    // VARIANT_FALSE draws the frame's subtree without writing colour (depth
    // only, to hide what is drawn later behind it). S_OK.
    virtual HRESULT frameSetWriteColorValues(int handle, VARIANT_BOOL writeZValues) = 0;
    // Despite its name, the handle names a frame: how the solid meshes of
    // its subtree draw (SolidMeshDrawFlags above: faces, borders,
    // silhouettes, hidden edges dashed), with the colours (0xAARRGGBB) and
    // widths in pixels of the visible and the hidden edges. Widths below 1
    // draw at 1, above PELMORA_MAX_LINE_WIDTH at that width.
    // SOLID_MESH_DRAW_USEPARENT follows the parent again; until a frame
    // sets other flags, the root of a render draws SOLID_MESH_DRAW_SOLIDS
    // with black visible edges 3 pixels wide and grey (0xFF808080) hidden
    // edges 1 pixel wide. E_HANDLE for a handle that is no frame.
    virtual HRESULT setFrameDrawFacetEdges(int hMesh, SolidMeshDrawFlags drawFlags,
                                           int visibleColor, int visibleWidth, int hiddenColor,
                                           int hiddenWidth) = 0;
    // For a billboard, scales its image, its anchor offset and its pick box.
    // Other meshes keep the value and draw unchanged (scale them with their
    // frame). E_HANDLE for a handle that is no mesh.
    virtual HRESULT setMeshScale(int hMesh, double scale) = 0;

    // ---- Mesh queries ----

    // Whether a line crosses a mesh, and where. The test is made in the
    // mesh's own coordinates, without its frame's transform or mesh scale:
    // the host carries the ray there itself, through the inverse of the
    // frame's world transform. hParentFrame is not read. For solids the ray
    // is the whole line through the origin: the crossing reported is the
    // one nearest the origin, on either side of it, and the thresholds are
    // not read. For line meshes the first segment in list order that passes
    // nearer than `threshold` (mesh units) is hit, at its point nearest the
    // line; backThreshold is not read. Dots, grids and decals are never hit.
    // A host facet mesh is first brought to hViewport's refinement deviation
    // (hViewport 0 keeps the facets it has, fetching some if it has none).
    // The ray from getSelectionRay starts on the back plane: pick from its
    // near end, origin - direction, to find the surface the viewer sees.
    //     double o[3], d[3];
    //     context->getSelectionRay(viewport, x, y, &o[0], &o[1], &o[2], &d[0], &d[1], &d[2]);
    //     // mesh in a frame at the world origin, untransformed:
    //     context->pickMesh(mesh, 0, viewport, x, y, o[0] - d[0], o[1] - d[1], o[2] - d[2],
    //                       d[0], d[1], d[2], 0, 0, &hx, &hy, &hz, &hit);
    // *isHit is VARIANT_TRUE or VARIANT_FALSE and the hit point (mesh
    // coordinates) is 0, 0, 0 on a miss. For a billboard, x and y are the
    // pick position relative to the screen position of the billboard's
    // anchor; it is hit strictly inside its image (scaled by setMeshScale),
    // with the hit point (0, 0, 0). E_HANDLE for a mesh or viewport handle
    // that names none. pelmora::pickScene (helpers.h) picks a whole tree.
    virtual HRESULT pickMesh(int hMesh, int hParentFrame, int hViewport, int x, int y,
                             double origX, double origY, double origZ, double dirX, double dirY,
                             double dirZ, double threshold, double backThreshold, double* hitX,
                             double* hitY, double* hitZ, VARIANT_BOOL* isHit) = 0;
    // The geometry of a line mesh as it is now: a new VT_R4 array of x, y, z
    // per vertex and a new VT_I4 copy of its line list. Solids, billboards,
    // decals, dots and grids hand out nothing: both arrays null, S_OK.
    virtual HRESULT getMeshData(int hMesh, SAFEARRAY** vertexData, SAFEARRAY** faceData) = 0;
    // A host facet mesh drops every deviation it holds and fetches its
    // facets again (the factory sees manual = 1), at the context's
    // refinement level: the deviation of the last setManualRefinementLevel
    // on one of its viewports, 1 before any. Meshes from arrays keep what
    // they have. E_ACCESSDENIED from inside the factory fetching that mesh.
    virtual HRESULT refreshMesh(int hMesh) = 0;
    // The mesh projected to the viewport's pixels. transform (12 doubles)
    // takes the mesh's coordinates to world coordinates: its frame's world
    // transform. A host facet mesh is brought to the viewport's deviation
    // first. *ppScreenPoints receives x, y per point, truncated toward
    // zero; *ppScreenFaceData the list joining them: when every vertex is
    // inside the view, the mesh's own list (for a solid 3, i0, i1, i2 per
    // triangle, ended by 0); otherwise runs of the visible pieces of its
    // edges (per run its point count, then the point indices, ended by 0).
    // Both null with S_OK for a mesh wholly off screen; both null with
    // status 13 (a success code) for dots and grids. E_INVALIDARG for a
    // transform that is not 12 doubles.
    virtual HRESULT getScreenData(int hMesh, int hViewport, SAFEARRAY** transform,
                                  SAFEARRAY** ppScreenPoints, SAFEARRAY** ppScreenFaceData) = 0;
    // The mesh laid out for paper: each vertex carried through transform to
    // (X, Y) (z dropped, no perspective), then printed at
    // ((X - printOffsetX) x printScale, (printHeight - Y + printOffsetY) x
    // printScale), truncated toward zero; the list is the mesh's own.
    // Statuses as getScreenData.
    virtual HRESULT getPrintData(int hMesh, SAFEARRAY** transform, double printScale,
                                 double printHeight, double printOffsetX, double printOffsetY,
                                 SAFEARRAY** ppScreenPoints, SAFEARRAY** ppScreenFaceData) = 0;
    // Records a simplification level on a solid; drawing does not change.
    // S_OK, also without a device.
    virtual HRESULT setMeshSimplificationLevel(int hMesh, int simplificationLevel) = 0;

    // ---- Viewports: background, lights, refinement ----

    // A vertical gradient behind the model, topColor at the window's top to
    // bottomColor at its bottom, drawn by the first render after
    // clearViewport; equal colours draw none, leaving the clear colour
    // (topColor). The colours' alpha reaches the window's pixels (see
    // PelmoraSaveWindowPng in host.h).
    virtual HRESULT setViewportBackground(int hViewport, int topColor, int bottomColor) = 0;
    // Sets, rather than adds, the viewport's ambient light. Every surface
    // gets color x color per channel from it (the colour is both the light
    // and the surfaces' ambient reflectance), untinted by frame colours:
    // 0x404040 adds about 6% grey.
    virtual HRESULT viewportAddAmbientLight(int hViewport, int color) = 0;
    // One light per viewport, by design: each viewportAdd*Light call makes
    // its light the one in effect, replacing the light added before (every
    // light gets the handle 0, so *hLight is always 0). For a key light and
    // fills, use one directional light and an ambient light.
    //
    // A directional light of diffuse `color` and white highlights shining
    // along (directionX, directionY, directionZ) in the viewer's space (x
    // right, y up, z towards the viewer): (0, 0, -1) shines straight into
    // the screen and lights faces turned to the viewer. Lights stay fixed to
    // the viewer while the camera transform turns the model.
    virtual HRESULT viewportAddDirectionalLight(int hViewport, int color, float directionX,
                                                float directionY, float directionZ,
                                                int* hLight) = 0;
    // A point light at (positionX, positionY, positionZ) in the viewer's
    // space, measured from the target (the eye is at (0, 0, d)), lighting
    // what lies within `range` of it. It has no attenuation, so every
    // surface in range that faces it is lit to saturation. Replaces the
    // viewport's light, as above.
    virtual HRESULT viewportAddPointLight(int hViewport, int color, float positionX,
                                          float positionY, float positionZ, float range,
                                          int* hLight) = 0;
    // A spot light at a position, pointing along a direction, both in the
    // viewer's space: lit within `range`, dimmed by 1 / (attenuation0 +
    // attenuation1 x distance + attenuation2 x distance^2), full inside the
    // cone of full angle theta (radians), fading with exponent `falloff` to
    // nothing at the cone of full angle phi. No highlights. Replaces the
    // viewport's light, as above.
    virtual HRESULT viewportAddSpotLight(int hViewport, int color, float positionX,
                                         float positionY, float positionZ, float directionX,
                                         float directionY, float directionZ, float range,
                                         float falloff, float attenuation0, float attenuation1,
                                         float attenuation2, float theta, float phi,
                                         int* hLight) = 0;
    // Non-zero: automatic refinement, the deviation following the zoom (see
    // "The view"). 0: manual refinement at the level set by
    // setManualRefinementLevel (level 1, deviation 20, if none was set);
    // host facet meshes then keep the facets they have and only meshes
    // without any fetch, at the manual deviation.
    virtual HRESULT setAutomaticRefinement(int hViewport, VARIANT_BOOL autoMode) = 0;
    // The manual deviation: 1 for level 0, else 60 / level but at most 20
    // (levels 1 to 3 give 20, 6 gives 10, 60 gives 1; negative levels give
    // negative deviations). In force at once in manual mode, and from now on
    // the context's refinement level, which new host meshes and refreshMesh
    // start from.
    virtual HRESULT setManualRefinementLevel(int hViewport, int refinementLevel) = 0;
    // Does nothing; S_OK.
    virtual HRESULT setLightColor(int hLight, int color) = 0;
    // The front plane's distance from the eye (see "The view"): the back
    // plane moves to 5 x front and the eye to 3 x front from the target,
    // so the depth seen is the target +- 2 x front. The view plane does not
    // change, so in perspective the field of view does. hViewport 0 is
    // skipped with S_OK.
    virtual HRESULT setFront(int hViewport, double front) = 0;
    // Removes the lights whose handle is hLight; as every light's handle is
    // 0, 0 removes them all. Removing does not switch a light off on the
    // device: the last light set keeps lighting this viewport's renders
    // until another is added, or until another viewport used the device in
    // between. S_OK, also when nothing matched.
    virtual HRESULT viewportRemoveLight(int hViewport, int hLight) = 0;
    // Non-zero skips, in this viewport's renders, meshes whose bounding box
    // volume is below a thousandth of the view plane's area (meshes that
    // keep a bounding box: solids of more than four faces, large line
    // meshes). S_OK.
    virtual HRESULT viewportSetReduceDetails(int hViewport, VARIANT_BOOL reduceDetails) = 0;
    // Kept; changes nothing. S_OK.
    virtual HRESULT viewportSetRapidRender(int hViewport, VARIANT_BOOL rapidRender) = 0;
    // Non-zero draws this viewport without specular highlights. S_OK.
    virtual HRESULT viewportSetNoReflectivity(int hViewport, VARIANT_BOOL noReflectivity) = 0;
    // Releases every handle of a VT_I4 array as releaseHandle does.
    // E_INVALIDARG for elements narrower than 4 bytes.
    virtual HRESULT releaseHandles(SAFEARRAY** hMeshes) = 0;

    // ---- Viewports: view plane, projection, camera ----

    // The view plane (see "The view"), in camera-space units.
    virtual HRESULT getViewportPlane(int hViewport, double* left, double* right, double* bottom,
                                     double* top) = 0;
    // atan(h / front) in radians, h being half the plane's larger side: in
    // perspective, half the field of view across the window's larger side.
    virtual HRESULT getViewportField(int hViewport, double* field) = 0;
    // Moves and scales the view plane, keeping the window's aspect: the
    // rectangle's larger side becomes the plane's larger side, centred on
    // the rectangle's centre, and the window's aspect sets the other side.
    // So on an 800 x 600 window (0, 10, 0, 2) gives (0, 10, -2.75, 4.75),
    // while (-1, 1, -3, 3) gives (-3, 3, -2.25, 2.25), cutting the
    // rectangle's height: to see all of a rectangle, widen it to the
    // window's aspect first.
    virtual HRESULT setViewportPlane(int hViewport, double left, double right, double bottom,
                                     double top) = 0;
    virtual HRESULT getViewportFront(int hViewport, double* front) = 0;
    virtual HRESULT getViewportPerspective(int hViewport, VARIANT_BOOL* isPerspective) = 0;
    // Exactly VARIANT_TRUE selects perspective; anything else orthographic.
    virtual HRESULT setViewportPerspective(int hViewport, VARIANT_BOOL usePerspective) = 0;
    // 1 selects flat shading, every other value smooth shading; any value is
    // kept and read back.
    virtual HRESULT setViewportQuality(int hViewport, int quality) = 0;
    virtual HRESULT getViewportQuality(int hViewport, int* quality) = 0;
    // A world point's screen position: *outX, *outY in window pixels,
    // *outZ its depth (0 on the front plane, 1 on the back plane; outside
    // that range it is clipped away), *outW always 1.
    virtual HRESULT viewportTransform(int hViewport, double inX, double inY, double inZ,
                                      double* outX, double* outY, double* outZ, double* outW) = 0;

    // ---- Viewports: drawing ----

    // Clears the viewport's part of the back buffer to the clear colour and
    // the farthest depth; the next render draws the background gradient.
    // E_FAIL without a device.
    virtual HRESULT clearViewport(int hViewport) = 0;
    // Draws rootFrame's tree (the root's own transform included) into the
    // viewport's part of the back buffer: the background gradient when the
    // viewport was cleared since its last render, then everything opaque,
    // then everything translucent. Host facet meshes are brought to the
    // viewport's refinement deviation first. forceRender non-zero draws
    // hidden meshes too. bPreserveDepth non-zero draws over the previous
    // image against its depth, writing none (for overlays). Nothing shows
    // until viewportPresent. rootFrame may be another context's. E_FAIL
    // without a device.
    virtual HRESULT render(int hViewport, int rootFrame, VARIANT_BOOL forceRender,
                           VARIANT_BOOL bPreserveDepth) = 0;
    // The world point at a screen position and depth (0 on the front plane,
    // 1 on the back plane); screenW is not read. The inverse of
    // viewportTransform.
    virtual HRESULT inverseViewportTransform(int hViewport, double screenX, double screenY,
                                             double screenZ, double screenW, double* worldX,
                                             double* worldY, double* worldZ) = 0;
    // The view's translation row taken back through the camera transform:
    // the eye's position mirrored through the target. On a new viewport it
    // is (0, 0, -5), the eye being at (0, 0, 5).
    virtual HRESULT getCameraPosition(int hViewport, double* positionX, double* positionY,
                                      double* positionZ) = 0;
    // The camera transform K (12 doubles, see above): a world point p is
    // seen at p x K in camera space, where the eye looks along -z at the
    // origin. To look at world point c in the orientation of rotation R, K
    // is R with translation -c x R. E_POINTER for a null array,
    // D3DERR_INVALIDCALL (0x8876086C) for an array not of 12 elements,
    // E_INVALIDARG for 12 elements that are not doubles; the camera is kept.
    virtual HRESULT setCameraTransform(int hViewport, SAFEARRAY** transform) = 0;
    // K as a new 12-double array.
    virtual HRESULT getCameraTransform(int hViewport, SAFEARRAY** ppResult) = 0;
    // Writes the viewport's part of the back buffer, as the last render, or
    // viewportFlip(FALSE), left it, to an image file of width x height
    // pixels (resampled), in the format of the file name's extension: .png,
    // .bmp, .gif, .tif or .tiff, any other (or none) JPEG. The file name is
    // UTF-8 once narrowed. Viewports share the back buffer, so snapshot a
    // viewport before another one renders. Files are made 0644 (less the
    // umask) in every format. E_INVALIDARG, with a log line, for an empty
    // name, one holding a NUL character or a size outside 1..32768; E_FAIL
    // when the file cannot be written or the name is there but names no
    // regular file (a FIFO, a device: refused at once, never waited on).
    // (pelmora::saveSnapshot takes the name as text.)
    virtual HRESULT saveSnapshotJPG(int hViewport, BSTR filename, int width, int height) = 0;
    // Turns the model by theta radians about a world axis, counter-clockwise
    // seen from the axis direction's tip, before the camera transform: K
    // becomes T^-1 x R x T x K, T the translation to axisOrigin. Orbiting
    // the view about a model's centre c: rotateCamera(v, cx, cy, cz, 0, 0,
    // 1, angle). The axis is narrowed to float.
    virtual HRESULT rotateCamera(int hViewport, double axisOriginX, double axisOriginY,
                                 double axisOriginZ, double axisDirectionX, double axisDirectionY,
                                 double axisDirectionZ, double theta) = 0;
    // Non-zero makes this viewport draw what frameSetOverrideRender hides.
    virtual HRESULT setDisregardRenderOverride(int hViewport, VARIANT_BOOL bDisregard) = 0;
    // The line of sight through a screen point, in world coordinates. The
    // origin is the point on the back plane (the far point) and the
    // direction is far minus near, the near point lying on the front plane:
    // it points away from the viewer and is not of unit length (its length
    // is the view's depth along the line). The screen point (screenX,
    // screenY) is the top-left corner of that pixel. On a new 800 x 600
    // orthographic viewport, (400, 300) gives origin (0, 0, -995) and
    // direction (0, 0, -999): the near point is origin - direction =
    // (0, 0, 4). See pickMesh for picking with it.
    virtual HRESULT getSelectionRay(int hViewport, int screenX, int screenY, double* originX,
                                    double* originY, double* originZ, double* directionX,
                                    double* directionY, double* directionZ) = 0;
    // Releases the device buffers and textures of every object of the
    // viewport's context; each makes them again at its next draw. S_OK.
    virtual HRESULT resetViewport(int hViewport) = 0;
    // Shows the viewport's image in its window. Only the rectangle's size
    // counts: the top-left (right - left) x (bottom - top) pixels of the
    // back buffer go to the top-left of the window. A lost device is created
    // anew and the present tried once more. E_INVALIDARG for a size that
    // does not fit a 32-bit value; E_FAIL without a device.
    virtual HRESULT viewportPresent(int hViewport, int left, int top, int right, int bottom) = 0;
    // Non-zero copies the viewport's part of the back buffer to its cached
    // image; 0 copies the cached image back, so the last image can be
    // presented or drawn over again without rendering the scene. A typical
    // frame: clearViewport, render, viewportFlip(TRUE), viewportPresent.
    virtual HRESULT viewportFlip(int hViewport, VARIANT_BOOL bFlipToCache) = 0;
    // The mesh never draws again; there is no way back. pickMesh still hits
    // it. S_OK.
    virtual HRESULT setNeverRenderMesh(int hMesh) = 0;
    // A device context on the back buffer, to draw on the rendered image
    // with the GDI calls; PelmoraGetDCImage (host.h) gives its pixels.
    // Release it with releaseSurfaceDC, which writes the pixels back, before
    // the next render or present.
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
