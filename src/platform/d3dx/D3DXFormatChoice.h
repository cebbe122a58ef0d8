// The nearest texture format a device offers for one it lacks: the one that
// loses fewest bits of any channel the wanted format has (alpha first),
// then adds fewest bits, then is smallest.
#pragma once

#include "platform/d3d9/d3d9types.h"

#include <functional>

namespace pelmora::d3dx {

// The wanted format itself when offered, else the nearest offered colour
// format, else D3DFMT_UNKNOWN (also for a wanted format that is not a
// colour format).
D3DFORMAT nearestFormat(D3DFORMAT wanted, const std::function<bool(D3DFORMAT)>& offered);

}  // namespace pelmora::d3dx
