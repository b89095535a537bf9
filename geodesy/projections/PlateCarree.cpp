// Plate carrée (Snyder, "Map Projections: A Working Manual", 1987, pp. 90-91): x = a cos lat0 dl,
// y = a lat, on the sphere of radius a.
// Departures: a standard parallel at a pole (x always 0, the inverse divides by 0) is refused, and
// a northing beyond a pole (by more than a rounding) fails with code 10 instead of returning a
// latitude past +-pi/2; the inverse longitude is reduced into [-pi, pi].
#include "geodesy/projections/PlateCarree.h"

#include <algorithm>
#include <cmath>

namespace {
// Relative rounding of y = lat a + false northing and back (a few units in the last place).
constexpr double kPoleRounding = 1e-15;
}  // namespace

PlateCarree::PlateCarree(const GeodesyParams& params) : Projection(params) {
    if (a == 0 || !(std::fabs(referenceLatitude) < kHalfPi)) RefuseParameters();
    parallelRadius = a * std::cos(referenceLatitude);
}

erc PlateCarree::GeoToGrid(double lat, double lon, double& x, double& y) const {
    x = LongitudeOffset(lon, centralMeridian) * parallelRadius + falseEasting;
    y = lat * a + falseNorthing;
    return Success();
}

erc PlateCarree::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double phi = (y - falseNorthing) / a;
    // The image of a pole may come back a rounding beyond it.
    if (std::fabs(phi) > kHalfPi * (1 + kPoleRounding)) return Failure(TELLUS_E_OUT_OF_RANGE);
    lat = std::clamp(phi, -kHalfPi, kHalfPi);
    lon = ShortLongitude((x - falseEasting) / parallelRadius + centralMeridian);
    return Success();
}

double PlateCarree::PrincipalScale1(double lat, double) const { return std::cos(referenceLatitude) / std::cos(lat); }

double PlateCarree::PrincipalScale2(double, double) const { return 1.0; }
