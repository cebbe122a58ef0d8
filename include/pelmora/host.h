// host.h: the platform calls a host makes besides IDXContext.
#pragma once

#include <pelmora/automation.h>

// What a Linux host needs besides IDXContext: the registry calls, the log,
// windows, bitmaps and device-context pixels, the host facet interfaces, and
// the scene read-back calls. Null pointers, unknown handles and handles of
// the wrong kind get a status, never a crash.
//
// Registry. Keys are opened relative to a predefined root or an open key;
// paths use backslashes. The store is one text file per root, under
// $PELMORA_REGISTRY_DIR, else $XDG_CONFIG_HOME/torvel/registry, else
// ~/.config/torvel/registry. Every write reaches the file before it returns,
// under a lock, so processes writing at once lose nothing. Keys lie at most
// 512 levels deep, with names of at most 255 characters.
typedef struct PelmoraRegistryKey* HKEY;
typedef DWORD REGSAM;
typedef LONG LSTATUS;

#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_WRITE_FAULT 29L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_KEY_DELETED 1018L

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0x0
#define REG_CREATED_NEW_KEY 0x1
#define REG_OPENED_EXISTING_KEY 0x2

// Opens a key, creating it (and any missing keys on its path) when absent.
// lpSubKey is relative to hKey ("" for hKey itself), names separated by
// backslashes, compared without regard to ASCII case. Reserved, lpClass and
// lpSecurityAttributes are not read. dwOptions must be
// REG_OPTION_NON_VOLATILE. samDesired decides what the new handle may do
// (KEY_QUERY_VALUE, KEY_SET_VALUE, KEY_CREATE_SUB_KEY, or KEY_READ,
// KEY_WRITE, KEY_ALL_ACCESS); creating needs hKey opened with
// KEY_CREATE_SUB_KEY. *lpdwDisposition (may be null) receives
// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. Statuses:
// ERROR_INVALID_HANDLE for an hKey that is not open, ERROR_INVALID_PARAMETER
// for a null name or result, other options, a malformed or too deep path,
// ERROR_ACCESS_DENIED, ERROR_KEY_DELETED when hKey was deleted meanwhile,
// ERROR_WRITE_FAULT when the file cannot be written.
PELMORA_API LSTATUS RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved,
                                    char* lpClass, DWORD dwOptions, REGSAM samDesired,
                                    const void* lpSecurityAttributes, HKEY* phkResult,
                                    DWORD* lpdwDisposition);
// Opens an existing key (ERROR_FILE_NOT_FOUND when absent; *phkResult is
// then null). ulOptions is not read; paths and access as RegCreateKeyExA.
PELMORA_API LSTATUS RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions,
                                  REGSAM samDesired, HKEY* phkResult);
// Reads a value (null or "" names the key's default value). *lpType (may be
// null) receives its REG_ type. With lpcbData null nothing more is read;
// with lpData null, *lpcbData receives the size in bytes; otherwise the
// data is copied when *lpcbData is large enough (ERROR_MORE_DATA, with the
// size needed in *lpcbData, when not). Strings come back with their
// terminating 0. lpReserved must be null. ERROR_FILE_NOT_FOUND for a value
// that does not exist, ERROR_ACCESS_DENIED for a key not opened with
// KEY_QUERY_VALUE.
PELMORA_API LSTATUS RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved,
                                     DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
// Writes a value of dwType (REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY,
// REG_DWORD of 4 bytes, REG_MULTI_SZ, REG_QWORD of 8 bytes) from cbData
// bytes; strings written without their terminating 0 get one. The file is
// written before the call returns. ERROR_INVALID_PARAMETER for another
// type, a wrong size, null data with a size, more than 1 MiB or a name of
// more than 16,383 characters; ERROR_ACCESS_DENIED for a key not opened
// with KEY_SET_VALUE; ERROR_WRITE_FAULT when the file cannot be written.
PELMORA_API LSTATUS RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved,
                                   DWORD dwType, const BYTE* lpData, DWORD cbData);
