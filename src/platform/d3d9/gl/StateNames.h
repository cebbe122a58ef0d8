// The device's GL-free contract (platform/d3d9/state: the state record and
// its tracker, resource bindings, the fixed-function key, caps, matrix
// maths) under the backend's own names.
#pragma once

#include "platform/d3d9/state/BoundResource.h"
#include "platform/d3d9/state/CapsTable.h"
#include "platform/d3d9/state/DeviceState.h"
#include "platform/d3d9/state/FixedFunctionKey.h"
#include "platform/d3d9/state/MatrixMath.h"
#include "platform/d3d9/state/StateTracker.h"

namespace pelmora::d3d9gl {

using namespace d3d9state;

}  // namespace pelmora::d3d9gl
