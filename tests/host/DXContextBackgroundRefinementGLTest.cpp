// Refinement on the facet worker for factories registered as thread-safe:
// frames during a zoom keep the geometry they have and show the new one at
// the first frame after it arrives, each deviation asked once; releasing the
// mesh or the context, or unregistering the factory, with requests under way
// and waiting, leaves nothing behind (the sanitizer build runs this too).
#include <pelmora/pelmora.h>
#include <pelmora/helpers.h>

#include "support/MeshTestSupport.h"
#include "support/RenderedScene.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace pelmora::test;
using namespace std::chrono_literals;

constexpr int kSize = 128, kTolerance = 3;  // the rendered scene's size
constexpr uint32_t kLitRed = 0xFF0000, kBlack = 0x000000;

// A thread-safe factory handing out a square of half-size deviation / 10.
// Requests off the test's thread wait at a gate the test opens, then take
// `delay`, as a kernel tessellating a large body would. It registers and
// unregisters itself, or is left to the host to register (and then never
// unregistered); called on the worker once destroyed, it ends the process
// with status 3.
class WorkerFactory final : public FacetFactory {
public:
    enum Registration { Itself, ByTheHost };
    explicit WorkerFactory(bool gateOpen, std::chrono::milliseconds delay = 0ms, Registration registration = Itself)
        : open_(gateOpen), delay_(delay), registration_(registration),
          handle(registration == Itself ? PelmoraRegisterThreadSafeFacetFactory(this) : 0) {}
    ~WorkerFactory() {
        destroyed_ = true;
        if (registration_ == Itself) PelmoraUnregisterFacetFactory(handle);
    }

    struct Request {
        double deviation;
        bool onWorker;
        bool operator==(const Request&) const = default;
    };

    HRESULT getFacets(int, double deviation, int, FacetSource** source) override {
        const bool onWorker = std::this_thread::get_id() != testThread_;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            requests_.push_back({deviation, onWorker});
            changed_.notify_all();
            if (onWorker) changed_.wait(lock, [&] { return open_; });
        }
        if (onWorker) std::this_thread::sleep_for(delay_);
        if (destroyed_) std::_Exit(3);
        *source = ledger.handOut(squareFacets(float(deviation / 10.0)));
        return S_OK;
    }
    void releaseFacets(FacetSource* source) override { ledger.release(source); }

    void open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // True once `count` requests have reached the factory (within 10 s).
    bool reached(size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return requests_.size() >= count; });
    }
    std::vector<Request> requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

    pelmora::FacetLedger ledger;

private:
    const std::thread::id testThread_ = std::this_thread::get_id();
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Request> requests_;
    bool open_;
    std::chrono::milliseconds delay_;
    const Registration registration_;
    std::atomic<bool> destroyed_{false};

public:
    int handle;
};

class DXContextBackgroundRefinement : public RenderedScene {
protected:
    void SetUp() override {
        RenderedScene::SetUp();
        if (!HasFatalFailure()) addLight();
    }
    int hostMesh(WorkerFactory& factory, int hostMesh = 7) {
        int mesh = 0;
        EXPECT_EQ(context->newSolidMeshFromHandle(hostMesh, factory.handle, &mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(root, mesh), S_OK);
        return mesh;
    }
    void zoom(double half) { ASSERT_EQ(context->setViewportPlane(viewport, -half, half, -half, half), S_OK); }
    // The pixel showing world point (x, 0) while the plane is [-half, half].
    static uint32_t at(const Image& image, double x, double half) {
        return image.at(int((x / half + 1.0) * 0.5 * kSize), kSize / 2);
    }
    // Draws until world point (x, 0) shows lit red, 10 s at most: an answer
    // from the worker is taken in at the first frame after it arrives.
    bool appearsAt(double x, double half) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
            if (colourNear(at(draw(), x, half), kLitRed, kTolerance, nullptr)) return true;
        }
        return false;
    }
};

using Request = WorkerFactory::Request;