// Deletes a value. ERROR_FILE_NOT_FOUND when there is none of that name;
// other statuses as RegSetValueExA.
PELMORA_API LSTATUS RegDeleteValueA(HKEY hKey, const char* lpValueName);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some):
// lpSubKey relative to hKey, "" meaning hKey's own key, though never a
// predefined root (ERROR_ACCESS_DENIED). ERROR_FILE_NOT_FOUND when absent.
// Handles still open on it then answer ERROR_KEY_DELETED.
PELMORA_API LSTATUS RegDeleteKeyA(HKEY hKey, const char* lpSubKey);
// Deletes the named subkey with everything beneath it (the subkey must be
// named); statuses as RegDeleteKeyA.
PELMORA_API LSTATUS RegDeleteTreeA(HKEY hKey, const char* lpSubKey);
// Closes a key handle; the predefined roots may be "closed" too and stay
// usable. ERROR_INVALID_HANDLE for a handle that is not open.
PELMORA_API LSTATUS RegCloseKey(HKEY hKey);

// Pelmora's diagnostic switches, read once when the library is loaded: values
// of the key "Software\Torvel, Inc.\Torvel Design\Pelmora" under
// HKEY_CURRENT_USER, each on when its value starts with T or Y (either case):
//   "Log Errors"  keeps the log file "Pelmora.log" (without the key: on;
//                 with the key but not the value: off).
//   "Quiet"       turns console messages off: nothing goes to standard
//                 output, the log file still gets every message (default off).
// The environment variable PELMORA_QUIET overrides "Quiet" either way: a
// value starting with 1, T or Y (either case) turns console messages off,
// any other non-empty value turns them on. It is read for each message, so
// a host that owns its standard output may set it first thing in main(),
// before anything logs, even though the library was loaded before main().
//
// Adds a line of the host's own to Pelmora's error log: the text goes, verbatim,
// to standard output (unless console messages are off) and, when file logging
// is on, to "Pelmora.log".
PELMORA_API void PelmoraLogMessage(const char* text);

// The last message written to the log (by Pelmora or through
// PelmoraLogMessage), for hosts that show a failure's reason themselves: up to
// capacity - 1 bytes of it, 0-terminated, go to buffer. Returns how many
// messages have been written since the library was loaded (0: none, buffer
// then ""), so a host can tell whether a call wrote one. Capacity 0 (buffer
// may then be null) only counts.
PELMORA_API unsigned PelmoraGetLastLogMessage(char* buffer, int capacity);

// ---------------------------------------------------------------------------
// Windows, bitmaps and device-context pixels.
//
// Every window, bitmap and device context is a 32-bit handle: never 0, never
// negative, and a destroyed one stays invalid even after its memory is reused.
// Pixels are 32-bit 0xAARRGGBB values, rows top-down.

// An offscreen window: a client area of width x height pixels, initially opaque
// black, that presents land in and the host reads back. 0 for a width or
// height outside 1..16384.
PELMORA_API int PelmoraCreateOffscreenWindow(int width, int height);

// The client-area image of a window as presents left it (opaque black where
// none reached). An attached X11 window answers with Pelmora's copy of what
// it presented there, whatever covers the window on the screen, as large as
// the window was at the last present (or when attached). The pixels are
// packed (the row stride is the width) and stay valid until the next present
// into the window or its destruction. E_HANDLE for an unknown window,
// E_POINTER for a null out pointer.
PELMORA_API HRESULT PelmoraGetWindowImage(int hWnd, int* width, int* height,
                                          const uint32_t** pixels);

// The size of a window's client area: the offscreen size, or the X window's
// current size. E_HANDLE for an unknown window (or an X window that is gone),
// E_POINTER for a null out pointer.
PELMORA_API HRESULT PelmoraGetClientRect(int hWnd, int* width, int* height);

// Writes a window's client-area image (as PelmoraGetWindowImage gives it,
// offscreen or X11) to a PNG file, every pixel opaque (the window holds the
// back buffer's pixels, whose alpha is whatever the background and materials
// left there, often 0). E_HANDLE for an unknown window, E_POINTER for a null
// file name, E_FAIL (with a log line naming the reason) when the file cannot
// be written.
PELMORA_API HRESULT PelmoraSaveWindowPng(int hWnd, const char* fileName);

