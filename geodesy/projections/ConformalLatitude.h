// The conformal t function of a geodetic latitude and its inverse (t = tan(pi/4 - chi/2) =
// exp(-psi), chi the conformal and psi the isometric latitude), shared by the conformal
// projections.
#pragma once

#include <cmath>

#include "geodesy/projections/Angles.h"

// t(lat) = tan(pi/4 - lat/2) ((1 + e sin lat)/(1 - e sin lat))^(e/2) (Snyder, eq. 15-9), equal to
// sqrt(((1 - sin lat)/(1 + sin lat)) ((1 + e sin lat)/(1 - e sin lat))^e). tan(pi/4 - lat/2) is
// taken as cos lat / (1 + sin lat) in the north and (1 - sin lat) / cos lat in the south: neither
// subtracts nearly equal numbers, so t keeps its digits up to both poles, where 1 - sin lat and
// tan near pi/2 lose them.
inline double ConformalTOf(double lat, double e) {
    const double s = std::sin(lat);
    const double c = std::cos(lat);
    const double half = s >= 0 ? c / (1 + s) : (1 - s) / c;
    return half * std::pow((1 + e * s) / (1 - e * s), e / 2);
}

// Snyder's fixed-point iteration ("Map Projections: A Working Manual", eq. 7-9) from the sphere's
// answer lat = pi/2 - 2 atan t: lat' = pi/2 - 2 atan(t ((1 - e sin lat)/(1 + e sin lat))^(e/2)),
// until a pass changes the latitude by `tolerance` (rad) or less. Writes the last latitude and
// returns whether it settled within `maxPasses`; a NaN never settles.
inline bool LatitudeFromConformalT(double t, double e, double tolerance, int maxPasses, double& lat) {
    double latitude = kHalfPi - 2 * std::atan(t);
    bool settled = false;
    for (int pass = 0; pass < maxPasses && !settled; ++pass) {
        double s = std::sin(latitude);
        double next = kHalfPi - 2 * std::atan(t * std::pow((1 - e * s) / (1 + e * s), e / 2));
        settled = std::fabs(next - latitude) <= tolerance;
        latitude = next;
    }
    lat = latitude;
    return settled;
}

// A step this close to the tolerance (relative) is too close to call for the cheaper passes below,
// whose iterates differ from the textbook's by a few units in the last place (about 1e-15 rad in
// a step; the bound here is 1e-4 of the tolerance, 1e-13 rad at 1e-9).
inline constexpr double kConformalStepMargin = 1e-4;

// The iterates of LatitudeFromConformalT, each pass with one logarithm and one exponential in
// place of a sine, an arctangent and a power: carried as z = tan(pi/4 - lat/2), so that sin lat =
// (1 - z^2) / (1 + z^2), the pass is z' = t (N / D)^(-e/2) = t exp(-e/2 ln(N / D)) with
// N = (1 + e) + (1 - e) z^2 and D = (1 - e) + (1 + e) z^2, i.e. (1 + e sin lat) / (1 - e sin lat)
// times 1 + z^2 on both sides, and the step 2 |atan z' - atan z| is 2 |z' - z| / (1 + z z') (the
// arctangent's cubic term is below 1e-26 rad at steps of 1e-9). The pass that stops is the
// textbook's: a step within kConformalStepMargin of the tolerance, or a NaN or infinity, is left
// to the textbook passes from the start, as is a search that does not settle. The latitude is the
// textbook's to a few units in the last place (1e-15 rad).
inline bool LatitudeFromConformalTFast(double t, double e, double tolerance, int maxPasses, double& lat) {
    const double plus = 1 + e, minus = 1 - e, halfE = e / 2;
    double z = t;
    for (int pass = 0; pass < maxPasses; ++pass) {
        const double z2 = z * z;
        const double next = t * std::exp(-halfE * std::log((plus + minus * z2) / (minus + plus * z2)));
        // 2 |z' - z| against the tolerance times 1 + z z'.
        const double twice = 2 * std::fabs(next - z);
        const double limit = tolerance * (1 + z * next);
        z = next;
        if (!(std::fabs(twice - limit) > kConformalStepMargin * limit)) break;
        if (twice < limit) {
            lat = kHalfPi - 2 * std::atan(z);
            return true;
        }
    }
    return LatitudeFromConformalT(t, e, tolerance, maxPasses, lat);
}
