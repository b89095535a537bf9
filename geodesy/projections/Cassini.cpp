// Cassini-Soldner by the series of Snyder ("Map Projections: A Working Manual", 1987, pp. 92-95;
// EPSG Guidance Note 7-2, method 9806): forward to the fifth power of A = dl cos lat, inverse
// through the footpoint latitude of the rectifying latitude.
// Departures: the longitude difference is reduced into [-pi, pi] (the series are not periodic);
// a footpoint or result beyond a pole fails with code 10 instead of returning a latitude past
// +-pi/2; the inverse longitude is reduced into [-pi, pi].
#include "geodesy/projections/Cassini.h"

#include <algorithm>
#include <cmath>

namespace {
// Newton's method on the forward: it stops when the forward lands within this of the grid point
// (metres), and gets this many steps; from the footpoint series' point it needs two or three.
constexpr double kSettledMiss = 1e-6;
constexpr int kMaxSteps = 12;
}  // namespace

Cassini::Cassini(const GeodesyParams& params) : Projection(params) {
    if (a == 0) RefuseParameters();
    M0 = MeridianArc(referenceLatitude) / unit;
    arcFactor = a * (1 - e2 / 4 - 3 * e2 * e2 / 64 - 5 * e2 * e2 * e2 / 256);
    const double b = (1 - f) * a;
    const double e1 = (a - b) / (a + b);
    const double e1_2 = e1 * e1, e1_3 = e1_2 * e1, e1_4 = e1_3 * e1;
    const double f2 = 3 * e1 / 2 - 27 * e1_3 / 32;
    const double f4 = 21 * e1_2 / 16 - 55 * e1_4 / 32;
    const double f6 = 151 * e1_3 / 96;
    const double f8 = 1097 * e1_4 / 512;
    // The footpoint series f2 sin 2mu + f4 sin 4mu + f6 sin 6mu + f8 sin 8mu, with
    // sin 2k mu = sin 2mu U_{k-1}(cos 2mu): U_1 = 2u, U_2 = 4u^2 - 1, U_3 = 8u^3 - 4u.
    footpoint[0] = f2 - f6;
    footpoint[1] = 2 * f4 - 4 * f8;
    footpoint[2] = 4 * f6;
    footpoint[3] = 8 * f8;
    settledMiss2 = (kSettledMiss / unit) * (kSettledMiss / unit);
}

void Cassini::Project(double lat, double s, double c, double dl, double& x, double& y) const {
    const double N = a / std::sqrt(1 - e2 * s * s) / unit;
    const double eta2 = e2 / (1 - e2) * c * c;
    const double t = s / c;
    const double T = t * t;
    const double A = dl * c;
    const double A2 = A * A;
    const double A3 = A2 * A;
    const double A4 = A2 * A2;
    const double A5 = A4 * A;
    x = falseEasting + N * (A - T * A3 / 6 - (8 - T + 8 * eta2) * T * A5 / 120);
    y = falseNorthing + MeridianArc(lat, s, c) / unit - M0 + N * t * (A2 / 2 + (5 - T + 6 * eta2) * A4 / 24);
}

erc Cassini::GeoToGrid(double lat, double lon, double& x, double& y) const {
    double gx, gy;
    Project(lat, std::sin(lat), std::cos(lat), LongitudeOffset(lon, centralMeridian), gx, gy);
    return Deliver(gx, gy, x, y, TELLUS_E_CANNOT_PROJECT);
}

