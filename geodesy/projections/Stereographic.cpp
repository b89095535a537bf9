// Oblique stereographic on the Gauss conformal sphere, as in EPSG Guidance Note 7-2, "Oblique
// Stereographic" (method 9809): the sphere of radius sqrt(M0 N0) with exponent n and constant c,
// and the stereographic projection of that sphere from the point opposite the origin. The
// inverse solves the conformal latitude for the geodetic one by Newton's method, started from the
// series' latitude of the ellipsoid's conformal latitude.
// Departures: the longitude difference is reduced to [-pi, pi]; the point scale carries the
// factor n of the conformal sphere (without it the scale at the origin is not k0); the inverse
// takes the sphere longitude quadrant-safe, so it stays right beyond a quarter turn from the
// origin, and the conformal latitude from its sine and cosine, so it holds up to the poles; the
// point opposite the origin and the sliver behind the back meridian where the sphere's longitude
// passes half a turn are refused; the iteration is capped.
#include "geodesy/projections/Stereographic.h"

#include <cmath>

#include "geodesy/projections/ConformalLatitude.h"

namespace {
// Newton step at which the latitude iteration stops (6e-6 mm on the ground).
constexpr double kStepTolerance = 1e-12;
// From the series' start one pass settles. The slope below is the system's approximation of the
// derivative, off by terms of the order of e2, so any further pass gains about two digits. The cap
// stops a NaN from looping.
constexpr int kMaxPasses = 30;
// B below this (within 300 m of the point opposite the origin, grid coordinates beyond 1e11 m)
// holds more rounding than value: such points are refused like the opposite point itself.
constexpr double kAntipodeDenominator = 1e-9;
// Reference latitudes beyond this (rad, 89 degrees) take the constants in the polar form; the two
// agree within a micrometre here, and nearer the pole the arcsine and the tangent of the closed
// forms lose digits as the colatitude shrinks.
constexpr double kPolarCap = 89 * kPi / 180;
// Below this distance from the false origin (metres) the direction of the point is undefined.
constexpr double kOriginDistance = 1e-20;
}  // namespace

Stereographic::Stereographic(const GeodesyParams& params) : Projection(params), series(e) {
    double s0 = std::sin(referenceLatitude);
    double c0 = std::cos(referenceLatitude);
    n = std::sqrt(1 + e2 * c0 * c0 * c0 * c0 / (1 - e2));
    // sin chi0 = sin lat0 / n, and cos chi0 from n^2 - sin^2 lat0 = cos^2 lat0 (1 + e2 cos^2 lat0 /
    // (1 - e2)) without the cancellation of an arcsine next to a pole. At a pole cos lat0 is a
    // rounding of 0, and cos chi0 and the origin's t are both in proportion to it: c takes their
    // ratio, the polar stereographic's limit, where tan(chi0/2 + pi/4) alone is 1.6e16 or 0.
    // Off the polar caps the closed forms as they stood, to the bit.
    if (std::fabs(referenceLatitude) <= kPolarCap) {
        chi0 = std::asin(s0 / n);
        sinChi0 = std::sin(chi0);
        cosChi0 = std::cos(chi0);
        c = std::tan(chi0 / 2 + kQuarterPi) * std::pow(ConformalTOf(referenceLatitude, e), n);
    } else {
        sinChi0 = s0 / n;
        cosChi0 = c0 * std::sqrt(1 + e2 * c0 * c0 / (1 - e2)) / n;
        chi0 = std::atan2(sinChi0, cosChi0);
        const double t0n = std::pow(ConformalTOf(referenceLatitude, e), n);
        c = sinChi0 >= 0 ? (1 + sinChi0) * (t0n / cosChi0) : cosChi0 * t0n / (1 - sinChi0);
    }
    L0 = n * centralMeridian;
    double w = 1 - e2 * s0 * s0;
    double M0 = (1 - e2) * a / std::pow(w, 1.5);
    double N0 = a / std::sqrt(w);
    R = std::sqrt(M0 * N0);
    D = 2 * k0 * R;
    gridD = D / unit;
}

double Stereographic::EccentricFactor(double sinLat) const {
    return std::pow((1 - e * sinLat) / (1 + e * sinLat), e / 2);
}

double Stereographic::ConformalLatitude(double lat) const {
    // tan(lat/2 + pi/4) ((1 - e sin lat)/(1 + e sin lat))^(e/2) is 1 / t.
    return 2 * std::atan(c / std::pow(ConformalTOf(lat, e), n)) - kHalfPi;
}

double Stereographic::SphereLongitude(double lon) const { return n * LongitudeOffset(lon, centralMeridian); }

double Stereographic::Denominator(double sinChi, double cosChi, double cosL) const {
    return 1 + sinChi0 * sinChi + cosChi0 * cosChi * cosL;
}

