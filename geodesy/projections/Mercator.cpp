// Mercator on the ellipsoid: x = K dlon, y = K psi with psi the isometric latitude and K the radius
// of the parallel of true scale (Snyder, "Map Projections: A Working Manual", eqs. 7-6, 7-7). The
// inverse solves the isometric latitude by the classical fixed-point iteration (Snyder 7-9), started
// from the series of the conformal latitude.
// Departures: both poles are refused as reference latitude (K would vanish), the iteration is
// capped, and near the poles the isometric latitude is -ln t (which keeps its digits there).
#include "geodesy/projections/Mercator.h"

#include <cmath>

#include "geodesy/SetupRanges.h"
#include "geodesy/projections/ConformalLatitude.h"

namespace {
// Snyder's iteration gains about two digits a pass (its ratio is of the order of e2); 5e-11 rad is
// 0.3 mm on the ground.
constexpr double kLatitudeTolerance = 5e-11;
// Converges in under ten passes anywhere; the cap stops a NaN from looping.
constexpr int kMaxPasses = 30;
// Beyond this sine of the latitude (82 degrees) the northing is taken from t.
constexpr double kNearPoleSine = 0.99;
// Relative rounding of an easting at the edge of the strip.
constexpr double kStripRounding = 1e-12;
// Beyond this latitude (rad) the inverse checks whether the forward maps its result.
constexpr double kNearPoleLatitude = 1.57;
}  // namespace

Mercator::Mercator(const GeodesyParams& params) : Projection(params), series(e) {
    // Also refuses anything beyond a pole and a NaN.
    if (!(std::fabs(referenceLatitude) < kHalfPi)) RefuseParameters();
    K = RadiusN(referenceLatitude) * std::cos(referenceLatitude) / unit;
    // The scale on the equator is the set-up's scale factor: a latitude of true scale next to a
    // pole shrinks the grid below a millimetre's digits.
    if (!(K * unit / a >= setupranges::kMinScaleFactor)) RefuseParameters();
}

erc Mercator::GeoToGrid(double lat, double lon, double& x, double& y) const {
    if (std::fabs(lat) == kHalfPi) return Failure(TELLUS_E_CANNOT_PROJECT);
    double s = std::sin(lat);
    // Within a rounding of a pole sin lat is 1 and the northing infinite: refused like the pole.
    if (std::fabs(s) == 1) return Failure(TELLUS_E_CANNOT_PROJECT);
    // Nearer the poles 1 - |sin lat| keeps few of its digits (a millimetre lost at 89.99998 deg):
    // there the isometric latitude comes from t, which keeps them.
    const double isometric = std::fabs(s) > kNearPoleSine
                                 ? -std::log(ConformalTOf(lat, e))
                                 : std::log(std::pow((1 - e * s) / (1 + e * s), e) * (1 + s) / (1 - s)) / 2;
    return Deliver(LongitudeOffset(lon, centralMeridian) * K + falseEasting, K * isometric + falseNorthing, x, y,
                   TELLUS_E_CANNOT_PROJECT);
}

erc Mercator::GridToGeo(double x, double y, double& lat, double& lon) const {
    // The cylinder is half a turn wide either way of the central meridian; beyond, longitudes wrap.
    if (!(std::fabs(x - falseEasting) <= kPi * K * (1 + kStripRounding))) return Failure(TELLUS_E_NOT_CONVERGED);
    double latitude = 0;
    if (!LatitudeFromConformalT(std::exp(-(y - falseNorthing) / K), e, series, kLatitudeTolerance, kMaxPasses, latitude))
        return Failure(TELLUS_E_NOT_CONVERGED);
    // A northing beyond the image of the last latitude the forward maps (its sine short of 1).
    if (std::fabs(latitude) > kNearPoleLatitude && std::fabs(std::sin(latitude)) == 1) return Failure(TELLUS_E_NOT_CONVERGED);
    lat = latitude;
    lon = WrapLongitude((x - falseEasting) / K + centralMeridian);
    return Success();
}

double Mercator::PrincipalScale1(double lat, double) const {
    double s = std::sin(lat);
    double s0 = std::sin(referenceLatitude);
    return std::sqrt((1 - e2 * s * s) / (1 - e2 * s0 * s0)) * std::cos(referenceLatitude) / std::cos(lat);
}
