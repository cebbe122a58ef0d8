#include "platform/win/AntialiasingSetting.h"

#include "core/Diagnostics.h"
#include "platform/win/NumberSetting.h"

namespace pelmora::win {
namespace {

constexpr const char* kAntialiasingValue = "Antialiasing";

}  // namespace

int readAntialiasingSetting() {
    double samples = 0;
    const NumberSetting read = readNumberSetting(kAntialiasingValue, &samples);
    if (read == NumberSetting::Absent) return -1;
    if (read == NumberSetting::Read && samples >= 0 && samples <= kMostSamples && samples == int(samples))
        return int(samples);
    logFormat("Pelmora: the registry's \"%s\" is not a sample count from 0 to %d; the device's default "
              "is used\n",
              kAntialiasingValue, kMostSamples);
    return -1;
}

}  // namespace pelmora::win