erc Stereographic::GeoToGrid(double lat, double lon, double& x, double& y) const {
    double chi = ConformalLatitude(lat);
    double L = SphereLongitude(lon);
    // Behind the back meridian, within 180 (1 - 1/n) degrees of it, the sphere's longitude n dl
    // passes half a turn and lands on points that the other side already covers: no inverse
    // could tell them apart.
    if (std::fabs(L) > kPi) return Failure(TELLUS_E_CANNOT_PROJECT);
    const double sinChi = std::sin(chi), cosChi = std::cos(chi), sinL = std::sin(L), cosL = std::cos(L);
    double B = Denominator(sinChi, cosChi, cosL);
    // Next to the point opposite the origin B is a rounding of 0 and the coordinates 0/0.
    if (!(B > kAntipodeDenominator)) return Failure(TELLUS_E_CANNOT_PROJECT);
    const double northing = sinChi * cosChi0 - sinChi0 * cosChi * cosL;
    return Deliver(falseEasting + gridD * cosChi * sinL / B, falseNorthing + gridD * northing / B, x, y,
                   TELLUS_E_CANNOT_PROJECT);
}

erc Stereographic::GridToGeo(double x, double y, double& lat, double& lon) const {
    double u = (x - falseEasting) * unit / k0;
    double v = (y - falseNorthing) * unit / k0;
    double rho = std::hypot(u, v);
    if (rho > kOriginDistance) {
        u /= rho;
        v /= rho;
    } else {
        u = 1.0;
        v = 0.0;
    }
    // The forward refuses points whose denominator B = 2 / (1 + (rho / 2R)^2) is below
    // kAntipodeDenominator: grid points that far out are no point's image.
    const double half = rho / (2 * R);
    if (!(2 / (1 + half * half) > kAntipodeDenominator)) return Failure(TELLUS_E_NOT_CONVERGED);
    // Angular distance g from the origin on the sphere, and the direction (u, v) towards the point.
    double g = 2 * std::atan(half);
    double sinG = std::sin(g);
    double cosG = std::cos(g);
    // The conformal latitude from its sine and cosine: an arcsine loses half the digits near the
    // poles and returns the pole itself for points within 1e-8 rad of it.
    double eastward = sinG * u;
    double northward = cosChi0 * cosG - sinChi0 * sinG * v;
    double chi = std::atan2(sinChi0 * cosG + cosChi0 * sinG * v, std::hypot(eastward, northward));
    double dL = std::atan2(eastward, northward);
    // The poles of the conformal sphere are the poles of the ellipsoid (where the slope below is 0).
    if (std::fabs(chi) == kHalfPi) {
        lat = chi;
        lon = WrapLongitude((dL + L0) / n);
        return Success();
    }
    double target = std::tan(chi / 2 + kQuarterPi);
    // The start: the series' geodetic latitude of the ellipsoid's conformal latitude, whose t is
    // (c / target)^(1/n); it is within a rounding of the root, so one step settles it. Newton's
    // step, not the other conformal classes' fixed point: the two differ by up to 8e-16 rad, and
    // the conversion pins hold these bits.
    double s, cosLat;
    double latitude = series.Latitude(std::pow(c / target, 1 / n), s, cosLat);
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        TELLUS_COUNT_PATH(conformalPasses);
        if (pass > 0) {
            s = std::sin(latitude);
            cosLat = std::cos(latitude);
        }
        // tan(lat/2 + pi/4) without cancellation on either side of the equator.
        double T = s >= 0 ? (1 + s) / cosLat : cosLat / (1 - s);
        double S = EccentricFactor(s);
        double TS = T * S;
        double P = std::pow(TS, n);
        double F = c * P - target;
        // 1 / (2 cos^2(lat/2 + pi/4)) is (1 + T^2) / 2.
        double slope = n * c * (P / TS) * (S * (1 + T * T) / 2 - e2 * s * cosLat * T / (1 - e2 * s));
        double step = F / slope;
        latitude -= step;
        if (std::fabs(step) <= kStepTolerance) {
            lat = latitude;
            lon = WrapLongitude((dL + L0) / n);
            return Success();
        }
    }
    return Failure(TELLUS_E_NOT_CONVERGED);
}

double Stereographic::Convergence(double lat, double lon) const {
    // The ellipsoid's meridian is the sphere's meridian L; the sphere's stereographic image of it
    // runs along (-sin L (sin chi + sin chi0), cos chi0 cos chi + (1 + sin chi0 sin chi) cos L).
    const double chi = ConformalLatitude(lat);
    const double L = SphereLongitude(lon);
    return std::atan2(-std::sin(L) * (std::sin(chi) + sinChi0),
                      cosChi0 * std::cos(chi) + (1 + sinChi0 * std::sin(chi)) * std::cos(L));
}

double Stereographic::PrincipalScale1(double lat, double lon) const {
    // cos chi and sin chi from w = tan(chi/2 + pi/4) = c / t^n: cos chi = 2 w / (1 + w^2) keeps its
    // digits at the poles, where the cosine of chi itself is a rounding of pi/2.
    double w = c / std::pow(ConformalTOf(lat, e), n);
    double cosChi = 2 / (w + 1 / w);
    double sinChi = (w - 1 / w) / (w + 1 / w);
    double B = Denominator(sinChi, cosChi, std::cos(SphereLongitude(lon)));
    // The sphere's scale over the ellipsoid's parallel radius, times the stereographic scale 2 k0 / B.
    return n * (D / B) * cosChi / (RadiusN(lat) * std::cos(lat));
}
