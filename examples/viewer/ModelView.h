// What pelmora-view shows: a kernel's bodies in one viewport of one window
// (offscreen or X11), lit, fitted, and moved by the user.
#pragma once

#include "GuardedFacets.h"
#include "ViewerOptions.h"

#include <ModelScene.h>
#include <OcctKernel.h>

#include <pelmora/helpers.h>

#include <string>

namespace viewer {

class ModelView {
public:
    ModelView(occtkernel::OcctKernel* kernel, const ViewerOptions& options);
    ~ModelView();
    ModelView(const ModelView&) = delete;
    ModelView& operator=(const ModelView&) = delete;

    // Makes the viewport on a window of the options' size, the scene, the
    // view asked for, fitted, and tessellates every body at the deviation
    // the first frame needs. False with a message.
    bool open(int window, std::string* error, const occtkernel::Progress& progress = {});

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
    occtkernel::OcctKernel* kernel_;
    GuardedFacets facets_;  // the kernel's, as the engine asks for them
    ViewerOptions options_;
    IDXContext* context_ = nullptr;
    int factory_ = 0;
    int window_ = 0;
    int viewport_ = 0;
    occtkernel::ModelScene scene_;
    pelmora::Box bounds_;
    pelmora::OrbitCamera camera_{nullptr, 0, 1, 1};
    int picked_ = -1;
};

}  // namespace viewer
