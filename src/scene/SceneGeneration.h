// One count for every change that moves, shows, hides, adds or removes
// something a render of any frame tree draws, or changes a mesh's geometry.
// What is derived from a scene (the pick's hierarchy of placed meshes) is
// kept while the count it was built at is still the current one.
#pragma once

#include <cstdint>

namespace pelmora {

uint64_t sceneGeneration();
void noteSceneChange();

}  // namespace pelmora
