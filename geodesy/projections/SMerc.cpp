// Spherical Mercator (Snyder, "Map Projections: A Working Manual", eqs. 7-1, 7-2, 7-4) on a fixed
// sphere. Departures: the poles are refused instead of returning an infinite northing, and
// longitudes beyond half a turn are reduced both ways, so that every inverse is a longitude.
#include "geodesy/projections/SMerc.h"

#include <cmath>

namespace {
// Radius of the fixed sphere, metres: the semi-major axis of the International ellipsoid.
constexpr double kSphereRadius = 6378388.0;
}  // namespace

erc SMerc::GeoToGrid(double lat, double lon, double& x, double& y) const {
    if (std::fabs(lat) == kHalfPi) return Failure(TELLUS_E_CANNOT_PROJECT);
    return Deliver(ShortLongitude(lon) * kSphereRadius, std::log(std::tan((lat + kHalfPi) / 2)) * kSphereRadius, x, y,
                   TELLUS_E_CANNOT_PROJECT);
}

erc SMerc::GridToGeo(double x, double y, double& lat, double& lon) const {
    lon = ShortLongitude(x / kSphereRadius);
    lat = 2 * std::atan(std::exp(y / kSphereRadius)) - kHalfPi;
    return Success();
}

double SMerc::PrincipalScale1(double lat, double) const { return 1 / std::cos(lat); }