// Forgets a window. An attached X11 window is detached, not destroyed.
// E_HANDLE for an unknown window.
PELMORA_API HRESULT PelmoraDestroyWindow(int hWnd);

// Wraps an existing X11 window so viewports can present into it. Pelmora
// draws on its own connection to $DISPLAY (opened on first use) with
// XPutImage, through shared memory when the server offers it. 0 when there
// is no display, or when the XID names no window on it.
PELMORA_API int PelmoraAttachX11Window(unsigned long xid);

// A bitmap of width x height holding a copy of the pixels (packed rows); a
// null pixels pointer gives opaque black. 0 for a width or height outside
// 1..16384.
PELMORA_API int PelmoraCreateBitmap(int width, int height, const uint32_t* pixels);

// A bitmap's pixels (packed rows), valid until the bitmap is deleted.
// E_HANDLE for an unknown or deleted bitmap, E_POINTER for a null out pointer.
PELMORA_API HRESULT PelmoraGetBitmapImage(int hBitmap, int* width, int* height,
                                          const uint32_t** pixels);

// Deletes a bitmap. Non-zero on success; 0 for an unknown handle, a handle
// that is not a bitmap, or a bitmap still selected into a device context.
PELMORA_API int DeleteObject(int hObject);

// The pixels a device context draws on (for a surface's context, the copy of
// the surface that goes back to it when the context is released), writable
// by the host. *stride is the distance between rows in PIXELS, not bytes.
// Valid until the context is released. E_HANDLE for an unknown context,
// E_POINTER for a null out pointer.
PELMORA_API HRESULT PelmoraGetDCImage(int hDC, int* width, int* height, uint32_t** pixels,
                                      int* stride);

// ---------------------------------------------------------------------------
// Host facet meshes.
//
// A host shows a body of its modelling kernel by handing Pelmora two
// integers: its own number for the body (the host mesh, passed back to the
// factory unchanged) and the handle of a registered FacetFactory. Pelmora asks
// the factory for facets when a viewport first needs the body, and again
// whenever the viewport's refinement deviation changes to one it has not seen.
// The host's objects are borrowed: they must outlive every mesh built on them.
//
// These classes are interfaces: their virtual functions are the ABI, in the
// order declared, so keep the order when implementing them.

// One vertex of a facet set: position, outward unit normal and texture
// coordinates, eight floats (32 bytes) in this order.
struct FacetVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(FacetVertex) == 32, "a facet vertex is 32 bytes");

// A set of facets at one deviation. The face list is count-prefixed and
// 0-terminated: each face is its vertex count followed by that many indices
// into the vertex array, and a count of 0 ends the list. Solid meshes use
// triangles only, so a list of F faces reads 3, i0, i1, i2, ..., 0 and holds
// 4F + 1 integers; list lengths below 5 mean an empty body, and a face of
// more vertices keeps its first three (with a console line). A triangle is
// front-facing when its vertices turn counter-clockwise seen from outside.
// Positions are in the body's own coordinates, the space of the frame that
// lists its mesh. For line meshes (newWireMeshFromHandle) the list holds
// polylines instead: per polyline its vertex count and that many indices.
// Pelmora reads a source only between getFacets and releaseFacets and keeps
// no pointer into it. pelmora::FacetBuffer (helpers.h) is a ready one.
class FacetSource {
public:
    // Number of integers in the face list, the terminating 0 included.
    virtual int faceListLength() const = 0;
    // The face list (faceListLength() integers).
    virtual const int* faceList() const = 0;
    // Number of records in the vertex array.
    virtual int vertexCount() const = 0;
    // The vertex array (vertexCount() records).
    virtual const FacetVertex* vertices() const = 0;
    // True when both sides of every face are drawn (back faces lit with the
    // reversed normal).
    virtual bool doubleSided() const = 0;
    // Last, so it adds slots after the five above without moving them: a
    // factory may delete its sources through this interface.
    virtual ~FacetSource() = default;
};

