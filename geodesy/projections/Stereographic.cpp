// Oblique stereographic on the Gauss conformal sphere, as in EPSG Guidance Note 7-2, "Oblique
// Stereographic" (method 9809): the sphere of radius sqrt(M0 N0) with exponent n and constant c,
// and the stereographic projection of that sphere from the point opposite the origin. The
// inverse solves the conformal latitude for the geodetic one by Newton's method.
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
// The slope below is the system's approximation of the derivative, off by terms of the order of
// e2, so each pass gains about two digits: under ten passes anywhere. The cap stops a NaN from
// looping.
constexpr int kMaxPasses = 30;
// B below this (within 300 m of the point opposite the origin, grid coordinates beyond 1e11 m)
// holds more rounding than value: such points are refused like the opposite point itself.
constexpr double kAntipodeDenominator = 1e-9;
// Below this distance from the false origin (metres) the direction of the point is undefined.
constexpr double kOriginDistance = 1e-20;
}  // namespace

Stereographic::Stereographic(const GeodesyParams& params) : Projection(params) {
    double s0 = std::sin(referenceLatitude);
    double c0 = std::cos(referenceLatitude);
    n = std::sqrt(1 + e2 * c0 * c0 * c0 * c0 / (1 - e2));
    chi0 = std::asin(s0 / n);
    c = std::tan(chi0 / 2 + kQuarterPi) * std::pow(ConformalTOf(referenceLatitude, e), n);
    L0 = n * centralMeridian;
    double w = 1 - e2 * s0 * s0;
    double M0 = (1 - e2) * a / std::pow(w, 1.5);
    double N0 = a / std::sqrt(w);
    R = std::sqrt(M0 * N0);
    D = 2 * k0 * R;
}

double Stereographic::EccentricFactor(double lat) const {
    double s = std::sin(lat);
    return std::pow((1 - e * s) / (1 + e * s), e / 2);
}

double Stereographic::ConformalLatitude(double lat) const {
    // tan(lat/2 + pi/4) ((1 - e sin lat)/(1 + e sin lat))^(e/2) is 1 / t.
    return 2 * std::atan(c / std::pow(ConformalTOf(lat, e), n)) - kHalfPi;
}

double Stereographic::SphereLongitude(double lon) const { return n * LongitudeOffset(lon, centralMeridian); }

double Stereographic::Denominator(double chi, double L) const {
    return 1 + std::sin(chi0) * std::sin(chi) + std::cos(chi0) * std::cos(chi) * std::cos(L);
}

erc Stereographic::GeoToGrid(double lat, double lon, double& x, double& y) const {
    double chi = ConformalLatitude(lat);
    double L = SphereLongitude(lon);
    // Behind the back meridian, within 180 (1 - 1/n) degrees of it, the sphere's longitude n dl
    // passes half a turn and lands on points that the other side already covers: no inverse
    // could tell them apart.
    if (std::fabs(L) > kPi) return Failure(kCannotProject);
    double B = Denominator(chi, L);
    // Next to the point opposite the origin B is a rounding of 0 and the coordinates 0/0.
    if (!(B > kAntipodeDenominator)) return Failure(kCannotProject);
    const double northing = std::sin(chi) * std::cos(chi0) - std::sin(chi0) * std::cos(chi) * std::cos(L);
    return Deliver(falseEasting + D * std::cos(chi) * std::sin(L) / B, falseNorthing + D * northing / B, x, y,
                   kCannotProject);
}

erc Stereographic::GridToGeo(double x, double y, double& lat, double& lon) const {
    double u = (x - falseEasting) / k0;
    double v = (y - falseNorthing) / k0;
    double rho = std::hypot(u, v);
    if (rho > kOriginDistance) {
        u /= rho;
        v /= rho;
    } else {
        u = 1.0;
        v = 0.0;
    }
    // Angular distance g from the origin on the sphere, and the direction (u, v) towards the point.
    double g = 2 * std::atan(rho / (2 * R));
    double sinG = std::sin(g);
    double cosG = std::cos(g);
    // The conformal latitude from its sine and cosine: an arcsine loses half the digits near the
    // poles and returns the pole itself for points within 1e-8 rad of it.
    double eastward = sinG * u;
    double northward = std::cos(chi0) * cosG - std::sin(chi0) * sinG * v;
    double chi = std::atan2(std::sin(chi0) * cosG + std::cos(chi0) * sinG * v, std::hypot(eastward, northward));
    double dL = std::atan2(eastward, northward);
    // The poles of the conformal sphere are the poles of the ellipsoid (where the slope below is 0).
    if (std::fabs(chi) == kHalfPi) {
        lat = chi;
        lon = WrapLongitude((dL + L0) / n);
        return Success();
    }
    double target = std::tan(chi / 2 + kQuarterPi);
    double latitude = chi;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        double s = std::sin(latitude);
        double T = std::tan(latitude / 2 + kQuarterPi);
        double S = EccentricFactor(latitude);
        double TS = T * S;
        double F = c * std::pow(TS, n) - target;
        double half = std::cos(latitude / 2 + kQuarterPi);
        double slope = n * c * std::pow(TS, n - 1) *
                       (S / (2 * half * half) - e2 * s * std::cos(latitude) * T / (1 - e2 * s));
        double step = F / slope;
        latitude -= step;
        if (std::fabs(step) <= kStepTolerance) {
            lat = latitude;
            lon = WrapLongitude((dL + L0) / n);
            return Success();
        }
    }
    return Failure(kNotConverged);
}

double Stereographic::PrincipalScale1(double lat, double lon) const {
    // cos chi and sin chi from w = tan(chi/2 + pi/4) = c / t^n: cos chi = 2 w / (1 + w^2) keeps its
    // digits at the poles, where the cosine of chi itself is a rounding of pi/2.
    double w = c / std::pow(ConformalTOf(lat, e), n);
    double cosChi = 2 / (w + 1 / w);
    double sinChi = (w - 1 / w) / (w + 1 / w);
    double B = 1 + std::sin(chi0) * sinChi + std::cos(chi0) * cosChi * std::cos(SphereLongitude(lon));
    // The sphere's scale over the ellipsoid's parallel radius, times the stereographic scale 2 k0 / B.
    return n * (D / B) * cosChi / (RadiusN(lat) * std::cos(lat));
}
