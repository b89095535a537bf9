// Conformal oblique cylindrical: the double projection of the Swiss national grid (swisstopo's
// formulas for the Swiss projection; Snyder, "Map Projections: A Working Manual", 1987, p. 73,
// for the Gauss conformal sphere).
// Departures:
// - the longitude difference is reduced into [-pi, pi] (alpha dl is not periodic);
// - both longitudes of the rotated frame are taken with a two-argument arctangent, so points more
//   than a quarter turn from the origin do not fold back onto nearer ones;
// - the point scale is alpha k0 sqrt(M0 N0) cos b / (N cos bb cos lat), with the Gauss sphere
//   radius and k0: it is k0 at the origin;
// - the latitude iteration of the inverse stops within 1e-12 rad of its fixed point, not at a
//   step of 1e-7 rad (up to 4 mm short), and has a cap; the forward refuses the poles of the
//   rotated frame, where the Mercator northing is infinite;
// - the inverse longitude is reduced into [-pi, pi], and near the poles the sphere latitude is
//   taken from its sine and cosine, as is the rotated latitude near the rotated frame's poles.
#include "geodesy/projections/ObliqueCylindrical.h"

#include <algorithm>
#include <cmath>

namespace {

// Fixed-point iteration of the inverse latitude: it stops once the latitude is surely within
// this of the fixed point (rad, 6 micrometres). A pass shrinks the error by at most
// q = e2 / (1 - e2), so after a step s at most s q / (1 - q) remains: the step tolerance is
// kLatitudeError (1 - q) / q, 1.5e-10 rad on the earth's ellipsoids. The textbook's 1e-7 rad
// step left up to 6.7e-10 rad (4 mm).
constexpr double kLatitudeError = 1e-12;
constexpr int kMaxLatitudePasses = 30;
// Beyond this sine of the sphere latitude (82 degrees) the inverse takes it quadrant-safe.
constexpr double kNearPoleSine = 0.99;
// The rotated isometric latitude served both ways (sech 15 = 6e-7: all but the last 4 m before
// a rotated pole, a quarter turn from the origin). Closer, the forward's sine of the rotated
// latitude rounds to 1 where the inverse's did not, and a grid point there maps to a point the
// forward cannot map back.
constexpr double kMaxRotatedIsometric = 15;
// A step of the inverse's cheaper passes this close to the tolerance (relative) is too close to
// call: their iterates differ from the textbook's by a few units in the last place (about 1e-15
// rad in a step, against 1.5e-14 rad here).
constexpr double kStepMargin = 1e-4;
// Below this 1 + expm1(-|y|) (within 1e-8 rad of a pole) the cheaper passes' sech holds fewer
// digits than that margin needs, and the textbook passes take over.
constexpr double kSechFloor = 1e-8;

// ln tan(pi/4 + x/2), the Mercator function.
double mercatorLog(double x) { return std::log(std::tan(kQuarterPi + x / 2)); }

// The sine and cosine of gd(y) = 2 atan(exp y) - pi/2, tanh y and sech y, from m = expm1(-|y|):
// tanh |y| = n / d and sech y = 2 (1 + m) / d with n = -m (2 + m) = 1 - exp(-2|y|) and d = 2 - n,
// which keep their digits next to y = 0.
void gudermannianSinCos(double y, double& sine, double& cosine) {
    const double m = std::expm1(-std::fabs(y));
    const double n = -m * (2 + m);
    const double d = 2 - n;
    sine = std::copysign(n / d, y);
    cosine = 2 * (1 + m) / d;
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
    b0 = std::asin(s / alpha);
    sinB0 = std::sin(b0);
    cosB0 = std::cos(b0);
    K = mercatorLog(b0) - alpha * mercatorLog(lat0) + alpha * e * mercatorLog(std::asin(e * s));
    cosLat0 = c;
    psi0 = mercatorLog(lat0);
    firstPassTerm = e * mercatorLog(std::asin(e * s));
    const double q = e2 / (1 - e2);
    latitudeStepTolerance = q > 0 ? std::min(kLatitudeError * (1 - q) / q, 1.0) : 1.0;
}

double ObliqueCylindrical::SphereLatitude(double lat) const {
    // ln tan(pi/4 + asin(x)/2) = atanh(x).
    return 2 * std::atan(std::exp(alpha * mercatorLog(lat) - alpha * e * std::atanh(e * std::sin(lat)) + K)) - kHalfPi;
}

double ObliqueCylindrical::TextbookSphereLatitude(double lat) const {
    return 2 * std::atan(std::exp(alpha * mercatorLog(lat) - alpha * e * mercatorLog(std::asin(e * std::sin(lat))) + K)) -
           kHalfPi;
}

double ObliqueCylindrical::RotatedSine(double sinB, double cosB, double cosL) const {
    return cosB0 * sinB - sinB0 * cosB * cosL;
}

erc ObliqueCylindrical::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double l = alpha * LongitudeOffset(lon, centralMeridian);
    const double sinL = std::sin(l);
    const double cosL = std::cos(l);
    // The sphere latitude b = gd(w) by its sine and cosine, with ln tan(pi/4 + lat/2) as
    // ln((1 + |s|) / cos lat) with the sign of s, which keeps its digits up to the poles, and
    // ln tan(pi/4 + asin(e s)/2) as atanh(e s).
    const double s = std::sin(lat);
    const double c = std::cos(lat);
    const double psi = std::copysign(std::log((1 + std::fabs(s)) / c), s);
    double sinB = 0, cosB = 0;
    gudermannianSinCos(alpha * psi - alpha * e * std::atanh(e * s) + K, sinB, cosB);
    double sinBb = RotatedSine(sinB, cosB, cosL);
    // Near the poles of the rotated frame, which magnify the last bits of b into micrometres,
    // b as the textbook's steps give it, and the rotated latitude from its sine and cosine, as an
    // arcsine keeps half the digits there.
    const bool nearPole = std::fabs(sinBb) > kNearPoleSine;
    if (nearPole) {
        const double b = TextbookSphereLatitude(lat);
        sinB = std::sin(b);
        cosB = std::cos(b);
        sinBb = RotatedSine(sinB, cosB, cosL);
    }
    if (std::fabs(sinBb) >= 1) return Failure(TELLUS_E_CANNOT_PROJECT);
    // Quadrant-safe: points more than a quarter turn from the origin along the rotated equator
    // would otherwise fold back onto nearer ones.
    const double east = cosB * sinL;
    const double north = cosB0 * cosB * cosL + sinB0 * sinB;
    const double lb = std::atan2(east, north);
    // ln tan(pi/4 + bb/2) = atanh(sin bb).
    const double psiBb = nearPole ? mercatorLog(std::atan2(sinBb, std::hypot(east, north))) : std::atanh(sinBb);
    if (!(std::fabs(psiBb) <= kMaxRotatedIsometric)) return Failure(TELLUS_E_CANNOT_PROJECT);
    return Deliver(falseEasting + R * lb, falseNorthing + R * psiBb, x, y, TELLUS_E_CANNOT_PROJECT);
}

