// The library's own connection to the X server: opened on first use from
// $DISPLAY, shared by every attached window, never closed. X errors raised by
// Pelmora's requests are trapped and turned into failures instead of reaching
// Xlib's default handler, which would end the process.
#pragma once

#include <X11/Xlib.h>

#include <mutex>

namespace pelmora::win {

class X11WindowConnection {
public:
    // The connection, opened now if need be; null (with a log line) when no
    // display can be opened.
    static X11WindowConnection* get();

    Display* display() const { return display_; }

    // Every use of the display happens under this lock.
    std::mutex& mutex() { return mutex_; }

    // Runs Xlib requests, waits for the server to handle them and says
    // whether it raised an error for any; the code of the first one goes to
    // *errorCode. Call with the lock held.
    template <class Requests>
    bool trapErrors(Requests&& requests, int* errorCode = nullptr) {
        beginTrap();
        requests();
        return endTrap(errorCode);
    }

    // Shared memory is offered by the server and has not failed.
    bool sharedMemoryUsable() const { return sharedMemory_; }
    void disableSharedMemory() { sharedMemory_ = false; }

private:
    explicit X11WindowConnection(Display* display);

    void beginTrap();
    bool endTrap(int* errorCode);
    static int onError(Display* display, XErrorEvent* event);

    Display* display_;
    std::mutex mutex_;
    bool sharedMemory_ = false;
};

}  // namespace pelmora::win
