#include "view/Profiling.h"

namespace pelmora {

bool profilingEnabled = false;
int drawnVertexCount = 0;

}  // namespace pelmora
