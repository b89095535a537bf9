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