erc Cassini::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double mu1 = (M0 + y - falseNorthing) * unit / arcFactor;
    const double sinMu = std::sin(mu1);
    const double cosMu = std::cos(mu1);
    const double cos2Mu = (cosMu - sinMu) * (cosMu + sinMu);
    const double lat1 =
        mu1 + 2 * sinMu * cosMu *
                  (footpoint[0] + cos2Mu * (footpoint[1] + cos2Mu * (footpoint[2] + cos2Mu * footpoint[3])));
    if (!(std::fabs(lat1) < kHalfPi)) return Failure(TELLUS_E_OUT_OF_RANGE);
    const double s1 = std::sin(lat1);
    const double c1 = std::cos(lat1);
    const double w2 = 1 - e2 * s1 * s1;
    const double t1 = s1 / c1;
    const double T1 = t1 * t1;
    const double D = (x - falseEasting) * unit * std::sqrt(w2) / a;
    const double D2 = D * D;
    const double D4 = D2 * D2;
    // N1 / R1 = w2 / (1 - e2).
    double phi = lat1 - (t1 * w2 / (1 - e2)) * (D2 / 2 - (1 + 3 * T1) * D4 / 24);
    if (!(std::fabs(phi) <= kHalfPi)) return Failure(TELLUS_E_OUT_OF_RANGE);
    double dl = (D - T1 * D2 * D / 3 + (1 + 3 * T1) * T1 * D4 * D / 15) / c1;
    // The series above invert the forward only near the central meridian (1.7 cm at 3 degrees
    // from it): Newton's method on the forward itself takes their point on.
    for (int step = 0;; ++step) {
        TELLUS_COUNT_PATH(cassiniSteps);
        const double s = std::sin(phi);
        const double c = std::cos(phi);
        double gx = 0, gy = 0;
        Project(phi, s, c, dl, gx, gy);
        const double rx = x - gx;
        const double ry = y - gy;
        if (rx * rx + ry * ry <= settledMiss2) break;
        if (step == kMaxSteps || !std::isfinite(rx) || !std::isfinite(ry)) return Failure(TELLUS_E_NOT_CONVERGED);
        Derivatives d = DerivativesAt(s, c, dl);
        const double det = d.xLat * d.yLon - d.xLon * d.yLat;
        phi = std::clamp(phi + (rx * d.yLon - ry * d.xLon) / det, -kHalfPi, kHalfPi);
        dl += (d.xLat * ry - d.yLat * rx) / det;
    }
    // The forward brings the longitude difference into [-pi, pi]: a difference beyond it, or at
    // the half turn where that reduction flips its sign, would map back elsewhere.
    const double lonOut = ShortLongitude(centralMeridian + dl);
    if (!(std::fabs(dl) < kHalfPi || std::fabs(LongitudeOffset(lonOut, centralMeridian) - dl) < kPi))
        return Failure(TELLUS_E_NOT_CONVERGED);
    return Deliver(phi, lonOut, lat, lon, TELLUS_E_OUT_OF_RANGE);
}

Cassini::Derivatives Cassini::DerivativesAt(double s, double c, double dl) const {
    // The forward written in sin and cos of the latitude (A = dl c, T = s^2 / c^2):
    //   x = N dl c (1 - s^2 dl^2 / 6 - K dl^4 / 120),  K = 8 s^2 c^2 - s^4 + 8 ep2 s^2 c^4,
    //   y = M(lat) - M0 + N s c dl^2 (1/2 + L dl^2 / 24),  L = 5 c^2 - s^2 + 6 ep2 c^4,
    // polynomials without the poles of tan lat, differentiated term by term.
    const double ep2 = e2 / (1 - e2);
    const double w2 = 1 - e2 * s * s;
    const double N = a / std::sqrt(w2) / unit;
    const double dN = N * e2 * s * c / w2;
    const double meridian = N * (1 - e2) / w2;
    const double s2 = s * s, c2 = c * c;
    const double dl2 = dl * dl, dl4 = dl2 * dl2;
    const double K = 8 * s2 * c2 - s2 * s2 + 8 * ep2 * s2 * c2 * c2;
    const double dK = 16 * s * c * (c2 - s2) - 4 * s2 * s * c + 16 * ep2 * s * c * c2 * (c2 - 2 * s2);
    const double P = 1 - s2 * dl2 / 6 - K * dl4 / 120;
    const double dP = -s * c * dl2 / 3 - dK * dl4 / 120;
    const double L = 5 * c2 - s2 + 6 * ep2 * c2 * c2;
    const double Q = 0.5 + L * dl2 / 24;
    const double dQ = -s * c * (1 + 2 * ep2 * c2) * dl2 / 2;
    Derivatives d;
    d.xLat = dl * ((dN * c - N * s) * P + N * c * dP);
    d.xLon = N * c * (1 - s2 * dl2 / 2 - K * dl4 / 24);
    d.yLat = meridian + dl2 * ((dN * s * c + N * (c2 - s2)) * Q + N * s * c * dQ);
    d.yLon = N * s * c * dl * (1 + L * dl2 / 6);
    return d;
}

double Cassini::Convergence(double lat, double lon) const {
    const Derivatives d = DerivativesAt(std::sin(lat), std::cos(lat), WrapLongitude(lon - centralMeridian));
    return std::atan2(d.xLat, d.yLat);
}

double Cassini::PrincipalScale2(double lat, double lon) const {
    return 1 / std::sqrt(1 - IntPow(std::cos(lat) * std::sin(lon - centralMeridian), 2));
}
