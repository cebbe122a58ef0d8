// pelmora-view's interactive window: an X11 window Pelmora presents into,
// and the loop turning mouse and keys into view changes.
#pragma once

#include "ModelView.h"

namespace viewer {

// False, with a message, when no X display can be opened or the window
// cannot be attached.
bool openX11Window(const ViewerOptions& options, int* window, std::string* error);

// Runs until the window is closed or q is pressed. Snapshots go to
// "<stem>-N.png" in the current folder.
void runX11Loop(ModelView* view, const ViewerOptions& options);

}  // namespace viewer
