// Polar stereographic on the ellipsoid, after Snyder, "Map Projections: A Working Manual",
// eqs. 21-33 to 21-40 (radius from the pole, scale at the pole or a latitude of true scale) and
// 3-5 (the series from conformal to geodetic latitude, to e^8).
// Departures: in the inverse only the pole itself is put on the central meridian (the rest of the
// line x = false easting lies on both sides of the pole); the scale at the pole is its limit k0
// instead of 0/0; the pole opposite the aspect is refused (tan(pi/2) rounds to a finite value).
#include "geodesy/projections/PolarStereo.h"

#include <cmath>

#include "geodesy/SetupRanges.h"
#include "geodesy/projections/ConformalLatitude.h"

namespace {
// A reference latitude this close to a pole (rad) is the pole: k0 is the scale there.
constexpr double kPoleTolerance = 1e-5;
}  // namespace

PolarStereo::PolarStereo(const GeodesyParams& params) : Projection(params) {
    north = referenceLatitude >= 0;
    double eccentricNorm = std::sqrt(std::pow(1 + e, 1 + e) * std::pow(1 - e, 1 - e));
    if (std::fabs(std::fabs(referenceLatitude) - kHalfPi) > kPoleTolerance) {
        double s = std::sin(referenceLatitude);
        double mc = std::cos(referenceLatitude) / std::sqrt(1 - e2 * s * s);
        k0 = eccentricNorm * mc / (2 * ConformalT(referenceLatitude));
        // The scale at the pole it implies is the set-up's scale factor (a latitude of true scale
        // in the other hemisphere implies one far beyond any).
        if (!(k0 >= setupranges::kMinScaleFactor && k0 <= setupranges::kMaxScaleFactor)) RefuseParameters();
    }
    K = 2 * a * k0 / eccentricNorm;
    farthestRadius = Radius(std::nextafter(north ? -kHalfPi : kHalfPi, 0.0)) * (1 + 1e-9);
    double e4 = e2 * e2, e6 = e4 * e2, e8 = e4 * e4;
    c2 = e2 / 2 + 5.0 / 24 * e4 + e6 / 12 + 13.0 / 360 * e8;
    c4 = 7.0 / 48 * e4 + 29.0 / 240 * e6 + 811.0 / 11520 * e8;
    c6 = 7.0 / 120 * e6 + 81.0 / 1120 * e8;
    c8 = 4279.0 / 161280 * e8;
}

double PolarStereo::ConformalT(double lat) const { return north ? ConformalTOf(lat, e) : ConformalTOf(-lat, e); }

double PolarStereo::Radius(double lat) const { return K * ConformalT(lat); }

erc PolarStereo::GeoToGrid(double lat, double lon, double& x, double& y) const {
    // The pole opposite the aspect is at infinity (tan of pi/2 rounds to a finite number there).
    if (lat == (north ? -kHalfPi : kHalfPi)) return Failure(TELLUS_E_CANNOT_PROJECT);
    double rho = Radius(lat) / unit;
    double d = LongitudeDifference(lon, centralMeridian);
    return Deliver(falseEasting + rho * std::sin(d),
                   north ? falseNorthing - rho * std::cos(d) : falseNorthing + rho * std::cos(d), x, y, TELLUS_E_CANNOT_PROJECT);
}

erc PolarStereo::GridToGeo(double x, double y, double& lat, double& lon) const {
    double dx = (x - falseEasting) * unit;
    double dy = (y - falseNorthing) * unit;
    double rho = std::hypot(dx, dy);
    double q = std::atan(rho / K);
    double chi = north ? kHalfPi - 2 * q : 2 * q - kHalfPi;
    if (rho == 0)
        lon = ShortLongitude(centralMeridian);
    else
        lon = WrapLongitude(std::atan2(dx, north ? -dy : dy) + centralMeridian);
    lat = chi + c2 * std::sin(2 * chi) + c4 * std::sin(4 * chi) + c6 * std::sin(6 * chi) + c8 * std::sin(8 * chi);
    // The opposite pole is at infinity: a radius up to that of the last latitude short of it is a
    // rounding of that latitude, a larger one no point's image.
    if (lat == (north ? -kHalfPi : kHalfPi)) {
        if (!(rho <= farthestRadius)) return Failure(TELLUS_E_NOT_CONVERGED);
        lat = std::nextafter(lat, 0.0);
    }
    return Success();
}

double PolarStereo::Convergence(double, double lon) const {
    // Meridians are the rays from the pole: north of it they point back to the pole.
    const double d = WrapLongitude(lon - centralMeridian);
    return north ? -d : d;
}

double PolarStereo::PrincipalScale1(double lat, double) const {
    double rho = Radius(lat);
    // At the pole radius and parallel both vanish (t keeps their ratio right up to it).
    if (rho == 0) return k0;
    return rho / (RadiusN(lat) * std::cos(lat));
}
