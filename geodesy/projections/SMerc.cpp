// Spherical Mercator (Snyder, "Map Projections: A Working Manual", eqs. 7-1, 7-2, 7-4) on a fixed
// sphere. Departures: the poles are refused instead of returning an infinite northing, and
// longitudes beyond half a turn are reduced both ways, so that every inverse is a longitude.
#include "geodesy/projections/SMerc.h"

#include <cmath>

namespace {
// Radius of the fixed sphere, metres: the semi-major axis of the International ellipsoid.
constexpr double kSphereRadius = 6378388.0;
// Relative rounding of an easting at the edge of the strip.
constexpr double kStripRounding = 1e-12;
}  // namespace

erc SMerc::GeoToGrid(double lat, double lon, double& x, double& y) const {
    if (std::fabs(lat) == kHalfPi) return Failure(TELLUS_E_CANNOT_PROJECT);
    const double R = kSphereRadius / unit;
    return Deliver(ShortLongitude(lon) * R, std::log(std::tan((lat + kHalfPi) / 2)) * R, x, y, TELLUS_E_CANNOT_PROJECT);
}

erc SMerc::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double R = kSphereRadius / unit;
    // Beyond half a turn of the sphere's equator the strip wraps: no point maps there.
    if (!(std::fabs(x) <= kPi * R * (1 + kStripRounding))) return Failure(TELLUS_E_NOT_CONVERGED);
    lon = ShortLongitude(x / R);
    lat = 2 * std::atan(std::exp(y / R)) - kHalfPi;
    // The image ends at the last latitudes short of the poles, whose northings round to a pole
    // here: such a northing is that latitude, one beyond it no point's.
    if (std::fabs(lat) == kHalfPi) {
        const double last = std::nextafter(lat, 0.0);
        if (!(std::fabs(y / R) <= std::fabs(std::log(std::tan((last + kHalfPi) / 2))) * (1 + kStripRounding)))
            return Failure(TELLUS_E_NOT_CONVERGED);
        lat = last;
    }
    return Success();
}

double SMerc::PrincipalScale1(double lat, double) const { return 1 / std::cos(lat); }
