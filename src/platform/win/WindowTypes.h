// The plain window-system records every layer above shares: window and
// device-context handles, rectangles and points, with the platform's names.
#pragma once

#include <pelmora/automation.h>

typedef int HWND;  // window handle from the window layer
typedef int HDC;   // device-context handle from the GDI layer

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};
