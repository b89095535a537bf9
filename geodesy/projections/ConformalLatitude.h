// The geodetic latitude of a conformal t value (t = tan(pi/4 - chi/2) = exp(-psi), chi the
// conformal and psi the isometric latitude), shared by the normal-aspect conformal projections.
#pragma once

#include <cmath>

#include "geodesy/projections/Angles.h"

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