erc ObliqueCylindrical::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double lb = (x - falseEasting) / R;
    const double Y = (y - falseNorthing) / R;
    // The rotated equator is one turn long: beyond half a turn either way the formulas wrap onto
    // points that map elsewhere.
    if (!(std::fabs(lb) <= kPi * (1 + 1e-12))) return Failure(TELLUS_E_NOT_CONVERGED);
    const double sinLb = std::sin(lb);
    const double cosLb = std::cos(lb);
    // The rotated latitude bb = gd(Y) by its sine and cosine, and ln tan(pi/4 + b/2) of the
    // sphere latitude as atanh(sin b).
    // The forward's northings end short of the rotated poles: a northing beyond is the image of
    // no point.
    if (!(std::fabs(Y) <= kMaxRotatedIsometric)) return Failure(TELLUS_E_NOT_CONVERGED);
    double sinBb = 0, cosBb = 0;
    gudermannianSinCos(Y, sinBb, cosBb);
    double sinB = cosB0 * sinBb + sinB0 * cosBb * cosLb;
    double psiB = 0;
    if (std::fabs(sinB) > kNearPoleSine) {
        TELLUS_COUNT_PATH(obliqueNearPole);
        // Near the poles, which magnify the last bits into the longitude, the textbook's steps;
        // there an arcsine keeps half the digits (6 cm), and b comes from its sine and cosine.
        const double bb = 2 * std::atan(std::exp(Y)) - kHalfPi;
        sinBb = std::sin(bb);
        cosBb = std::cos(bb);
        sinB = cosB0 * sinBb + sinB0 * cosBb * cosLb;
        psiB = mercatorLog(std::atan2(sinB, std::hypot(cosBb * sinLb, cosB0 * cosBb * cosLb - sinB0 * sinBb)));
    } else {
        psiB = std::atanh(sinB);
    }
    const double east = cosBb * sinLb;
    const double north = cosB0 * cosBb * cosLb - sinB0 * sinBb;
    const double l = std::atan2(east, north);
    double phi = 0;
    if (!LatitudeOfSphere((psiB - K) / alpha, phi)) return Failure(TELLUS_E_NOT_CONVERGED);
    return Deliver(phi, ShortLongitude(centralMeridian + l / alpha), lat, lon, TELLUS_E_OUT_OF_RANGE);
}

