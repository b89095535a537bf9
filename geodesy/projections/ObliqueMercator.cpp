// Hotine oblique Mercator: the ellipsoid is mapped conformally onto the aposphere (constants B, E
// and the function t of the conformal latitude), the aposphere by an oblique Mercator about the
// centre line (Snyder, "Map Projections: A Working Manual", 1987, pp. 66-75; EPSG Guidance Note
// 7-2, Hotine variants A and B). u is measured from the natural origin, as in variant A.
// Departures, each for a result that would otherwise be NaN with success:
// - D^2 - 1 is taken as 0 when rounding makes it negative (a centre on the equator), and the two
//   arcsines of the constants are kept in their domain;
// - a centre at a pole leaves no centre line and is refused;
// - at a pole the forward takes the limit U = +-sin gamma0, u = (A / B) lat;
// - the longitude difference from the natural origin is reduced into [-pi, pi], since the
//   formulas are not periodic in it (B > 1);
// - points within about 30 m of the two points 90 degrees off the centre line are refused with
//   them, as 1 - |U| is a rounding there;
// - the point scale is written as A sqrt(1 - e2 sin^2 lat) / (a cos lat T sqrt(1 - U^2)), the same
//   value as the textbook's without its 0/0 a quarter turn of the aposphere from the origin;
// - the inverse longitude is taken with a two-argument arctangent (as PROJ's omerc does), so it
//   stays right beyond a quarter turn of the aposphere from the natural origin;
// - near the poles the inverse takes (1 + U') / (1 - U') from sums of squares, which keep their
//   digits where the differences lost half of them (0.14 m at the pole, or a NaN).
// The inverse's latitude iteration starts from the series of the conformal latitude, within a
// rounding of the fixed point, in place of the sphere's latitude: one pass settles it, and the
// latitude is the fixed point's instead of up to 1e-11 rad short of it.
#include "geodesy/projections/ObliqueMercator.h"

#include <algorithm>
#include <cmath>

#include "geodesy/projections/ConformalLatitude.h"

namespace {

// A centre closer than this to a pole (6 m) has no usable centre line: the pole itself comes
// back as the other pole for centres 2e-8 rad from it.
constexpr double kPolarCentreTolerance = 1e-6;
// The latitude iteration of the inverse: its step tolerance (rad; from the series' start one pass
// settles) and its cap, which stops a NaN from looping.
constexpr double kLatitudeTolerance = 1e-9;
constexpr int kMaxLatitudePasses = 30;
// 1 - |U| at and below which the forward refuses a point next to the two points 90 degrees off
// the centre line (within about 30 m of them; nearer, the round trip loses a millimetre).
constexpr double kOffLineRounding = 1e-11;
// Beyond this |U'| (within about 8 degrees of a pole) the inverse takes 1 -+ U' cancellation-free.
constexpr double kNearPoleU = 0.99;
// Relative rounding of u at the edge of the strip.
constexpr double kStripRounding = 1e-12;

}  // namespace

ObliqueMercator::ObliqueMercator(const GeodesyParams& params) : Projection(params), series(e) {
    const double lat0 = referenceLatitude;
    if (!(std::fabs(lat0) < kHalfPi - kPolarCentreTolerance) || a == 0) RefuseParameters();
    const double sin0 = std::sin(lat0);
    const double cos0 = std::cos(lat0);
    const double w2 = 1 - e2 * sin0 * sin0;
    B = std::sqrt(1 + e2 * cos0 * cos0 * cos0 * cos0 / (1 - e2));
    A = a * B * k0 * std::sqrt(1 - e2) / w2;
    const double D = B * std::sqrt(1 - e2) / (cos0 * std::sqrt(w2));
    // On the equator D is 1 and D^2 - 1 may round to -2e-16.
    const double root = std::sqrt(std::max(D * D - 1, 0.0));
    const double F = lat0 >= 0 ? D + root : D - root;
    E = F * std::pow(ConformalT(lat0), B);
    const double G = (F - 1 / F) / 2;
    gamma0 = std::asin(std::clamp(std::sin(skewAzimuth) / D, -1.0, 1.0));
    lon0 = centralMeridian - std::asin(std::clamp(G * std::tan(gamma0), -1.0, 1.0)) / B;
    sinGamma0 = std::sin(gamma0);
    cosGamma0 = std::cos(gamma0);
    nu0 = std::atanh(sinGamma0);
    vLimit = A * std::log((2 - kOffLineRounding) / kOffLineRounding) / (2 * B);
}

