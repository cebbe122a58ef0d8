// What pelmora-view shows: a kernel's bodies in one viewport of one window
// (offscreen or X11), lit, fitted, and moved by the user.
#pragma once

#include "GuardedFacets.h"
#include "ViewerOptions.h"

#include <pelmora/occt/BackgroundRefiner.h>
#include <pelmora/occt/ModelScene.h>
#include <pelmora/occt/OcctKernel.h>

#include <pelmora/helpers.h>

#include <optional>
#include <string>

namespace viewer {

class ModelView {
public:
    // `facets` answers the engine's requests for the kernel's host meshes
    // (the kernel itself when null).
    ModelView(pelmora::occt::OcctKernel* kernel, const ViewerOptions& options, FacetFactory* facets = nullptr);
    ~ModelView();
    ModelView(const ModelView&) = delete;
    ModelView& operator=(const ModelView&) = delete;

    // Makes the engine's context and a viewport on a window of the
    // options' size; the kernel need not hold its model yet. False with a
    // message.
    bool openDevice(int window, std::string* error);
    // Then the scene of the kernel's model and the view asked for, fitted.
    // With `finished`, tessellates every shape at the deviation the first
    // frame needs (a picture to write); else coarsely, for a first picture
    // at once, to be refined (refine). False with a message.
    bool show(bool finished, std::string* error, const pelmora::occt::Progress& progress = {});
    // Refines the coarse first picture behind the frames: the facets appear
    // as they arrive while frames are drawn.
    void refine(const pelmora::occt::Progress& progress = {});
    // While refinement runs or its facets still arrive (the next frames
    // change); how much is done, 0 to 1.
    bool refining();
    double refined() const { return refiner_.fraction(); }

    void setView(ViewDirection view);
    void fit();
    HRESULT draw();
    // The picture as last drawn: PNG for .png, else by extension.
    HRESULT save(const std::string& path);

    // Turns the model about its centre: dx about the vertical, dy about the
    // screen's horizontal axis (pixels of mouse motion).
    void orbit(int dx, int dy);
    void pan(int dx, int dy);
    // Scales the view about the window pixel (x, y): factor < 1 zooms in.
    void zoomAt(int x, int y, double factor);
    // Highlights the body under pixel (x, y) (the previous one goes back to
    // its colour); its name, or "" where no body is.
    std::string pick(int x, int y);

private:
    pelmora::occt::SceneStyle style() const;

    pelmora::occt::OcctKernel* kernel_;
    GuardedFacets facets_;  // the kernel's, as the engine asks for them
    // Background tessellation is guarded work while it runs.
    std::optional<GuardedWork> refining_;
    int lastRequests_ = -1;
    int quietChecks_ = 0;
    ViewerOptions options_;
    IDXContext* context_ = nullptr;
    int factory_ = 0;
    int window_ = 0;
    int viewport_ = 0;
    pelmora::occt::ModelScene scene_;
    pelmora::Box bounds_;
    pelmora::OrbitCamera camera_{nullptr, 0, 1, 1};
    int picked_ = -1;
    // Last: destroyed first, so its thread stops before anything it uses.
    pelmora::occt::BackgroundRefiner refiner_;
};

}  // namespace viewer
