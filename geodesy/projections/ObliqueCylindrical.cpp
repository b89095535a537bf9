// Conformal oblique cylindrical: the double projection of the Swiss national grid (swisstopo's
// formulas for the Swiss projection; Snyder, "Map Projections: A Working Manual", 1987, p. 73,
// for the Gauss conformal sphere).
// Departures:
// - the longitude difference is reduced into [-pi, pi] (alpha dl is not periodic);
// - both longitudes of the rotated frame are taken with a two-argument arctangent, so points more
//   than a quarter turn from the origin do not fold back onto nearer ones;
// - the point scale is alpha k0 sqrt(M0 N0) cos b / (N cos bb cos lat), with the Gauss sphere
//   radius and k0: it is k0 at the origin;
// - every ln tan(pi/4 + x/2) is taken from the sine and cosine of x, the rotated frame's cosines
//   from their two components, which keeps the digits up to the poles (an arcsine keeps half);
// - the inverse latitude is found by Newton's method to within 1e-12 rad of the textbook's fixed
//   point, not by its passes to a step of 1e-7 rad (up to 4 mm short); the forward refuses the
//   poles of the rotated frame, where the Mercator northing is infinite, and the inverse
//   longitude is reduced into [-pi, pi].
#include "geodesy/projections/ObliqueCylindrical.h"

#include <algorithm>
#include <cmath>

namespace {

// The inverse latitude is within this of its fixed point (rad, 6 micrometres).
constexpr double kLatitudeError = 1e-12;
constexpr int kMaxLatitudePasses = 30;
// The northings served both ways (sech 15 = 6e-7: all but the last 4 m before a rotated pole, a
// quarter turn from the origin). The forward's cos bb there rests on a difference of products
// good to 1e-16, which the northing magnifies by cosh 15: beyond, more than a millimetre.
constexpr double kMaxRotatedIsometric = 15;

// ln tan(pi/4 + x/2) from sin x and cos^2 x: ln((1 + |sin x|) / cos x) with the sign of sin x.
double isometric(double sine, double cosine2) {
    const double t = 1 + std::fabs(sine);
    return std::copysign(std::log(t * t / cosine2) / 2, sine);
}

// The sine and cosine of gd(y) = 2 atan(exp y) - pi/2, tanh y and sech y, from one exponential:
// the sine to its last place, the cosine to its last digits relative even next to the poles.
void gudermannianSinCos(double y, double& sine, double& cosine) {
    const double t = std::exp(-std::fabs(y));
    const double d = 1 + t * t;
    sine = std::copysign((1 - t * t) / d, y);
    cosine = 2 * t / d;
}

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
    // cos^2 b0 = 1 - sin^2 lat0 / alpha^2 = cos^2 lat0 (1 + e2 cos^2 lat0 / (1 - e2)) / alpha^2,
    // without the difference that loses the digits next to the poles.
    sinB0 = s / alpha;
    cosB0 = c * std::sqrt(1 + e2 * c * c / (1 - e2)) / alpha;
    // ln tan(pi/4 + asin(x)/2) = atanh(x).
    firstPassTerm = e * std::atanh(e * s);
    K = isometric(sinB0, cosB0 * cosB0) - alpha * isometric(s, c * c) + alpha * firstPassTerm;
    // A Newton step d from an error E of y = ln tan(pi/4 + lat/2) leaves at most
    // max|f''| / min f' E^2 <= q E^2 (f below; q = e2 / (1 - e2)), and E <= |d| / (1 - q) as each
    // step shrinks the error by q at least: a step below sqrt(kLatitudeError / q) (1 - q), 1.2e-5
    // on the earth's ellipsoids, leaves kLatitudeError at most, in y and so in the latitude.
    const double q = e2 / (1 - e2);
    latitudeStepTolerance = q > 0 ? std::min(std::sqrt(kLatitudeError / q) * (1 - q), 1.0) : 1.0;
}

inline void ObliqueCylindrical::SphereSinCos(double lat, double& sinB, double& cosB) const {
    const double s = std::sin(lat);
    const double c = std::cos(lat);
    gudermannianSinCos(alpha * isometric(s, c * c) - alpha * e * std::atanh(e * s) + K, sinB, cosB);
}

