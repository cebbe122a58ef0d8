#include "scene/RenderPass.h"

namespace pelmora {

bool translucentPass = false;

}  // namespace pelmora
