#include "X11Session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>

#include <poll.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>

namespace viewer {

namespace {

Display* display = nullptr;
::Window xwindow = 0;
Atom deleteWindow = 0;

using Clock = std::chrono::steady_clock;
constexpr double kWheelStep = 0.85;
constexpr int kRefreshMilliseconds = 100;  // frames while the model refines
constexpr int kBarHeight = 6;
constexpr int kClickSlop = 3;  // pixels a click may move and stay a click

struct Drag {
    unsigned button = 0;
    int startX = 0, startY = 0, lastX = 0, lastY = 0;
    bool moved = false;
};

// What a key does; false to quit.
bool onKey(ModelView* view, KeySym key, const std::string& stem, int* snapshots) {
    if (key == XK_q || key == XK_Escape) return false;
    if (key == XK_f) view->fit();
    if (key == XK_s) {
        const std::string name = stem + "-" + std::to_string(++*snapshots) + ".png";
        std::printf("%s %s\n", FAILED(view->save(name)) ? "could not save" : "saved", name.c_str());
        std::fflush(stdout);  // answered at once, also into a pipe
    }
    return true;
}

// What a mouse event does; true when the view changed.
bool onPointer(ModelView* view, const XEvent& event, Drag* drag) {
    if (event.type == ButtonPress && (event.xbutton.button == Button4 || event.xbutton.button == Button5)) {
        view->zoomAt(event.xbutton.x, event.xbutton.y, event.xbutton.button == Button4 ? kWheelStep : 1.0 / kWheelStep);
        return true;
    }
    if (event.type == ButtonPress) {
        *drag = Drag{event.xbutton.button, event.xbutton.x, event.xbutton.y, event.xbutton.x, event.xbutton.y, false};
        return false;
    }
    if (event.type == MotionNotify && drag->button != 0) {
        const int x = event.xmotion.x, y = event.xmotion.y;
        drag->moved = drag->moved || std::abs(x - drag->startX) + std::abs(y - drag->startY) > kClickSlop;
        if (!drag->moved) return false;
        if (drag->button == Button1) view->orbit(x - drag->lastX, y - drag->lastY);
        if (drag->button == Button2) view->pan(x - drag->lastX, y - drag->lastY);
        drag->lastX = x;
        drag->lastY = y;
        return true;
    }
    if (event.type == ButtonRelease && event.xbutton.button == drag->button) {
        const bool click = drag->button == Button1 && !drag->moved;
        drag->button = 0;
        if (!click) return false;
        const std::string name = view->pick(event.xbutton.x, event.xbutton.y);
        std::printf("%s\n", name.empty() ? "(nothing here)" : name.c_str());
        std::fflush(stdout);
        return true;
    }
    return false;
}

}  // namespace

bool openX11Window(const ViewerOptions& options, int* window, std::string* error) {
    display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        *error = name && *name ? std::string("cannot open the X display ") + name
                               : "no X display: $DISPLAY is not set (use -o FILE.png to render without one)";
        return false;
    }
    const int screen = DefaultScreen(display);
    xwindow = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(options.width),
                                  unsigned(options.height), 0, BlackPixel(display, screen),
                                  BlackPixel(display, screen));
    // A fixed size: the viewport is made for the window's size once.
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = options.width;
    hints.min_height = hints.max_height = options.height;
    XSetWMNormalHints(display, xwindow, &hints);
    XStoreName(display, xwindow, ("pelmora-view: " + options.file).c_str());
    deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, xwindow, &deleteWindow, 1);
    XSelectInput(display, xwindow, ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                                       PointerMotionMask | StructureNotifyMask);
    XMapWindow(display, xwindow);
    XSync(display, False);
    *window = PelmoraAttachX11Window(xwindow);
    if (*window == 0) *error = "could not attach the X window";
    return *window != 0;
}

namespace {

// Events waiting, after at most `milliseconds` (-1: until one comes).
bool waitForEvents(int milliseconds) {
    if (XPending(display) > 0) return true;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    return poll(&connection, 1, milliseconds) > 0;
}

// The refinement's progress, over the picture's bottom rows.
void drawProgressBar(const ViewerOptions& options, double fraction) {
    const GC gc = XCreateGC(display, xwindow, 0, nullptr);
    const int filled = int(options.width * std::clamp(fraction, 0.0, 1.0));
    XSetForeground(display, gc, 0x30343Au);
    XFillRectangle(display, xwindow, gc, filled, options.height - kBarHeight, unsigned(options.width - filled),
                   kBarHeight);
    XSetForeground(display, gc, 0x3C8CE6u);
    XFillRectangle(display, xwindow, gc, 0, options.height - kBarHeight, unsigned(filled), kBarHeight);
    XFreeGC(display, gc);
    XFlush(display);
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The processor time of every thread of the process so far, in seconds.
double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct OrbitFrame {
    double milliseconds;           // by the clock
    double processorMilliseconds;  // of every thread: on a shared machine the steadier of the two
};

// Orbits the refined model a full turn over `frames` frames; the time of one.
OrbitFrame orbitFrame(ModelView* view, int frames) {
    const Clock::time_point start = Clock::now();
    const double processorStart = processorSeconds();
    for (int frame = 0; frame < frames; ++frame) {
        view->orbit(720 / frames + 1, 0);
        view->draw();
    }
    XSync(display, False);
    return {secondsSince(start) * 1000.0 / frames, (processorSeconds() - processorStart) * 1000.0 / frames};
}

}  // namespace

void runX11Loop(ModelView* view, const ViewerOptions& options, const pelmora::occt::Progress& progress,
                Clock::time_point started) {
    const std::string name = options.file.substr(options.file.find_last_of('/') + 1);
    const std::string stem = name.substr(0, name.rfind('.'));
    Drag drag;
    int snapshots = 0;
    bool shown = false, refining = false;
    for (bool running = true; running;) {
        const bool wasRefining = refining;
        refining = shown && view->refining();
        bool redraw = refining || wasRefining;
        if (waitForEvents(redraw ? kRefreshMilliseconds : -1)) {
            while (running && XPending(display) > 0) {  // take every queued event, then draw once
                XEvent event;
                XNextEvent(display, &event);
                if (event.type == ClientMessage && Atom(event.xclient.data.l[0]) == deleteWindow) running = false;
                else if (event.type == KeyPress)
                    running = onKey(view, XLookupKeysym(&event.xkey, 0), stem, &snapshots), redraw = true;
                else if (event.type == Expose || event.type == MapNotify) redraw = true;
                else redraw = onPointer(view, event, &drag) || redraw;
            }
        }
        if (!running || !redraw) continue;
        view->draw();
        if (refining || !shown) drawProgressBar(options, view->refined());
        if (shown) {
            if (options.benchOrbitFrames > 0 && wasRefining && !refining) {
                std::fprintf(stderr, "refined picture: %.3f s\n", secondsSince(started));
                const OrbitFrame orbit = orbitFrame(view, options.benchOrbitFrames);
                std::fprintf(stderr, "orbit: %.2f ms a frame, %.2f ms of processor time\n", orbit.milliseconds,
                             orbit.processorMilliseconds);
                running = false;
            }
            continue;
        }
        XSync(display, False);
        if (options.benchOrbitFrames > 0) std::fprintf(stderr, "first picture: %.3f s\n", secondsSince(started));
        shown = true;
        view->refine(progress);
    }
    XDestroyWindow(display, xwindow);
    XCloseDisplay(display);
}

}  // namespace viewer
