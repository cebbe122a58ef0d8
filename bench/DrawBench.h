// The draw benchmark: the reference scene through the device (case A) and
// through raw GL on the same buffers (case B), and the two interleaved frame
// by frame, which gives the ratio that matters.
#pragma once

#include <string>

namespace pelmora::bench {

// What the interleaved comparison measured; ran is false until it has run.
struct DrawComparison {
    bool ran = false;
    std::string renderer;
    int bodies = 0;
    unsigned long long triangles = 0;
    unsigned width = 0, height = 0;
    double deviceMs = 0;  // median frame
    double rawMs = 0;     // median frame
    double ratio() const { return rawMs > 0 ? deviceMs / rawMs : 0; }
};

const DrawComparison& drawComparison();

// Frees the device and the GL objects; call before the process exits.
void releaseDrawBench();

}  // namespace pelmora::bench
