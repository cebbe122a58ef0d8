#include "core/DeferredDestruction.h"

#include "core/GuardedCall.h"

#include <utility>
#include <vector>

namespace pelmora {

namespace {

// Calls arrive on the host's thread; a nested call is always on the same
// thread as the call it is nested in, so the counts are per thread.
struct ThreadState {
    int hostCodeDepth = 0;
    int interfaceCallDepth = 0;
    std::vector<std::function<void()>> pending;
};

ThreadState& state() {
    thread_local ThreadState current;
    return current;
}

void runPending(ThreadState& current) {
    // Counted as a call of its own, so that calls made by the destructors
    // do not start a second round underneath this one.
    ++current.interfaceCallDepth;
    while (!current.pending.empty()) {
        std::vector<std::function<void()>> batch;
        batch.swap(current.pending);
        for (auto& destroy : batch) {
            guardedCall(PELMORA_SOURCE_FILE, __LINE__, [&]() -> HRESULT {
                destroy();
                return S_OK;
            });
        }
    }
    --current.interfaceCallDepth;
}

}  // namespace

DeferredDestruction::HostCode::HostCode() { ++state().hostCodeDepth; }

DeferredDestruction::HostCode::~HostCode() { --state().hostCodeDepth; }

DeferredDestruction::InterfaceCall::InterfaceCall() { ++state().interfaceCallDepth; }

DeferredDestruction::InterfaceCall::~InterfaceCall() {
    ThreadState& current = state();
    if (--current.interfaceCallDepth == 0 && current.hostCodeDepth == 0 &&
        !current.pending.empty())
        runPending(current);
}

bool DeferredDestruction::hostCodeRunning() { return state().hostCodeDepth > 0; }

void DeferredDestruction::destroyWhenSafe(std::function<void()> destroy) {
    if (!destroy) return;
    ThreadState& current = state();
    if (current.hostCodeDepth > 0) {
        current.pending.push_back(std::move(destroy));
        return;
    }
    destroy();
}

size_t DeferredDestruction::pendingCount() { return state().pending.size(); }

}  // namespace pelmora
