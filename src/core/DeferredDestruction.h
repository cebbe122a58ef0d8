// Destruction that waits for the host's own code to return. A facet factory
// runs inside an engine call (a render, a pick, a refresh) and may call back
// in: release the mesh being refined, the frame walking it, the viewport
// drawing it, or let go of the context itself. Those objects are on the stack
// below the host's code, so while host code runs their destruction is queued
// and carried out when the outermost interface call returns. The handle of
// such an object is retired by its releaser at once, so the host sees it gone.
#pragma once

#include <cstddef>
#include <functional>

namespace pelmora {

class DeferredDestruction {
public:
    // Marks host code running on this thread (a factory's getFacets or
    // releaseFacets) for the scope's lifetime.
    class HostCode {
    public:
        HostCode();
        ~HostCode();
        HostCode(const HostCode&) = delete;
        HostCode& operator=(const HostCode&) = delete;
    };

    // Marks an interface call. When the outermost one ends, and no host code
    // is running, what was queued is destroyed.
    class InterfaceCall {
    public:
        InterfaceCall();
        ~InterfaceCall();
        InterfaceCall(const InterfaceCall&) = delete;
        InterfaceCall& operator=(const InterfaceCall&) = delete;
    };

    // True while host code runs on this thread below an engine call: what the
    // engine may be working on must not be destroyed now.
    static bool hostCodeRunning();

    // Runs destroy now, or queues it while host code is running. Each queued
    // destruction runs guarded: a failing destructor is logged, not thrown.
    static void destroyWhenSafe(std::function<void()> destroy);

    // Destructions queued and not yet carried out on this thread.
    static size_t pendingCount();
};

}  // namespace pelmora