// The host's source of facets. Register it with PelmoraRegisterFacetFactory
// and pass the handle as hTorvelMeshFactory to newSolidMeshFromHandle or
// newWireMeshFromHandle.
//
// Repeated parts: give every instance of one part the same hTorvelMesh (with
// the same factory), one mesh per instance, each under the frame that places
// it. Such meshes share what the facets make: the factory is asked once per
// deviation, by whichever instance needs it first (also on the worker
// thread), and one copy of the facets and one set of vertex and index
// buffers serve them all. Each mesh keeps its own frame transform, colour,
// visibility, picks, projections and view culling, and releasing one leaves
// the others as they were. refreshMesh on one instance fetches anew; the
// instances refreshed after it take what it fetched. A solid and a wire mesh
// on one hTorvelMesh share nothing (their lists are read differently).
// Different parts need different hTorvelMesh values: a host mesh's facets
// are taken to be the same whichever instance asks.
class FacetFactory {
public:
    // Reserved; Pelmora never calls it and a host need not override it.
    virtual void reserved() {}
    // Facets of hostMesh at a refinement deviation (what the deviation means
    // is the factory's choice; the sample kernel reads it as the largest angle
    // in degrees one facet may span). In automatic refinement the deviation
    // is one of 0.25, 0.5, 1, 2, 4, 8, 16 and 120, larger as the view widens,
    // and a mesh asks for each deviation once and keeps what it got; in
    // manual refinement it is the level's (60 / level, at most 20). manual is
    // 1 when the viewport is in manual refinement (or the mesh is being
    // refreshed, or picked without a viewport), else 0. Called on the
    // host's thread, inside the Pelmora call that needed the facets (a
    // render, pick, projection, refreshMesh or mesh-provider read); a
    // factory registered with PelmoraRegisterThreadSafeFacetFactory is also
    // called on a worker thread for automatic refinement (see there). Set
    // *source to a facet set and return S_OK, or leave it null: a failing
    // status is logged, and either way the mesh keeps the geometry it had in
    // automatic mode. Every source handed out comes back through
    // releaseFacets (pelmora::FacetLedger, helpers.h, keeps that account).
    //
    // A source whose counts do not fit its data (a null list or vertex array
    // with a non-zero count, a negative count, a face running past the end of
    // the list or without the closing 0) is refused whole with a log line;
    // faces naming vertices outside the vertex array are dropped one by one.
    //
    // The factory may call Pelmora back. Objects it releases (the mesh being
    // tessellated, its frames, the viewport, even the context) disappear for
    // the host at once and are destroyed when the outermost Pelmora call
    // returns. Refreshing or refining the mesh being tessellated gives
    // E_ACCESSDENIED, and so does a newViewport that would need the device
    // created anew (a lost device is created anew only after the factory
    // has returned).
    virtual HRESULT getFacets(int hostMesh, double deviation, int manual,
                              FacetSource** source) = 0;
    // Takes back a source from getFacets, after Pelmora has copied it.
    virtual void releaseFacets(FacetSource* source) = 0;

protected:
    // The host owns its factory and deletes it as its own type.
    ~FacetFactory() = default;
};

// Gives the factory a 32-bit handle (never 0) for hTorvelMeshFactory. The
// factory is not copied or owned. 0 for a null factory or when no handle is
// left. Registering the same factory twice gives two handles.
PELMORA_API int PelmoraRegisterFacetFactory(FacetFactory* factory);

