// One cycle of a host's whole life with the engine: a context, an offscreen
// window, a viewport, a few meshes (solid ones from arrays and host-backed
// ones from the sample kernel), two frames rendered and presented, and
// everything released again.
#pragma once

#include <pelmora/pelmora.h>

#include <string>

namespace samplekernel {
class SampleKernel;
}

namespace pelmora::bench {

class SoakCycle {
public:
    // The kernel is registered once and serves every cycle, as a host's does.
    SoakCycle(int factory, int size) : factory_(factory), size_(size) {}

    // False, with what failed, when a step did not succeed. With a picture
    // file, the viewport's last frame is saved there too.
    bool run(std::string* failure, const std::string& picture = {});

private:
    bool buildScene(IDXContext* context, int viewport, std::string* failure);
    bool drawFrames(IDXContext* context, int viewport, int root, std::string* failure);
    bool savePicture(IDXContext* context, int viewport, std::string* failure);

    int factory_;
    int size_;
    std::string picture_;
};

}  // namespace pelmora::bench