bool ObliqueCylindrical::LatitudeOfSphere(double S, double& lat) const {
    // The passes of TextbookLatitudeOfSphere carried in y = ln tan(pi/4 + phi/2), phi' = gd(y'):
    // y' = S + e/2 ln((1 + e sin phi) / (1 - e sin phi)), where sin phi = tanh y = sign(y) n / d
    // from m = expm1(-|y|), n = -m (2 + m) = 1 - exp(-2|y|) and d = 2 - n, and sech y = cos phi
    // = 2 (1 + m) / d. The textbook's step |phi' - phi| = |gd(y') - gd(y)| lies between |y' - y|
    // times the smaller and the larger sech of the two ends (where they straddle 0, the largest
    // is 1). Only a step that is surely on one side of the tolerance is decided here; the rest,
    // a NaN and a search that does not settle are left to the textbook passes.
    // The first pass, from the reference latitude, adds a constant.
    const double halfE = e / 2;
    double y = S + firstPassTerm, yPrev = psi0, sechPrev = cosLat0;
    for (int pass = 0; pass < kMaxLatitudePasses; ++pass) {
        const double m = std::expm1(-std::fabs(y));
        const double n = -m * (2 + m);
        const double d = 2 - n;
        if (!(1 + m > kSechFloor)) break;
        const double sech = 2 * (1 + m) / d;
        const double dy = std::fabs(y - yPrev);
        const double low = dy * std::min(sech, sechPrev);
        const double high = dy * ((y > 0) != (yPrev > 0) ? 1.0 : std::max(sech, sechPrev));
        if (high < latitudeStepTolerance * (1 - kStepMargin)) {
            lat = 2 * std::atan(std::exp(y)) - kHalfPi;
            return true;
        }
        if (!(low > latitudeStepTolerance * (1 + kStepMargin))) break;
        yPrev = y;
        sechPrev = sech;
        const double eSin = std::copysign(e * n, y);  // e sin phi times d
        y = S + halfE * std::log((d + eSin) / (d - eSin));
    }
    return TextbookLatitudeOfSphere(S, lat);
}

bool ObliqueCylindrical::TextbookLatitudeOfSphere(double S, double& lat) const {
    TELLUS_COUNT_PATH(obliqueTextbook);
    double phi = referenceLatitude;
    bool settled = false;
    for (int pass = 0; pass < kMaxLatitudePasses && !settled; ++pass) {
        const double next = 2 * std::atan(std::exp(S + e * mercatorLog(std::asin(e * std::sin(phi))))) - kHalfPi;
        settled = std::fabs(next - phi) <= latitudeStepTolerance;
        phi = next;
    }
    lat = phi;
    return settled;
}

double ObliqueCylindrical::Convergence(double lat, double lon) const {
    // The grid is conformal with the rotated frame's north as grid north: the angle between the
    // sphere's meridian and the rotated one at the point.
    const double b = SphereLatitude(lat);
    const double l = alpha * WrapLongitude(lon - centralMeridian);
    return std::atan2(-sinB0 * std::sin(l), cosB0 * std::cos(b) + sinB0 * std::sin(b) * std::cos(l));
}

double ObliqueCylindrical::PrincipalScale1(double lat, double lon) const {
    const double b = SphereLatitude(lat);
    const double l = alpha * LongitudeOffset(lon, centralMeridian);
    const double bb = std::asin(std::clamp(RotatedSine(std::sin(b), std::cos(b), std::cos(l)), -1.0, 1.0));
    return alpha * sphereRadius * std::cos(b) / (RadiusN(lat) * std::cos(bb) * std::cos(lat));
}

double ObliqueCylindrical::PrincipalScale2(double lat, double lon) const { return PrincipalScale1(lat, lon); }
