// What a Linux host needs besides IDXContext: the registry calls that hold
// Pelmora's switches (and the host's own settings), backed by files.
#pragma once

#include <pelmora/automation.h>

// Registry. Keys are opened relative to a predefined root or an open key;
// paths use backslashes. The store is one text file per root, under
// $PELMORA_REGISTRY_DIR, else $XDG_CONFIG_HOME/torvel/registry, else
// ~/.config/torvel/registry. Every write reaches the file before it returns.
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

PELMORA_API LSTATUS RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved,
                                    char* lpClass, DWORD dwOptions, REGSAM samDesired,
                                    const void* lpSecurityAttributes, HKEY* phkResult,
                                    DWORD* lpdwDisposition);
PELMORA_API LSTATUS RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions,
                                  REGSAM samDesired, HKEY* phkResult);
PELMORA_API LSTATUS RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved,
                                     DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
PELMORA_API LSTATUS RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved,
                                   DWORD dwType, const BYTE* lpData, DWORD cbData);
PELMORA_API LSTATUS RegDeleteValueA(HKEY hKey, const char* lpValueName);
PELMORA_API LSTATUS RegDeleteKeyA(HKEY hKey, const char* lpSubKey);
PELMORA_API LSTATUS RegCloseKey(HKEY hKey);

// Adds a line of the host's own to Pelmora's error log: the text goes, verbatim,
// to standard output and, when file logging is on, to "Pelmora.log".
PELMORA_API void PelmoraLogMessage(const char* text);

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

// The client-area image of an offscreen window. The pixels are packed (the
// row stride is the width) and stay valid until the next present into the
// window or its destruction. E_HANDLE for an unknown window, E_POINTER for a
// null out pointer, E_NOTIMPL for an attached X11 window (read those back
// from the X server).
PELMORA_API HRESULT PelmoraGetWindowImage(int hWnd, int* width, int* height,
                                          const uint32_t** pixels);

// The size of a window's client area: the offscreen size, or the X window's
// current size. E_HANDLE for an unknown window (or an X window that is gone),
// E_POINTER for a null out pointer.
PELMORA_API HRESULT PelmoraGetClientRect(int hWnd, int* width, int* height);

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
