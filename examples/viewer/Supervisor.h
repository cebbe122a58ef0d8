// pelmora-view runs its work in a child process that a parent watches.
//
// Open CASCADE's translators and mesher crash (segmentation faults, stack
// overflows on self-referencing entities) or never return (a cylinder of
// radius 1e300, a NaN coordinate in shape healing) on some malformed files.
// Catching signals inside the process cannot survive a stack overflow nor
// end a loop, so the boundary is a process: the viewer forks first thing,
// before any display or graphics device exists, and the child does all the
// work (reading, meshing, rendering, the window). The parent only
// supervises: it kills the child when guarded work (GuardedWork.h) makes no
// progress for longer than the time limit, turns a death by a signal into
// a message naming the file and the work that failed, and otherwise ends
// with the child's own status. Time outside guarded work, such as the
// window waiting for the user, is never counted.
#pragma once

#include <optional>
#include <string>

namespace viewer {

// Forks. In the child, returns nothing: it goes on with the viewer's work,
// reporting to the parent, and dies with it. In the parent, watches the
// child showing `file` and returns the status to exit with. A limit of 0
// never gives up. Should the fork fail, the viewer goes on unsupervised in
// the one process (as if it were the child).
std::optional<int> superviseChild(const std::string& file, double timeLimitSeconds);

}  // namespace viewer
