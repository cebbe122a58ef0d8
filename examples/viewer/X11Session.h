// pelmora-view's interactive window: an X11 window Pelmora presents into,
// and the loop turning mouse and keys into view changes.
#pragma once

#include "ModelView.h"

#include <chrono>

namespace viewer {

// False, with a message, when no X display can be opened or the window
// cannot be attached.
bool openX11Window(const ViewerOptions& options, int* window, std::string* error);

// Runs until the window is closed or q is pressed. The first frame shows
// the coarse model; then it refines behind the frames (`progress` hears
// how far, on the refining thread) under a progress bar drawn at the
// window's bottom. Snapshots go to "<stem>-N.png" in the current folder.
// With --bench-orbit, timings (from `started`) go to standard error.
void runX11Loop(ModelView* view, const ViewerOptions& options, const pelmora::occt::Progress& progress,
                std::chrono::steady_clock::time_point started);

}  // namespace viewer
