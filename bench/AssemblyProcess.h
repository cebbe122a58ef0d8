// Assembly frames measured in a process of their own, as a host runs them:
// this program started again with --assembly-process=SIDE, the allocator at
// its default settings, one side only in the process. The child draws and
// presents frames and prints one line per measurement; the parent reads
// them back. Sides:
//   device    the 2,000-body assembly through IDXContext, presented
//   raw       the raw program's frames of it, read back whole
//   contexts  the first context of a process against a second one on the
//             same model, and the first one's frames interleaved with the
//             second's (the first-context slowdown)
#pragma once

#include <string>
#include <vector>

namespace pelmora::bench {

// The first-context comparison draws a smaller model (the first bodies of the assembly).
constexpr int kContextBodies = 200;

// What a child measured: median frame time and minor page faults per frame.
struct ProcessFrames {
    std::string name;
    double medianMs = 0;
    double faultsPerFrame = 0;
};

// True when argv carries the child's option (then call runAssemblyProcess).
bool isAssemblyProcessOption(const char* argument);
// The child's whole run; the process's exit status.
int runAssemblyProcess(const char* argument);

// Starts this program again for the side; empty with a reason in error when
// the child failed.
std::vector<ProcessFrames> measureInOwnProcess(const char* side, std::string* error);

}  // namespace pelmora::bench
