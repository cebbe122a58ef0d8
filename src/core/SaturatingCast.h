// Floating values into integers without undefined behaviour: truncated toward
// zero, values beyond the integer's range become its nearest end, NaN 0.
// For values a host may drive anywhere (scales, offsets, huge coordinates).
#pragma once

#include <cmath>
#include <limits>
#include <type_traits>

namespace pelmora {

template <class Int>
Int saturatingCast(double value) {
    static_assert(std::is_integral_v<Int>);
    using Limits = std::numeric_limits<Int>;
    if (std::isnan(value)) return 0;
    // Both ends as doubles: the lowest is a power of two (or 0), exact; the
    // highest + 1 is one too, so comparing against it needs no rounding.
    const double lowest = static_cast<double>(Limits::lowest());
    const double pastHighest = static_cast<double>(Limits::max() / 2 + 1) * 2.0;
    if (value <= lowest) return Limits::lowest();
    if (value >= pastHighest) return Limits::max();
    return static_cast<Int>(value);
}

// The same for a float, without the trip through double: every float is
// exact as a double and both ends are powers of two, so the answers agree.
template <class Int>
Int saturatingCast(float value) {
    static_assert(std::is_integral_v<Int>);
    using Limits = std::numeric_limits<Int>;
    if (value != value) return 0;
    const float lowest = static_cast<float>(Limits::lowest());
    const float pastHighest = static_cast<float>(Limits::max() / 2 + 1) * 2.0f;
    if (value <= lowest) return Limits::lowest();
    if (value >= pastHighest) return Limits::max();
    return static_cast<Int>(value);
}

}  // namespace pelmora