// The same, for a factory that may be called from a thread of Pelmora's own.
// When the refinement deviation of an automatic view changes, a mesh that has
// geometry to show asks such a factory on a worker thread and goes on
// drawing what it has; the new facets appear at the first frame after they
// arrive. Each (mesh, deviation) is still asked once. Everything else stays
// on the host's thread, inside the call that needs the facets: a mesh's
// first facets, manual refinement, refreshMesh, provider reads, and picks
// and projections (which wait for an answer already on its way rather than
// ask again). On the worker, getFacets and releaseFacets are called one
// request at a time, with manual 0, possibly while the host's thread runs
// the factory too or is inside Pelmora: the factory must guard its own
// state, and must not call Pelmora there. A failure or an exception there
// is logged at the next frame and the mesh keeps its geometry, as on the
// host's thread. Releasing the mesh or its context, unregistering the
// factory, and process exit drop requests not yet started and wait for one
// under way, so a host may delete its factory once its meshes are released
// or it is unregistered; after a release the worker rests a tenth of a
// second before its next request, so releasing many meshes in a row waits
// for one call at most. At exit the worker stops before any static object
// made before the factory was registered is destroyed (the factory itself
// included, however it was made: each registration moves the stop after
// every exit handler so far). A factory whose getFacets relies on a static
// made after its registration (a function-local static first used there),
// or one that registers itself in its own constructor, unregisters itself
// in its destructor: that waits for the call under way. 0 for a null
// factory or when no handle is left.
PELMORA_API int PelmoraRegisterThreadSafeFacetFactory(FacetFactory* factory);

// Retires a factory handle: meshes built on it fetch nothing more (their
// requests fail with E_HANDLE) and the handle is never issued again. A
// thread-safe factory's requests not yet started are dropped, and one under
// way is waited for. S_OK, or E_HANDLE for 0, an unknown or an already
// retired handle.
PELMORA_API HRESULT PelmoraUnregisterFacetFactory(int hFactory);

// The facets that Pelmora's meshes hold, read back by the host. Every
// host-backed mesh is listed under its (factory handle, host mesh) pair.
class IMeshProvider {
public:
    // The current geometry of the first mesh created on (factory, hostMesh),
    // fetched from the factory first if the mesh has none yet. *source is
    // null, with S_OK, when no mesh is listed under the pair. The source
    // reads the mesh as it is at each call (its pointers stay valid until the
    // mesh next changes geometry) and reads as empty once the mesh is
    // destroyed, also when that happens because the context is released (a
    // source still held then cannot be freed any more; it stays, empty,
    // until the process ends). E_POINTER for a null out pointer.
    virtual HRESULT getFacets(int factory, int hostMesh, FacetSource** source) = 0;
    // Frees a source from getFacets. S_OK, also for null; E_INVALIDARG for a
    // pointer this provider did not hand out (or already freed).
    virtual HRESULT releaseFacets(FacetSource* source) = 0;

protected:
    // Lives as long as its context; never deleted by the host.
    ~IMeshProvider() = default;
};

// The provider behind the handle IDXContext::getTorvelMeshProvider returns,
// or null for any other value (and once its context is released).
PELMORA_API IMeshProvider* PelmoraGetMeshProvider(int hMeshProvider);

// ---------------------------------------------------------------------------
// Reading the scene back.
//
// What a render walk meets under a frame, and the deviation a viewport's
// meshes are drawn at, for hosts that walk the tree themselves: the picking
// and fitting helpers of helpers.h are built on these.

// How a visual is drawn and picked.
enum PelmoraVisualKind : int32_t {
    // A frame, listed as a child or as a visual (it draws the same either way).
    PELMORA_VISUAL_FRAME = 1,
    // A mesh picked along a ray in its own space (pickMesh): solid meshes,
    // host facet meshes and line meshes.
    PELMORA_VISUAL_MESH = 2,
    // Picked by pixel around the screen position of its frame's origin.
    PELMORA_VISUAL_BILLBOARD = 3,
    // A picture on a rectangle of its frame; pickMesh never hits it.
    PELMORA_VISUAL_DECAL = 4,
};

// Why a render skips a visual: bits of PelmoraVisualInfo::flags.
enum PelmoraVisualFlags : int32_t {
    // setVisible with anything but VARIANT_TRUE. A hidden frame skips its
    // whole subtree; a hidden mesh still draws in a render with forceRender.
    PELMORA_VISUAL_HIDDEN = 1,
    // setNeverRenderMesh: the mesh is never drawn again.
    PELMORA_VISUAL_NEVER_RENDER = 2,
};

struct PelmoraVisualInfo {
    int handle;
    int kind;   // a PelmoraVisualKind
    int flags;  // PelmoraVisualFlags bits, 0 for a visual every render draws
};