double ObliqueMercator::ConformalT(double lat) const { return ConformalTOf(lat, e); }

erc ObliqueMercator::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double dl = LongitudeOffset(lon, lon0);
    const double s = std::sin(lat);
    double U, u;
    // Only the pole itself: within 1.5e-8 rad of it sin lat rounds to 1 but t still holds the point.
    if (std::fabs(lat) == kHalfPi) {
        // At a pole t is 0 (Q infinite): the limit of U and u.
        U = s > 0 ? sinGamma0 : -sinGamma0;
        u = A / B * std::copysign(kHalfPi, lat);
    } else {
        const double Q = E / std::pow(ConformalT(lat), B);
        const double S = (Q - 1 / Q) / 2;
        const double T = (Q + 1 / Q) / 2;
        const double V = std::sin(B * dl);
        U = (S * sinGamma0 - V * cosGamma0) / T;
        u = A / B * std::atan2(S * cosGamma0 + V * sinGamma0, std::cos(B * dl));
    }
    // 90 degrees off the centre line v is infinite; within 30 m of those points 1 - |U| holds
    // more rounding than value (v off by up to 0.1 m on the ground).
    if (!(1 - std::fabs(U) > kOffLineRounding)) return Failure(TELLUS_E_CANNOT_PROJECT);
    const double v = A * std::log((1 - U) / (1 + U)) / (2 * B);
    double gx = 0, gy = 0;
    SkewToGrid(u, v, gx, gy);
    return Deliver(gx, gy, x, y, TELLUS_E_CANNOT_PROJECT);
}

erc ObliqueMercator::GridToGeo(double x, double y, double& lat, double& lon) const {
    double u = 0, v = 0;
    GridToSkew(u, v, x, y);
    // The strip of the aposphere's full turn about the centre line, |u| <= pi A / B: beyond it the
    // formulas wrap onto points that map elsewhere.
    if (!(std::fabs(u) <= kPi * A / B * (1 + kStripRounding))) return Failure(TELLUS_E_NOT_CONVERGED);
    // Nor is a v the forward never gives: it refuses the points where 1 - |U| is a rounding.
    if (!(std::fabs(v) < vLimit)) return Failure(TELLUS_E_NOT_CONVERGED);
    return SkewToGeo(u, v, lat, lon);
}

erc ObliqueMercator::SkewToGeo(double u, double v, double& lat, double& lon) const {
    const double Qp = std::exp(-B * v / A);
    const double Sp = (Qp - 1 / Qp) / 2;
    const double Tp = (Qp + 1 / Qp) / 2;
    const double Vp = std::sin(B * u / A);
    const double Up = (Vp * cosGamma0 + Sp * sinGamma0) / Tp;
    double ratio = (1 + Up) / (1 - Up);
    if (std::fabs(Up) > kNearPoleU && cosGamma0 > 0) {
        // Near the poles 1 -+ U' is a difference of nearly equal numbers (and may round past 0):
        // with nu = -B v / A, nu0 = atanh(sin gamma0) and W = B u / A,
        //   1 -+ U' = 2 cos gamma0 (sinh^2((nu -+ nu0)/2) + sin^2(pi/4 -+ W/2)) / cosh nu,
        // sums of squares that keep their digits.
        const double nu = -B * v / A, W = B * u / A;
        const double plus = std::sinh((nu + nu0) / 2), minus = std::sinh((nu - nu0) / 2);
        const double up = std::sin(kQuarterPi + W / 2), down = std::sin(kQuarterPi - W / 2);
        ratio = (plus * plus + up * up) / (minus * minus + down * down);
    }
    const double t = std::pow(E / std::sqrt(ratio), 1 / B);
    double phi = 0;
    if (!LatitudeFromConformalT(t, e, series, kLatitudeTolerance, kMaxLatitudePasses, phi))
        return Failure(TELLUS_E_NOT_CONVERGED);
    // Quadrant-safe: beyond a quarter turn of the aposphere from the natural origin cos(B u / A)
    // is negative, and a plain arctangent of the ratio would land half a turn (180/B deg) off.
    const double dl = std::atan2(Sp * cosGamma0 - Vp * sinGamma0, std::cos(B * u / A)) / B;
    return Deliver(phi, ShortLongitude(lon0 - dl), lat, lon, TELLUS_E_OUT_OF_RANGE);
}

