// A picture before tessellation ends: every shape is meshed coarsely first
// (quick, a thread per core, shapes still to be healed previewed as the
// file gives them) and the viewport held at that coarse level for the
// first frames; then the view goes back to automatic refinement while a
// thread of this object's own heals and meshes every shape at the view's
// deviation, several at once. Frames never wait for it: the engine asks the
// kernel for the finer facets on its facet worker (the kernel must be
// registered with PelmoraRegisterThreadSafeFacetFactory) and draws the
// coarse ones until they arrive. Once it has finished, the previews are
// fetched again.
//
//     BackgroundRefiner refiner(&kernel);
//     refiner.showCoarse(context, viewport);  // then render: the first picture
//     refiner.refine(context, viewport);      // render on while refiner.running()
//     refreshPreviews(context, kernel, scene);  // once it is not
#pragma once

#include "OcctKernel.h"

#include <atomic>
#include <thread>

namespace pelmora::occt {

class BackgroundRefiner {
public:
    // The coarse pass's deviation: the manual refinement level 1's.
    static constexpr double kCoarseDeviation = 20.0;

    explicit BackgroundRefiner(OcctKernel* kernel) : kernel_(kernel) {}
    ~BackgroundRefiner() { stop(); }
    BackgroundRefiner(const BackgroundRefiner&) = delete;
    BackgroundRefiner& operator=(const BackgroundRefiner&) = delete;

    // Meshes every shape at the coarse deviation (progress on this thread)
    // and puts the viewport in manual refinement at level 1, whose deviation
    // it is. The first failing status, else S_OK.
    HRESULT showCoarse(IDXContext* context, int viewport, const Progress& progress = {});
    // Automatic refinement again, and the view's deviation meshed on this
    // object's thread; `progress` is called there.
    HRESULT refine(IDXContext* context, int viewport, const Progress& progress = {});

    // Stops the refinement after the shapes under way and waits for them.
    void stop();

    bool running() const { return running_.load(); }
    // How much of the refinement is done, 0 to 1.
    double fraction() const { return fraction_.load(); }

private:
    void run(double deviation, const Progress& progress);

    OcctKernel* kernel_;
    std::thread thread_;
    std::atomic<bool> running_{false}, stopping_{false};
    std::atomic<double> fraction_{0.0};
};

}  // namespace pelmora::occt
