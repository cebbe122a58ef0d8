// "Antialiasing" under the Pelmora key: the samples per pixel of the back
// buffer, 0 (or 1) for none. Without the value, hardware devices take 4 and
// the software rasterizer none, where every sample costs a full pass.
#pragma once

namespace pelmora::win {

inline constexpr int kDefaultHardwareSamples = 4;
inline constexpr int kMostSamples = 16;

// The samples asked for, or -1 when the value is absent (the device type
// decides). A value that is not a whole number from 0 to 16 is logged and
// read as absent.
int readAntialiasingSetting();

}  // namespace pelmora::win