double ObliqueMercator::PrincipalScale1(double lat, double lon) const {
    const double dl = LongitudeOffset(lon, lon0);
    const double Q = E / std::pow(ConformalT(lat), B);
    const double S = (Q - 1 / Q) / 2;
    const double T = (Q + 1 / Q) / 2;
    const double V = std::sin(B * dl);
    const double U = (S * sinGamma0 - V * cosGamma0) / T;
    const double s = std::sin(lat);
    // The textbook's cos(B u / A) / cos(B dl) is 0/0 a quarter turn of the aposphere from the
    // natural origin; it equals 1 / (T sqrt(1 - U^2)), since (S cos g0 + V sin g0)^2 + cos^2(B dl)
    // = T^2 (1 - U^2).
    return A * std::sqrt(1 - e2 * s * s) / (a * std::cos(lat) * T * std::sqrt(1 - U * U));
}

double ObliqueMercator::PrincipalScale2(double lat, double lon) const { return PrincipalScale1(lat, lon); }

double ObliqueMercator::RotatedConvergence(double sinG, double cosG, double lat, double lon) const {
    // The meridian's direction in the skew frame, from the aposphere's latitude p (tanh of its
    // isometric latitude ln Q is sin p) and longitude B dl: du ~ cos(B dl) cos g0 and
    // dv ~ -(cos p sin g0 + sin p sin(B dl) cos g0), both per unit of the aposphere's latitude.
    const double dl = WrapLongitude(lon - lon0);
    const double s = std::sin(lat);
    double sinP = s > 0 ? 1.0 : -1.0, cosP = 0.0;
    if (std::fabs(s) < 1) {
        const double psi = std::log(E) - B * std::log(ConformalT(lat));
        sinP = std::tanh(psi);
        cosP = 1 / std::cosh(psi);
    }
    const double du = std::cos(B * dl) * cosGamma0;
    const double dv = -(cosP * sinGamma0 + sinP * std::sin(B * dl) * cosGamma0);
    return std::atan2(du * sinG + dv * cosG, du * cosG - dv * sinG);
}

void ObliqueMercator::RotateToGrid(double sinG, double cosG, double u, double v, double& x, double& y) const {
    x = (u * sinG + v * cosG) / unit + falseEasting;
    y = (u * cosG - v * sinG) / unit + falseNorthing;
}

void ObliqueMercator::RotateToSkew(double sinG, double cosG, double& u, double& v, double x, double y) const {
    const double X = (x - falseEasting) * unit;
    const double Y = (y - falseNorthing) * unit;
    v = X * cosG - Y * sinG;
    u = X * sinG + Y * cosG;
}

Hotine::Hotine(const GeodesyParams& params)
    : ObliqueMercator(params), sinAlpha(std::sin(skewAzimuth)), cosAlpha(std::cos(skewAzimuth)) {}

void Hotine::SkewToGrid(double u, double v, double& x, double& y) const { RotateToGrid(sinAlpha, cosAlpha, u, v, x, y); }

void Hotine::GridToSkew(double& u, double& v, double x, double y) const { RotateToSkew(sinAlpha, cosAlpha, u, v, x, y); }

double Hotine::Convergence(double lat, double lon) const { return RotatedConvergence(sinAlpha, cosAlpha, lat, lon); }

RSO::RSO(const GeodesyParams& params) : ObliqueMercator(params) {}

void RSO::SkewToGrid(double u, double v, double& x, double& y) const { RotateToGrid(sinGamma0, cosGamma0, u, v, x, y); }

void RSO::GridToSkew(double& u, double& v, double x, double y) const { RotateToSkew(sinGamma0, cosGamma0, u, v, x, y); }

double RSO::Convergence(double lat, double lon) const { return RotatedConvergence(sinGamma0, cosGamma0, lat, lon); }
