#include "view/RefinementDeviation.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

// Spread of the zoom measure before the table: tan(pi/4) lands just under 4.
constexpr double kZoomScale = 3.9482;
// Taken when the view angle is not positive, or not a number (a degenerate plane).
constexpr double kDegenerateZoom = 2.0;
// A view angle from here on is as wide as a view gets: the tangent would
// turn negative past it and ask for the finest step, the opposite of what
// zooming out needs.
constexpr double kWidestViewAngle = 1.5707963267948966;

struct DeviationStep {
    double below;
    float deviation;
};

constexpr DeviationStep kDeviationSteps[] = {
    {0.25, 0.25f}, {0.5, 0.5f}, {1.0, 1.0f}, {2.0, 2.0f}, {8.0, 4.0f}, {16.0, 8.0f}, {32.0, 16.0f},
};
constexpr float kWidestDeviation = 120.0f;

constexpr float kManualLevelScale = 60.0f;
constexpr float kCoarsestManualDeviation = 20.0f;
constexpr float kLevelZeroDeviation = 1.0f;

float deviationForZoom(double x) {
    for (const DeviationStep& step : kDeviationSteps)
        if (x < step.below) return step.deviation;
    return kWidestDeviation;
}

}  // namespace

float automaticRefinementDeviation(const ViewPlane& plane, float front, bool perspective,
                                   float cameraDistance) {
    const float half = std::max(plane.top - plane.bottom, plane.right - plane.left) * 0.5f;
    const double angle = std::atan(static_cast<double>(half) / front);
    const double v = perspective ? angle * cameraDistance / front : angle;
    if (!(v > 0.0)) return deviationForZoom(kDegenerateZoom);
    if (v >= kWidestViewAngle) return kWidestDeviation;
    return deviationForZoom(std::sqrt(std::tan(v)) * kZoomScale);
}

float manualRefinementDeviation(int level) {
    if (level == 0) return kLevelZeroDeviation;
    return std::min(kManualLevelScale / static_cast<float>(level), kCoarsestManualDeviation);
}

}  // namespace pelmora
