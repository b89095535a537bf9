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
inline double ConeLongitude(double dx, double dy, double n, double centralMeridian) {
    if (dx == 0 && dy == 0) return ShortLongitude(centralMeridian);
    double orientation = n < 0 ? -1.0 : 1.0;
    return WrapLongitude(std::atan2(orientation * dx, orientation * dy) / n + centralMeridian);
}
