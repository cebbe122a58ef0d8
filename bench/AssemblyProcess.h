// Assembly frames measured in a process of their own, as a host runs them:
// this program started again with --assembly-process=SIDE, the allocator at
// its default settings, one side only in the process. The child draws and
// presents frames and prints one line per measurement; the parent reads
// them back. Sides:
//   device    the 2,000-body assembly through IDXContext, presented
//   raw       the raw program's frames of it, read back whole
//   device-memory  the assembly through IDXContext, drawn and presented:
//             peak resident memory above the process's start
//   raw-memory@D   the raw program's buffers of the same bodies at
//             deviation D on a context with no meshes: the same
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

// What a memory side measured: the peak resident memory above the peak at
// the process's start, the triangles it held, the deviation they came from.
struct ProcessMemory {
    double peakMiB = 0;
    double triangles = 0;
    double deviation = 0;
    double mibPerMillionTriangles() const { return triangles > 0 ? peakMiB * 1e6 / triangles : 0; }
};

// True when argv carries the child's option (then call runAssemblyProcess).
bool isAssemblyProcessOption(const char* argument);
// The child's whole run; the process's exit status.
int runAssemblyProcess(const char* argument);

// Starts this program again for the side; empty with a reason in error when
// the child failed.
std::vector<ProcessFrames> measureInOwnProcess(const char* side, std::string* error);
// The same for a memory side; false with a reason in error when it failed.
bool measureMemoryInOwnProcess(const std::string& side, ProcessMemory* memory, std::string* error);

}  // namespace pelmora::bench
