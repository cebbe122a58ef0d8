// "Crease Angle" under the Pelmora key: the angle in degrees between two
// faces' normals above which the edge they share is drawn as a border. A
// DWORD or a string holding a number; 0 draws every facet edge.
#pragma once

namespace pelmora::win {

inline constexpr float kDefaultCreaseDegrees = 20.0f;

// The default when the value is absent; the default and a log line when it
// is not a number from 0 to 180.
float readCreaseAngleSetting();

}  // namespace pelmora::win
