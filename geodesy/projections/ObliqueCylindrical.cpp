// Conformal oblique cylindrical: the double projection of the Swiss national grid (swisstopo's
// formulas for the Swiss projection; Snyder, "Map Projections: A Working Manual", 1987, p. 73,
// for the Gauss conformal sphere).
// Departures:
// - the longitude difference is reduced into [-pi, pi] (alpha dl is not periodic);
// - both longitudes of the rotated frame are taken with a two-argument arctangent, so points more
//   than a quarter turn from the origin do not fold back onto nearer ones;
// - the point scale is alpha k0 sqrt(M0 N0) cos b / (N cos bb cos lat), with the Gauss sphere
//   radius and k0: it is k0 at the origin;
// - the latitude iteration of the inverse has a cap, and the forward refuses the poles of the
//   rotated frame, where the Mercator northing is infinite;
// - the inverse longitude is reduced into [-pi, pi], and near the poles the sphere latitude is
//   taken from its sine and cosine, as is the rotated latitude near the rotated frame's poles.
#include "geodesy/projections/ObliqueCylindrical.h"

#include <algorithm>
#include <cmath>

namespace {

// Fixed-point iteration of the inverse latitude: step tolerance (rad; each pass shrinks the
// error by about e2, so the result is within 1e-9 rad) and cap.
constexpr double kLatitudeTolerance = 1e-7;
constexpr int kMaxLatitudePasses = 30;
// Beyond this sine of the sphere latitude (82 degrees) the inverse takes it quadrant-safe.
constexpr double kNearPoleSine = 0.99;

// ln tan(pi/4 + x/2), the Mercator function.
double mercatorLog(double x) { return std::log(std::tan(kQuarterPi + x / 2)); }

}  // namespace

ObliqueCylindrical::ObliqueCylindrical(const GeodesyParams& params) : Projection(params) {
    const double lat0 = referenceLatitude;
    if (a == 0 || !(std::fabs(lat0) < kHalfPi)) RefuseParameters();
    const double s = std::sin(lat0);
    const double c = std::cos(lat0);
    const double w2 = 1 - e2 * s * s;
    const double M0 = (1 - e2) * a / std::pow(w2, 1.5);
    const double N0 = a / std::sqrt(w2);
    sphereRadius = k0 * std::sqrt(M0 * N0);
    R = sphereRadius / unit;
    alpha = std::sqrt(1 + e2 * c * c * c * c / (1 - e2));
    b0 = std::asin(s / alpha);
    sinB0 = std::sin(b0);
    cosB0 = std::cos(b0);
    K = mercatorLog(b0) - alpha * mercatorLog(lat0) + alpha * e * mercatorLog(std::asin(e * s));
}

double ObliqueCylindrical::SphereLatitude(double lat) const {
    return 2 * std::atan(std::exp(alpha * mercatorLog(lat) - alpha * e * mercatorLog(std::asin(e * std::sin(lat))) + K)) -
           kHalfPi;
}

double ObliqueCylindrical::RotatedSine(double b, double l) const {
    return cosB0 * std::sin(b) - sinB0 * std::cos(b) * std::cos(l);
}

erc ObliqueCylindrical::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double b = SphereLatitude(lat);
    const double l = alpha * LongitudeOffset(lon, centralMeridian);
    const double sinBb = RotatedSine(b, l);
    if (std::fabs(sinBb) >= 1) return Failure(kCannotProject);
    // Quadrant-safe: points more than a quarter turn from the origin along the rotated equator
    // would otherwise fold back onto nearer ones.
    const double east = std::cos(b) * std::sin(l);
    const double north = cosB0 * std::cos(b) * std::cos(l) + sinB0 * std::sin(b);
    const double lb = std::atan2(east, north);
    // Near the poles of the rotated frame an arcsine keeps half the digits.
    const double bb = std::fabs(sinBb) > kNearPoleSine ? std::atan2(sinBb, std::hypot(east, north)) : std::asin(sinBb);
    return Deliver(falseEasting + R * lb, falseNorthing + R * mercatorLog(bb), x, y, kCannotProject);
}

erc ObliqueCylindrical::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double lb = (x - falseEasting) / R;
    const double bb = 2 * std::atan(std::exp((y - falseNorthing) / R)) - kHalfPi;
    const double sinB = cosB0 * std::sin(bb) + sinB0 * std::cos(bb) * std::cos(lb);
    const double east = std::cos(bb) * std::sin(lb);
    const double north = cosB0 * std::cos(bb) * std::cos(lb) - sinB0 * std::sin(bb);
    // Near the poles an arcsine keeps half the digits (6 cm): there b comes from its sine and cosine.
    const double b = std::fabs(sinB) > kNearPoleSine ? std::atan2(sinB, std::hypot(east, north))
                                                     : std::asin(std::clamp(sinB, -1.0, 1.0));
    const double l = std::atan2(east, north);
    const double S = (mercatorLog(b) - K) / alpha;
    double phi = referenceLatitude;
    bool settled = false;
    for (int pass = 0; pass < kMaxLatitudePasses && !settled; ++pass) {
        const double next = 2 * std::atan(std::exp(S + e * mercatorLog(std::asin(e * std::sin(phi))))) - kHalfPi;
        settled = std::fabs(next - phi) <= kLatitudeTolerance;
        phi = next;
    }
    if (!settled) return Failure(kNotConverged);
    return Deliver(phi, ShortLongitude(centralMeridian + l / alpha), lat, lon, kLatitudeOutOfRange);
}

double ObliqueCylindrical::PrincipalScale1(double lat, double lon) const {
    const double b = SphereLatitude(lat);
    const double l = alpha * LongitudeOffset(lon, centralMeridian);
    const double bb = std::asin(std::clamp(RotatedSine(b, l), -1.0, 1.0));
    return alpha * sphereRadius * std::cos(b) / (RadiusN(lat) * std::cos(bb) * std::cos(lat));
}

double ObliqueCylindrical::PrincipalScale2(double lat, double lon) const { return PrincipalScale1(lat, lon); }