erc ObliqueCylindrical::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double l = alpha * LongitudeOffset(lon, centralMeridian);
    const double sinL = std::sin(l);
    const double cosL = std::cos(l);
    double sinB = 0, cosB = 0;
    SphereSinCos(lat, sinB, cosB);
    // Quadrant-safe: points more than a quarter turn from the origin along the rotated equator
    // would otherwise fold back onto nearer ones.
    const double east = cosB * sinL;
    const double north = cosB0 * cosB * cosL + sinB0 * sinB;
    const double psiBb = isometric(cosB0 * sinB - sinB0 * cosB * cosL, east * east + north * north);
    if (!(std::fabs(psiBb) <= kMaxRotatedIsometric)) return Failure(TELLUS_E_CANNOT_PROJECT);
    return Deliver(falseEasting + R * std::atan2(east, north), falseNorthing + R * psiBb, x, y,
                   TELLUS_E_CANNOT_PROJECT);
}

erc ObliqueCylindrical::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double lb = (x - falseEasting) / R;
    const double Y = (y - falseNorthing) / R;
    // The rotated equator is one turn long: beyond half a turn either way the formulas wrap onto
    // points that map elsewhere. The forward's northings end short of the rotated poles: a
    // northing beyond is the image of no point.
    if (!(std::fabs(lb) <= kPi * (1 + 1e-12))) return Failure(TELLUS_E_NOT_CONVERGED);
    if (!(std::fabs(Y) <= kMaxRotatedIsometric)) return Failure(TELLUS_E_NOT_CONVERGED);
    const double sinLb = std::sin(lb);
    const double cosLb = std::cos(lb);
    double sinBb = 0, cosBb = 0;
    gudermannianSinCos(Y, sinBb, cosBb);
    const double east = cosBb * sinLb;
    const double north = cosB0 * cosBb * cosLb - sinB0 * sinBb;
    const double psiB = isometric(cosB0 * sinBb + sinB0 * cosBb * cosLb, east * east + north * north);
    double phi = 0;
    if (!LatitudeOfSphere((psiB - K) / alpha, phi)) return Failure(TELLUS_E_NOT_CONVERGED);
    return Deliver(phi, ShortLongitude(centralMeridian + std::atan2(east, north) / alpha), lat, lon,
                   TELLUS_E_OUT_OF_RANGE);
}

bool ObliqueCylindrical::LatitudeOfSphere(double S, double& lat) const {
    // The latitude's y = ln tan(pi/4 + lat/2) solves f(y) = y - e atanh(e tanh y) - S = 0, with
    // f'(y) = (1 - e2) / (1 - e2 tanh^2 y); Newton's method from the textbook's first pass, from
    // the reference latitude. A sphere pole (S infinite) is the pole.
    if (std::isinf(S)) {
        lat = std::copysign(kHalfPi, S);
        return true;
    }
    double y = S + firstPassTerm;
    for (int pass = 0; pass < kMaxLatitudePasses; ++pass) {
        TELLUS_COUNT_PATH(obliquePasses);
        const double et = e * std::tanh(y);
        const double step = (y - e * std::atanh(et) - S) * (1 - et * et) / (1 - e2);
        y -= step;
        if (std::fabs(step) <= latitudeStepTolerance) {
            lat = std::atan(std::sinh(y));
            return true;
        }
    }
    return false;
}

double ObliqueCylindrical::Convergence(double lat, double lon) const {
    // The grid is conformal with the rotated frame's north as grid north: the angle between the
    // sphere's meridian and the rotated one at the point.
    double sinB = 0, cosB = 0;
    SphereSinCos(lat, sinB, cosB);
    const double l = alpha * WrapLongitude(lon - centralMeridian);
    return std::atan2(-sinB0 * std::sin(l), cosB0 * cosB + sinB0 * sinB * std::cos(l));
}

double ObliqueCylindrical::PrincipalScale1(double lat, double lon) const {
    double sinB = 0, cosB = 0;
    SphereSinCos(lat, sinB, cosB);
    const double l = alpha * LongitudeOffset(lon, centralMeridian);
    const double cosBb = std::hypot(cosB * std::sin(l), cosB0 * cosB * std::cos(l) + sinB0 * sinB);
    return alpha * sphereRadius * cosB / (RadiusN(lat) * cosBb * std::cos(lat));
}

double ObliqueCylindrical::PrincipalScale2(double lat, double lon) const { return PrincipalScale1(lat, lon); }
