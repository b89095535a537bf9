// The polar angle of a grid point about the apex of a normal-aspect cone, shared by the conic
// projections.
#pragma once

#include <cmath>

#include "geodesy/projections/Angles.h"

// Longitude of the grid point that lies dx east of the apex's meridian and dy south of the apex
// (grid units), on a cone of constant n about the central meridian. The angle is taken with a
// two-argument arctangent, so angles beyond a quarter turn stay right; on a cone opening southwards
// (n < 0) it counts the other way round. The apex itself gives the central meridian. The result
// lies in [-pi, pi].
// The polar angle itself, oriented as above, in [-pi, pi]; 0 at the apex.
inline double ConeAngle(double dx, double dy, double n) {
    const double orientation = n < 0 ? -1.0 : 1.0;
    return std::atan2(orientation * dx, orientation * dy);
}

// Whether the grid point dx east and dy south of the apex lies on the cone's image: the
// ellipsoid's longitudes, half a turn either way of the central meridian, cover polar angles
// |angle| <= |n| pi; beyond, the formulas would wrap onto points that map elsewhere. `span` is the
// sum of the magnitudes the grid point was formed from: their rounding turns the angle of a point
// near the apex by up to 1e-15 span / rho, which is allowed.
inline bool OnConeImage(double dx, double dy, double n, double span) {
    const double rho = std::hypot(dx, dy);
    const double slack = 1e-12 + 1e-15 * span / rho;
    return !(std::fabs(ConeAngle(dx, dy, n)) > std::fabs(n) * kPi + slack);
}

inline double ConeLongitude(double dx, double dy, double n, double centralMeridian) {
    if (dx == 0 && dy == 0) return ShortLongitude(centralMeridian);
    double orientation = n < 0 ? -1.0 : 1.0;
    return WrapLongitude(std::atan2(orientation * dx, orientation * dy) / n + centralMeridian);
}
