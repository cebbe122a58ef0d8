// Facet requests of thread-safe factories answered on one worker thread, so
// that a render never waits for the kernel: the worker only calls the
// factory and copies what it hands out; the mesh turns the copy into its
// geometry, and makes buffers of it, on the host's thread. The thread starts
// at the first request and is stopped at process exit, after the request
// under way (if any) is answered, and before any static object made before
// the last thread-safe factory was registered is destroyed.
#pragma once

#include "facets/CopiedFacets.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace pelmora {

// One request: what to ask, and the answer once `done` is set.
struct FacetFetch {
    FacetFactory* factory = nullptr;
    int factoryHandle = 0;
    int hostMesh = 0;
    double deviation = 0.0;
    // Written before `done` is set, read only after.
    HRESULT status = S_OK;  // the factory's; S_FALSE for no facets, E_ABORT when dropped
    bool threw = false;     // the factory threw instead of answering
    std::unique_ptr<CopiedFacets> facets;
    std::atomic<bool> done{false};
};

class FacetFetchWorker {
public:
    static FacetFetchWorker& instance();

    // Queues a request for the factory behind the handle (resolved by the
    // caller). Null once the process is ending: the caller then asks itself.
    std::shared_ptr<FacetFetch> submit(FacetFactory* factory, int factoryHandle, int hostMesh,
                                       double deviation);
    // Returns once the request is answered (or dropped).
    void wait(const FacetFetch& fetch);
    // Drops a request not yet started; waits for one under way. The worker
    // then rests a moment before its next request, so that a host releasing
    // meshes one after another waits for one call at most, not one per mesh
    // (each next request would otherwise have started just before its mesh
    // is released).
    void cancel(const std::shared_ptr<FacetFetch>& fetch);
    // Makes the exit stop the worker before any static object made so far
    // is destroyed (exit handlers run in the reverse order of registration):
    // called whenever a thread-safe factory is registered, so the factory and
    // whatever it was made from outlive the worker.
    void stopBeforeStaticsMadeSoFar();
    // Drops every waiting request of the factory (answered E_HANDLE) and
    // waits for its request under way: afterwards the worker does not touch
    // the factory again.
    void retireFactory(int factoryHandle);

    // While one lives, the worker starts no new request. Held while a context
    // destroys its meshes: each mesh waits for its own request under way, and
    // without the pause the worker would start the next mesh's request just
    // before that mesh is cancelled, one whole request per mesh.
    class Pause {
    public:
        Pause();
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;
    };

private:
    FacetFetchWorker() = default;
    void run();
    static void answer(FacetFetch& fetch);
    // Answers a request without asking (the lock held).
    void drop(FacetFetch& fetch, HRESULT status);
    bool onWorker() const { return std::this_thread::get_id() == thread_.get_id(); }
    // False in a child forked after the thread started: the child has no
    // such thread, so nothing there waits for it.
    bool workerHere() const { return thread_.joinable() && getpid() == workerProcess_; }
    // Waits, the lock held, while the request under way passes the test.
    template <class Test>
    void waitWhileRunning(std::unique_lock<std::mutex>& lock, Test&& test);
    static void stopAtExit();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable answered_;
    std::deque<std::shared_ptr<FacetFetch>> queue_;
    std::shared_ptr<FacetFetch> running_;
    bool stopping_ = false;
    int paused_ = 0;
    // No request starts before this (the rest after a cancel).
    std::chrono::steady_clock::time_point resumeAt_{};
    std::thread thread_;
    pid_t workerProcess_ = 0;
};

}  // namespace pelmora