// The plane [-1, 1] is deviation 4 (a square of half-size 0.4), [-9, 9]
// deviation 8 (0.8): world x = 0.6 tells them apart.
TEST_F(DXContextBackgroundRefinement, FramesDuringAZoomKeepTheOldGeometryUntilTheNewArrives) {
    WorkerFactory factory(false);
    hostMesh(factory);
    draw();
    EXPECT_EQ(factory.requests(), (std::vector<Request>{{4.0, false}})) << "the first facets come at once";

    zoom(9.0);
    for (int frame = 0; frame < 3; ++frame) {
        const Image during = draw(frame == 0 ? "background_refinement_during" : "");
        EXPECT_COLOUR_NEAR(at(during, 0.0, 9.0), kLitRed, kTolerance);
        EXPECT_COLOUR_NEAR(at(during, 0.6, 9.0), kBlack, kTolerance);
    }
    ASSERT_TRUE(factory.reached(2));
    EXPECT_EQ(factory.requests(), (std::vector<Request>{{4.0, false}, {8.0, true}}));

    factory.open();
    EXPECT_TRUE(appearsAt(0.6, 9.0)) << "the new geometry shows once it has arrived";
    D3D9TestDevice::savePng(draw(), "background_refinement_after");
    EXPECT_EQ(factory.requests().size(), 2u) << "no deviation asked twice";
    EXPECT_EQ(factory.ledger.outstanding(), 0);

    // Back at the first deviation: from the cache, at once.
    zoom(1.0);
    const Image back = draw();
    EXPECT_COLOUR_NEAR(at(back, 0.3, 1.0), kLitRed, kTolerance);
    EXPECT_COLOUR_NEAR(at(back, 0.5, 1.0), kBlack, kTolerance);
    EXPECT_EQ(factory.requests().size(), 2u);
}

TEST_F(DXContextBackgroundRefinement, APickWaitsForTheAnswerUnderWayInsteadOfAskingAgain) {
    WorkerFactory factory(true, 30ms);
    const int mesh = hostMesh(factory);
    draw();
    zoom(9.0);
    draw();
    // Through the new square only: the pick needs the deviation-8 geometry.
    double hit[3] = {};
    VARIANT_BOOL isHit = VARIANT_FALSE;
    const int pixel = int((0.6 / 9.0 + 1.0) * 0.5 * kSize);
    ASSERT_EQ(context->pickMesh(mesh, root, viewport, pixel, kSize / 2, 0.6, 0, 10, 0, 0, -1, 0.5, 2.0, &hit[0],
                                &hit[1], &hit[2], &isHit),
              S_OK);
    EXPECT_EQ(isHit, VARIANT_TRUE);
    EXPECT_EQ(factory.requests(), (std::vector<Request>{{4.0, false}, {8.0, true}}));
}

// Two instances of one part (one host mesh, the second in a frame at x = 4):
// one request per deviation on the worker too, and the instance that asked
// first, released with the answer still to come, leaves it to the other.
TEST_F(DXContextBackgroundRefinement, InstancesOfOnePartAskOnceAndOutliveEachOther) {
    WorkerFactory factory(false);
    const int first = hostMesh(factory);
    int frame = 0, second = 0;
    ASSERT_EQ(context->newFrame(root, &frame), S_OK);
    ASSERT_EQ(pelmora::setTranslation(context, frame, 4, 0, 0), S_OK);
    ASSERT_EQ(context->newSolidMeshFromHandle(7, factory.handle, &second), S_OK);
    ASSERT_EQ(context->frameAddVisual(frame, second), S_OK);
    draw();
    zoom(9.0);
    draw();
    ASSERT_TRUE(factory.reached(2));
    EXPECT_EQ(context->releaseHandle(first), S_OK);
    factory.open();
    EXPECT_TRUE(appearsAt(4.6, 9.0)) << "the instance left takes in the answer";
    EXPECT_EQ(factory.requests(), (std::vector<Request>{{4.0, false}, {8.0, true}}));
    EXPECT_EQ(factory.ledger.outstanding(), 0);
}

TEST_F(DXContextBackgroundRefinement, TeardownWithRequestsUnderWayAndWaitingLeavesNothingBehind) {
    enum class Teardown { ReleaseMeshes, ReleaseContext, Unregister };
    struct Case {
        const char* what;
        Teardown teardown;
        size_t mostRequests;  // 3 when the waiting request is surely dropped
    };
    for (const Case& c : {Case{"meshes released", Teardown::ReleaseMeshes, 3},
                          Case{"context released", Teardown::ReleaseContext, 4},
                          Case{"factory unregistered", Teardown::Unregister, 3}}) {
        SCOPED_TRACE(c.what);
        if (!context) SetUp();
        auto factory = std::make_unique<WorkerFactory>(false, 20ms);
        const int first = hostMesh(*factory, 7), second = hostMesh(*factory, 8);
        draw();
        zoom(9.0);
        draw();  // one request held at the gate on the worker, one waiting behind it
        ASSERT_TRUE(factory->reached(3));
        std::thread opener([&] {
            std::this_thread::sleep_for(100ms);
            factory->open();
        });
        switch (c.teardown) {
            case Teardown::ReleaseMeshes:
                EXPECT_EQ(context->releaseHandle(second), S_OK);  // dropped unasked
                EXPECT_EQ(context->releaseHandle(first), S_OK);   // waits for its answer
                break;
            case Teardown::ReleaseContext:
                context->Release();
                context = nullptr;
                PelmoraDestroyWindow(window);
                break;
            case Teardown::Unregister:
                EXPECT_EQ(PelmoraUnregisterFacetFactory(factory->handle), S_OK);
                break;
        }
        // Whatever was under way has been answered and handed back: the
        // factory can go now.
        EXPECT_EQ(factory->ledger.outstanding(), 0);
        EXPECT_LE(factory->requests().size(), c.mostRequests);
        opener.join();
        factory.reset();
        if (context) {
            // The meshes that remain draw what they have.
            EXPECT_COLOUR_NEAR(at(draw(), 0.0, 9.0), c.teardown == Teardown::Unregister ? kLitRed : kBlack, kTolerance);
            zoom(1.0);
        }
    }
}

