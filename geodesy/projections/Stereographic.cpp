// Oblique stereographic on the Gauss conformal sphere, as in EPSG Guidance Note 7-2, "Oblique
// Stereographic" (method 9809): the sphere of radius sqrt(M0 N0) with exponent n and constant c,
// and the stereographic projection of that sphere from the point opposite the origin. The
// inverse solves the conformal latitude for the geodetic one by Newton's method.
// Departures: the longitude difference is reduced to [-pi, pi]; the point scale carries the
// factor n of the conformal sphere (without it the scale at the origin is not k0); the inverse
// takes the sphere longitude quadrant-safe, so it stays right beyond a quarter turn from the
// origin; the point opposite the origin is refused; the iteration is capped.
#include "geodesy/projections/Stereographic.h"

#include <cmath>

namespace {
// Newton step at which the latitude iteration stops (6e-6 mm on the ground).
constexpr double kStepTolerance = 1e-12;
// The slope below is the system's approximation of the derivative, off by terms of the order of
// e2, so each pass gains about two digits: under ten passes anywhere. The cap stops a NaN from
// looping.
constexpr int kMaxPasses = 30;
// Below this distance from the false origin (metres) the direction of the point is undefined.
constexpr double kOriginDistance = 1e-20;
}  // namespace

Stereographic::Stereographic(const GeodesyParams& params) : Projection(params) {
    double s0 = std::sin(referenceLatitude);
    double c0 = std::cos(referenceLatitude);
    n = std::sqrt(1 + e2 * c0 * c0 * c0 * c0 / (1 - e2));
    chi0 = std::asin(s0 / n);
    c = std::tan(chi0 / 2 + kQuarterPi) /
        std::pow(std::tan(referenceLatitude / 2 + kQuarterPi) * EccentricFactor(referenceLatitude), n);
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
    return 2 * std::atan(c * std::pow(std::tan(lat / 2 + kQuarterPi) * EccentricFactor(lat), n)) - kHalfPi;
}

double Stereographic::SphereLongitude(double lon) const { return n * WrapLongitude(lon - centralMeridian); }

double Stereographic::Denominator(double chi, double L) const {
    return 1 + std::sin(chi0) * std::sin(chi) + std::cos(chi0) * std::cos(chi) * std::cos(L);
}

erc Stereographic::Forward(double lat, double lon, double& x, double& y) const {
    double chi = ConformalLatitude(lat);
    double L = SphereLongitude(lon);
    double B = Denominator(chi, L);
    if (!(B > 0)) return Failure(kCannotProject);
    x = falseEasting + D * std::cos(chi) * std::sin(L) / B;
    y = falseNorthing + D * (std::sin(chi) * std::cos(chi0) - std::sin(chi0) * std::cos(chi) * std::cos(L)) / B;
    return Success();
}

erc Stereographic::Inverse(double x, double y, double& lat, double& lon) const {
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
    double chi = std::asin(std::sin(chi0) * cosG + std::cos(chi0) * sinG * v);
    double dL = std::atan2(sinG * u, std::cos(chi0) * cosG - std::sin(chi0) * sinG * v);
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
    double chi = ConformalLatitude(lat);
    double B = Denominator(chi, SphereLongitude(lon));
    // The sphere's scale over the ellipsoid's parallel radius, times the stereographic scale 2 k0 / B.
    return n * (D / B) * std::cos(chi) / (RadiusN(lat) * std::cos(lat));
}
