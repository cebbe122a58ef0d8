#include "scene/SceneGeneration.h"

#include <atomic>

namespace pelmora {

namespace {

// Changed on the host's thread; atomic so that no reader ever sees a torn count.
std::atomic<uint64_t> generation{1};

}  // namespace

uint64_t sceneGeneration() { return generation.load(std::memory_order_acquire); }

void noteSceneChange() { generation.fetch_add(1, std::memory_order_acq_rel); }

}  // namespace pelmora
