// The polar angle of a grid point about the apex of a normal-aspect cone, shared by the conic
// projections.
#pragma once

#include <cmath>

#include "geodesy/projections/Angles.h"

// The polar angle of the grid point dx east of the apex's meridian and dy south of the apex (grid
// units), by a two-argument arctangent, so angles beyond a quarter turn stay right; on a cone
// opening southwards (n < 0) it counts the other way round. In [-pi, pi]; 0 at the apex.
inline double ConeAngle(double dx, double dy, double n) {
    const double orientation = n < 0 ? -1.0 : 1.0;
    return std::atan2(orientation * dx, orientation * dy);
}

// Whether a polar angle lies on the cone's image: the ellipsoid's longitudes, half a turn either
// way of the central meridian, cover |angle| <= |n| pi; beyond, the formulas would wrap onto
// points that map elsewhere. `span` is the sum of the magnitudes the grid point was formed from:
// their rounding turns the angle of a point at distance rho from the apex by up to
// 1e-15 span / rho, which is allowed.
inline bool OnConeImage(double angle, double rho, double n, double span) {
    const double slack = 1e-12 + 1e-15 * span / std::fabs(rho);
    return !(std::fabs(angle) > std::fabs(n) * kPi + slack);
}

// Longitude of the grid point (dx, dy) of polar angle `angle` (ConeAngle), on a cone of constant n
// about the central meridian, in [-pi, pi]. The apex itself gives the central meridian.
inline double ConeLongitude(double angle, double dx, double dy, double n, double centralMeridian) {
    if (dx == 0 && dy == 0) return ShortLongitude(centralMeridian);
    return WrapLongitude(angle / n + centralMeridian);
}