// Meshes released one after another wait for the call under way at most:
// the worker does not start the next mesh's request just before its release.
TEST_F(DXContextBackgroundRefinement, ReleasingMeshesOneByOneWaitsForOneCallAtMost) {
    WorkerFactory factory(true, 300ms);
    const int meshes[] = {hostMesh(factory, 7), hostMesh(factory, 8), hostMesh(factory, 9)};
    draw();
    zoom(9.0);
    draw();
    ASSERT_TRUE(factory.reached(4));  // three on the test's thread, one under way on the worker
    for (int mesh : meshes) EXPECT_EQ(context->releaseHandle(mesh), S_OK);
    EXPECT_EQ(factory.requests().size(), 4u) << "the requests waiting are dropped unasked";
    EXPECT_EQ(factory.ledger.outstanding(), 0);
}

// A host's scene left alive: a context drawing into a 64 x 64 window, lit.
struct LeftScene {
    LeftScene() {
        VARIANT_BOOL noHardware = VARIANT_TRUE;
        int light = 0;
        const int window = PelmoraCreateOffscreenWindow(64, 64);
        ready = SUCCEEDED(PelmoraCreateContext(&context)) &&
                SUCCEEDED(context->initialize(VARIANT_FALSE, nullptr, &noHardware)) &&
                SUCCEEDED(context->newFrame(0, &root)) &&
                SUCCEEDED(context->newViewport(window, 0, VARIANT_TRUE, 64, 64, &viewport)) &&
                SUCCEEDED(context->viewportAddDirectionalLight(viewport, -1, 0, 0, -1, &light));
    }
    bool frame() {
        return SUCCEEDED(context->clearViewport(viewport)) &&
               SUCCEEDED(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE));
    }
    // Two bodies of the factory drawn, then the view widened to `half`: one
    // request under way on the worker, the other waiting behind it.
    bool showThenZoom(WorkerFactory& factory, double half) {
        int mesh = 0;
        for (int hostMesh : {7, 8})
            ready = ready && SUCCEEDED(context->newSolidMeshFromHandle(hostMesh, factory.handle, &mesh)) &&
                    SUCCEEDED(context->frameAddVisual(root, mesh));
        return ready && frame() && SUCCEEDED(context->setViewportPlane(viewport, -half, half, -half, half)) &&
               frame() && factory.reached(3);
    }

    IDXContext* context = nullptr;
    int root = 0, viewport = 0;
    bool ready = false;
};

// The scene with requests outstanding: the status to exit with, 0 when it got there.
int leaveRequestsOutstanding() {
    // Static, as a host's kernel often is: it goes after the exit handlers.
    static WorkerFactory factory(true, 200ms);
    LeftScene scene;
    return scene.showThenZoom(factory, 9) ? 0 : 1;
}

// A kernel made after the worker's first request (a function-local static
// the host registers and never unregisters), at work when the host exits.
int leaveALateFactoryAtWork() {
    static WorkerFactory first(true);
    LeftScene scene;
    if (!scene.showThenZoom(first, 9)) return 1;
    static WorkerFactory late(true, 200ms, WorkerFactory::ByTheHost);
    late.handle = PelmoraRegisterThreadSafeFacetFactory(&late);
    return scene.showThenZoom(late, 27) ? 0 : 1;
}

// The host ends the process with everything alive: the exit waits for the
// request under way (the factory is still there) and drops the other. Run
// in a child process; nothing is released there, so its leak check is off.
TEST(DXContextBackgroundRefinementExit, TheProcessEndsCleanlyWithRequestsUnderWayAndWaiting) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    EXPECT_EXIT(std::exit(leaveRequestsOutstanding()), testing::ExitedWithCode(0), "");
    // The late kernel is destroyed only once the worker has stopped (3: called after its destructor).
    EXPECT_EXIT(std::exit(leaveALateFactoryAtWork()), testing::ExitedWithCode(0), "");
}

}  // namespace
