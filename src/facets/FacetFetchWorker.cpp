#include "facets/FacetFetchWorker.h"

#include <algorithm>
#include <cstdlib>

namespace pelmora {

namespace {

// Long against a loop of releases on the host's thread, short against a
// zoom's refinement.
constexpr std::chrono::milliseconds kRestAfterCancel{100};

}  // namespace

FacetFetchWorker& FacetFetchWorker::instance() {
    // Never destroyed: meshes released during static destruction still cancel.
    static auto* worker = new FacetFetchWorker();
    return *worker;
}

std::shared_ptr<FacetFetch> FacetFetchWorker::submit(FacetFactory* factory, int factoryHandle,
                                                     int hostMesh, double deviation) {
    auto fetch = std::make_shared<FacetFetch>();
    fetch->factory = factory;
    fetch->factoryHandle = factoryHandle;
    fetch->hostMesh = hostMesh;
    fetch->deviation = deviation;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return nullptr;
        if (!thread_.joinable()) {
            workerProcess_ = getpid();
            thread_ = std::thread([this] { run(); });
            std::atexit(stopAtExit);
        }
        if (!workerHere()) return nullptr;
        queue_.push_back(fetch);
    }
    wake_.notify_one();
    return fetch;
}

void FacetFetchWorker::wait(const FacetFetch& fetch) {
    std::unique_lock<std::mutex> lock(mutex_);
    // A factory waiting for itself would never return, nor would a forked child.
    if (onWorker() || !workerHere()) return;
    answered_.wait(lock, [&] { return fetch.done.load(); });
}

void FacetFetchWorker::cancel(const std::shared_ptr<FacetFetch>& fetch) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto queued = std::find(queue_.begin(), queue_.end(), fetch);
    if (queued != queue_.end()) {
        drop(*fetch, E_ABORT);
        queue_.erase(queued);
    } else {
        // Paused while waiting, lest the next request start the moment this one ends.
        ++paused_;
        waitWhileRunning(lock, [&](const FacetFetch& running) { return &running == fetch.get(); });
        --paused_;
    }
    resumeAt_ = std::chrono::steady_clock::now() + kRestAfterCancel;
    lock.unlock();
    wake_.notify_one();
}

void FacetFetchWorker::retireFactory(int factoryHandle) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto retired = [&](const std::shared_ptr<FacetFetch>& fetch) {
        if (fetch->factoryHandle != factoryHandle) return false;
        drop(*fetch, E_HANDLE);
        return true;
    };
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(), retired), queue_.end());
    waitWhileRunning(lock, [&](const FacetFetch& running) {
        return running.factoryHandle == factoryHandle;
    });
}

template <class Test>
void FacetFetchWorker::waitWhileRunning(std::unique_lock<std::mutex>& lock, Test&& test) {
    if (onWorker() || !workerHere()) return;
    answered_.wait(lock, [&] { return !running_ || !test(*running_); });
}

void FacetFetchWorker::drop(FacetFetch& fetch, HRESULT status) {
    fetch.status = status;
    fetch.done.store(true);
    answered_.notify_all();
}

void FacetFetchWorker::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (paused_ == 0 && !queue_.empty()); });
        if (stopping_) return;
        if (std::chrono::steady_clock::now() < resumeAt_) {
            wake_.wait_until(lock, resumeAt_, [&] { return stopping_; });
            continue;
        }
        running_ = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        answer(*running_);
        lock.lock();
        running_->done.store(true);
        running_.reset();
        answered_.notify_all();
    }
}

void FacetFetchWorker::answer(FacetFetch& fetch) {
    FacetSource* source = nullptr;
    try {
        fetch.status = fetch.factory->getFacets(fetch.hostMesh, fetch.deviation, 0, &source);
        if (SUCCEEDED(fetch.status) && source != nullptr)
            fetch.facets = std::make_unique<CopiedFacets>(*source);
        else if (SUCCEEDED(fetch.status))
            fetch.status = S_FALSE;
    } catch (...) {
        fetch.threw = true;
        fetch.status = E_FAIL;
        fetch.facets.reset();
    }
    // Every source handed out goes back, whatever happened to it here.
    if (source != nullptr) {
        try {
            fetch.factory->releaseFacets(source);
        } catch (...) {
            fetch.threw = true;
        }
    }
}

FacetFetchWorker::Pause::Pause() {
    FacetFetchWorker& worker = instance();
    std::lock_guard<std::mutex> lock(worker.mutex_);
    ++worker.paused_;
}

FacetFetchWorker::Pause::~Pause() {
    FacetFetchWorker& worker = instance();
    {
        std::lock_guard<std::mutex> lock(worker.mutex_);
        --worker.paused_;
    }
    worker.wake_.notify_one();
}

void FacetFetchWorker::stopBeforeStaticsMadeSoFar() { std::atexit(stopAtExit); }

void FacetFetchWorker::stopAtExit() {
    FacetFetchWorker& worker = instance();
    {
        std::lock_guard<std::mutex> lock(worker.mutex_);
        worker.stopping_ = true;
        for (const auto& fetch : worker.queue_) worker.drop(*fetch, E_ABORT);
        worker.queue_.clear();
    }
    worker.wake_.notify_all();
    // The request under way is answered first: its factory may be a static
    // the host destroys after this.
    if (worker.workerHere() && !worker.onWorker()) worker.thread_.join();
}

}  // namespace pelmora