// What one frame or visual handle names. E_POINTER for a null info, E_HANDLE
// for 0, a released handle or one that names no frame or visual.
PELMORA_API HRESULT PelmoraGetVisualInfo(int hVisual, PelmoraVisualInfo* info);

// What a frame lists, in the order a render walks it: its visuals in the
// order they were added, then its child frames. Up to `capacity` entries go
// to `entries`; *count receives how many there are in all, so a first call
// with capacity 0 (entries may then be null) sizes the array. A frame or
// mesh listed twice appears twice, as it draws twice. E_POINTER for a null
// count, E_INVALIDARG for a negative capacity or a null array with room
// asked for, E_HANDLE for a handle that names no frame.
PELMORA_API HRESULT PelmoraGetFrameContents(int hFrame, PelmoraVisualInfo* entries, int capacity,
                                            int* count);

// The refinement deviation host facet meshes are drawn at in this viewport
// now, which is what the next render asks factories for: in manual
// refinement the level's deviation; otherwise the automatic step that the
// view plane, front plane and projection give (one of 0.25, 0.5, 1, 2, 4,
// 8, 16 and 120, growing as the view widens). It follows every change of
// plane, front, projection and refinement mode at once. E_POINTER for a null
// out pointer, E_HANDLE for a handle that names no viewport.
PELMORA_API HRESULT PelmoraGetViewportDeviation(int hViewport, double* deviation);

// ---- Scene pick and rectangle selection ----
// Both walk the tree under a root frame as a render of it does: each frame's
// local transform composed onto its parent's world (the render's own
// arithmetic), hidden frames skipped with their subtrees, never-rendered
// meshes skipped, hidden meshes skipped unless PELMORA_PICK_HIDDEN is set. A
// mesh hung in several frames is found in each on its own.

// A mesh found: the mesh and the frame whose drawing of it was found, and
// for a pick the world point hit and its distance from the front plane along
// the line of sight, in world units.
struct PelmoraSceneHit {
    int mesh;  // 0 when nothing was hit
    int frame;
    double x, y, z;
    double distance;
};

// Bits of the flags argument.
enum PelmoraPickFlags : int32_t {
    PELMORA_PICK_HIDDEN = 1,  // hidden meshes count too, as forceRender draws them
};

// The nearest mesh under pixel (x, y) (its top-left corner, as
// getSelectionRay takes it), with the crossing between the front and back
// planes. Each mesh is picked as pickMesh picks it, in its own space at the
// viewport's deviation (billboards around their anchor, lines within
// lineThreshold world units); meshes whose box the line of sight misses are
// not asked. S_OK with hit->mesh 0 when nothing is hit; E_POINTER for a null
// hit; E_HANDLE for a handle that names no viewport or no frame;
// E_INVALIDARG for unknown flags or a threshold that is not a number.
PELMORA_API HRESULT PelmoraPickScene(int hViewport, int hRootFrame, int x, int y, double lineThreshold,
                                     int flags, PelmoraSceneHit* hit);

// How a rectangle selects.
enum PelmoraSelectionMode : int32_t {
    PELMORA_SELECT_INSIDE = 0,    // every vertex of the mesh projects inside
    PELMORA_SELECT_CROSSING = 1,  // some vertex does
};

// The meshes selected by the window-pixel rectangle [left, right) x [top,
// bottom) (given either way round), judged by where their vertices project
// in the last render's view (a vertex behind the eye is outside). Meshes
// without vertices of their own (billboards, decals, grids, dots) are not
// selected. Up to `capacity` go to `selected` (x, y, z and distance 0), in
// the walk's order; *count receives how many there are in all. E_POINTER for
// a null count; E_INVALIDARG for a negative capacity, a null array with room
// asked for, an unknown mode or flags; E_HANDLE as for the pick.
PELMORA_API HRESULT PelmoraSelectRectangle(int hViewport, int hRootFrame, int left, int top, int right,
                                           int bottom, int mode, int flags, PelmoraSceneHit* selected,
                                           int capacity, int* count);
