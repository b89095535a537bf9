// Angle constants and the two small helpers the projection formulas share.
#pragma once

#include <cmath>
#include <numbers>

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kHalfPi = std::numbers::pi / 2;
inline constexpr double kTwoPi = 2 * std::numbers::pi;
inline constexpr double kQuarterPi = std::numbers::pi / 4;

// Longitude (difference) brought into [-pi, pi]: (fmod(|d| + pi, 2 pi) - pi) with the sign of d.
// Exactly +pi gives -pi and -pi gives +pi.
inline double WrapLongitude(double d) {
    double sign = d >= 0 ? 1.0 : -1.0;
    return (std::fmod(std::fabs(d) + kPi, kTwoPi) - kPi) * sign;
}

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
