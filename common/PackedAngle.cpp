#include "common/PackedAngle.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {
// A packed value that lies a hair below its exact decimal (1.13 * 10000 = 11299.999999999998)
// would otherwise lose a whole unit of minutes when truncated: round it to a millionth of its
// last unit first.
constexpr double kPackedResolution = 1e6;

constexpr double kNoAngle = std::numeric_limits<double>::quiet_NaN();

double roundPacked(double v) { return std::round(v * kPackedResolution) / kPackedResolution; }

// The whole part, truncated toward zero into a 32-bit integer as the packed forms define it;
// false for a NaN, an infinity or a whole part beyond 32 bits (no angle has one).
bool truncated(double v, int32_t& out) {
    const double whole = std::trunc(v);
    if (!(whole >= double(INT32_MIN) && whole <= double(INT32_MAX))) return false;
    out = int32_t(whole);
    return true;
}
}  // namespace

double ddmmToDegrees(double v) {
    v = roundPacked(v);
    int32_t d;
    if (!truncated(v / 100, d)) return kNoAngle;
    return d + (v - 100.0 * d) / 60;
}

double ddmmssToDegrees(double v) {
    v = roundPacked(v);
    int32_t d, m;
    if (!truncated(v / 10000, d)) return kNoAngle;
    double r = v - 10000.0 * d;
    if (!truncated(r / 100, m)) return kNoAngle;
    return (r - 100.0 * m) / 3600 + (m / 60.0 + d);
}

double degreesToDdmm(double v) {
    int32_t d;
    if (!truncated(v, d)) return kNoAngle;
    return (v - d) * 60 + 100.0 * d;
}
