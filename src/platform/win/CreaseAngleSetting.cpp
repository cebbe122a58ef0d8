#include "platform/win/CreaseAngleSetting.h"

#include "core/Diagnostics.h"
#include "platform/win/NumberSetting.h"

namespace pelmora::win {
namespace {

constexpr const char* kCreaseValue = "Crease Angle";
constexpr double kMostDegrees = 180.0;

}  // namespace

float readCreaseAngleSetting() {
    double degrees = kDefaultCreaseDegrees;
    const NumberSetting read = readNumberSetting(kCreaseValue, &degrees);
    if (read == NumberSetting::Absent) return kDefaultCreaseDegrees;
    if (read == NumberSetting::Read && degrees >= 0.0 && degrees <= kMostDegrees) return float(degrees);
    logFormat("Pelmora: the registry's \"%s\" is not a number of degrees from 0 to 180; %g is used\n",
              kCreaseValue, double(kDefaultCreaseDegrees));
    return kDefaultCreaseDegrees;
}

}  // namespace pelmora::win
