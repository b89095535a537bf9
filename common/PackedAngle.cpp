#include "common/PackedAngle.h"

#include <cmath>
#include <cstdint>

namespace {
// A packed value that lies a hair below its exact decimal (1.13 * 10000 = 11299.999999999998)
// would otherwise lose a whole unit of minutes when truncated: round it to a millionth of its
// last unit first.
constexpr double kPackedResolution = 1e6;

double roundPacked(double v) { return std::round(v * kPackedResolution) / kPackedResolution; }

int32_t truncated(double v) { return int32_t(std::trunc(v)); }
}  // namespace

double ddmmToDegrees(double v) {
    v = roundPacked(v);
    int32_t d = truncated(v / 100);
    return d + (v - 100.0 * d) / 60;
}

double ddmmssToDegrees(double v) {
    v = roundPacked(v);
    int32_t d = truncated(v / 10000);
    double r = v - 10000.0 * d;
    int32_t m = truncated(r / 100);
    return (r - 100.0 * m) / 3600 + (m / 60.0 + d);
}

double degreesToDdmm(double v) {
    int32_t d = truncated(v);
    return (v - d) * 60 + 100.0 * d;
}
