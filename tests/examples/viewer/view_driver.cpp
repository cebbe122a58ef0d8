// Drives pelmora-view's window on the test X server as a user would: a
// click picks and highlights a body (its name on standard output, the
// highlight colour on screen), the wheel, drags and f change the view, s
// writes a snapshot, q quits with status 0, and the time between events
// never counts against the viewer's time limit. Exit 77 (skipped) without
// an X display.
//     view_driver VIEWER FILE.step WORK_DIR
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr int kWidth = 320, kHeight = 240;
int failures = 0;

void check(bool ok, const std::string& what) {
    if (!ok) {
        std::printf("FAIL: %s\n", what.c_str());
        ++failures;
    }
}

Window findViewer(Display* display) {
    for (int attempt = 0; attempt < 600; ++attempt) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(display, children[i], &name) && name &&
                std::strncmp(name, "pelmora-view:", 13) == 0 &&
                XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
                found = children[i];
            if (name) XFree(name);
        }
        if (children) XFree(children);
        if (found) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}

void send(Display* display, Window window, XEvent event) {
    event.xany.window = window;
    XSendEvent(display, window, True, NoEventMask, &event);
    XFlush(display);
}

void button(Display* display, Window window, int type, unsigned which, int x, int y) {
    XEvent event{};
    event.xbutton = XButtonEvent{type, 0, True, display, window, DefaultRootWindow(display), 0, CurrentTime,
                                 x, y, x, y, 0, which, True};
    send(display, window, event);
}

void motion(Display* display, Window window, unsigned state, int x, int y) {
    XEvent event{};
    event.xmotion = XMotionEvent{MotionNotify, 0, True, display, window, DefaultRootWindow(display), 0,
                                 CurrentTime, x, y, x, y, state, NotifyNormal, True};
    send(display, window, event);
}

void key(Display* display, Window window, KeySym symbol) {
    XEvent event{};
    event.xkey = XKeyEvent{KeyPress, 0, True, display, window, DefaultRootWindow(display), 0, CurrentTime,
                           1, 1, 1, 1, 0, XKeysymToKeycode(display, symbol), True};
    send(display, window, event);
}

// The next line the viewer prints that passes a test (the engine's log
// lines share its standard output), or "" after 60 s.
std::string nextLine(int fd, bool (*wanted)(const std::string&)) {
    for (;;) {
        std::string line;
        char c = 0;
        pollfd wait{fd, POLLIN, 0};
        bool more = true;
        while ((more = poll(&wait, 1, 60000) > 0 && read(fd, &c, 1) == 1) && c != '\n') line += c;
        if (wanted(line)) return line;
        if (!more) return "";
    }
}

bool isPick(const std::string& line) {
    for (const char* name : {"Base plate", "Bracket ", "Bearing ring ", "Shaft", "Bolt ", "(nothing here)"})
        if (line.rfind(name, 0) == 0) return true;
    return false;
}

bool isSave(const std::string& line) { return line.rfind("saved ", 0) == 0 || line.rfind("could not", 0) == 0; }

int highlightedPixels(Display* display, Window window) {
    XImage* image = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) return 0;
    int count = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            count += r > 150 && g > 60 && g < 190 && b < 90 && r > g + 40;  // the orange highlight, shaded
        }
    XDestroyImage(image);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::printf("no X display: skipped\n");
        return 77;
    }
    int out[2];
    if (pipe(out) != 0) return 2;
    const pid_t viewer = fork();
    if (viewer == 0) {
        dup2(out[1], 1);
        close(out[0]);
        if (chdir(argv[3]) != 0) _exit(3);
        // A time limit well below the pauses between the events here: time
        // spent waiting for the user must not count against it.
        execl(argv[1], argv[1], argv[2], "--window", "--size", "320x240", "--time-limit", "1.5",
              static_cast<char*>(nullptr));
        _exit(3);
    }
    close(out[1]);
    const Window window = findViewer(display);
    check(window != 0, "the viewer's window appears");
    if (window) {
        const int before = highlightedPixels(display, window);
        button(display, window, ButtonPress, Button1, kWidth / 2, kHeight / 2);
        button(display, window, ButtonRelease, Button1, kWidth / 2, kHeight / 2);
        const std::string picked = nextLine(out[0], isPick);
        check(!picked.empty() && picked != "(nothing here)", "a click names a body, not: " + picked);
        std::this_thread::sleep_for(std::chrono::seconds(2));  // the redraw after the pick
        const int after = highlightedPixels(display, window);
        check(after > before + 100, "the picked body shows highlighted (" + std::to_string(before) + " -> " +
                                        std::to_string(after) + " orange pixels)");
        for (int i = 0; i < 3; ++i) button(display, window, ButtonPress, Button4, 100, 90);
        button(display, window, ButtonPress, Button1, 160, 120);
        motion(display, window, Button1Mask, 200, 140);
        button(display, window, ButtonRelease, Button1, 200, 140);
        button(display, window, ButtonPress, Button2, 160, 120);
        motion(display, window, Button2Mask, 150, 110);
        button(display, window, ButtonRelease, Button2, 150, 110);
        key(display, window, XK_f);
        key(display, window, XK_s);
        const std::string saved = nextLine(out[0], isSave);
        struct stat file{};
        check(saved == "saved demo-assembly-1.png", "s saves a snapshot, not: " + saved);
        check(stat((std::string(argv[3]) + "/demo-assembly-1.png").c_str(), &file) == 0 && file.st_size > 0,
              "the snapshot file is written");
        key(display, window, XK_q);
    }
    int status = -1;
    for (int i = 0; i < 300 && waitpid(viewer, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!WIFEXITED(status)) kill(viewer, SIGKILL), waitpid(viewer, &status, 0);
    check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "q ends the viewer with status 0");
    XCloseDisplay(display);
    std::printf("%s\n", failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
