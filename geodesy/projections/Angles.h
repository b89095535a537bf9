// Angle constants and the two small helpers the projection formulas share.
#pragma once

#include <cmath>
#include <numbers>

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kHalfPi = std::numbers::pi / 2;
inline constexpr double kTwoPi = 2 * std::numbers::pi;
inline constexpr double kQuarterPi = std::numbers::pi / 4;
// One arc-second in radians.
inline constexpr double kArcSecondToRadian = std::numbers::pi / 648000;

// Beyond this many radians |d| + pi drops digits of pi itself: such longitudes are reduced by the
// exact remainder instead.
inline constexpr double kHugeLongitude = 0x1p20;

// Longitude (difference) brought into [-pi, pi]: (fmod(|d| + pi, 2 pi) - pi) with the sign of d.
// Exactly +pi gives -pi and -pi gives +pi. Any number of turns is taken off: beyond a million
// radians the sum with pi would swallow pi and land up to half a turn off.
inline double WrapLongitude(double d) {
    if (std::fabs(d) >= kHugeLongitude) return std::remainder(d, kTwoPi);
    double sign = d >= 0 ? 1.0 : -1.0;
    return (std::fmod(std::fabs(d) + kPi, kTwoPi) - kPi) * sign;
}

// lon - origin for the formulas' sines and cosines, the origin within a turn of 0: as it is, but
// a longitude of a million radians or more is reduced first (the difference would swallow the
// origin's digits).
inline double LongitudeDifference(double lon, double origin) {
    const double d = lon - origin;
    return std::fabs(d) < kHugeLongitude ? d : std::remainder(lon, kTwoPi) - origin;
}

// lon - origin brought into [-pi, pi]: WrapLongitude of the difference, with huge longitudes
// reduced first.
inline double LongitudeOffset(double lon, double origin) { return WrapLongitude(LongitudeDifference(lon, origin)); }

// WrapLongitude for values outside [-pi, pi] only: values inside are kept exactly (the
// reduction would round them by an ulp of pi), and the cost of fmod is paid only when needed.
inline double ShortLongitude(double d) { return std::fabs(d) > kPi ? WrapLongitude(d) : d; }

// x to the non-negative integer power n by squaring over the bits of n, lowest bit first;
// n = 0 gives 1. A negative n gives the reciprocal of x to the power -n.
inline double IntPow(double x, int n) {
    if (n < 0) return 1.0 / IntPow(x, -n);
    double result = 1.0;
    double square = x;
    for (unsigned bits = static_cast<unsigned>(n); bits != 0; bits >>= 1) {
        if (bits & 1u) result *= square;
        square *= square;
    }
    return result;
}

// sum of d[k] sin(2 (k + 1) x) from sin x and cos x, by Clenshaw's summation in the multiples of
// 2x (the latitude series between the auxiliary latitudes).
template <int N>
inline double SineSeriesSum(const double (&d)[N], double sinX, double cosX) {
    const double twiceCos2 = 2 * (cosX - sinX) * (cosX + sinX);
    double b1 = 0, b2 = 0;
    for (int k = N - 1; k >= 0; --k) {
        const double b = d[k] + twiceCos2 * b1 - b2;
        b2 = b1;
        b1 = b;
    }
    return 2 * sinX * cosX * b1;
}
