// American polyconic: each parallel is the arc of its own tangent cone, spaced along the central
// meridian by the true meridian arc (Snyder, "Map Projections: A Working Manual", 1987,
// pp. 124-137; the inverse by Newton's method, Snyder's equation 18-25).
// Departures:
// - the longitude difference is reduced into [-pi, pi] (the formulas are not periodic);
// - 1 - cos E is evaluated as 2 sin^2(E/2): near the equator N cot lat is huge and the
//   cancellation in 1 - cos E cost up to centimetres; N cot lat is split into N cos lat and a
//   division by sin lat taken last, since N cot lat alone overflows for latitudes below 1e-300,
//   and latitudes whose sine is denormal take the equator's formulas;
// - the inverse latitude is Newton's root of the point's distance from its parallel's circle, not
//   of the textbook's function (the point's power to that circle): that one has a double root at
//   the pole, and its passes from A settle beyond a pole or not at all far from the central
//   meridian; from the footpoint lowered by the parallel's rise every image of the globe comes
//   back;
// - the inverse longitude is computed from the final latitude alone (Newton's W of the previous
//   pass is not reused), which near the equator was off by degrees, with a two-argument
//   arctangent (an arcsine folds points beyond a quarter turn of E back), and reduced into
//   [-pi, pi]; a point beyond the end of its parallel's arc is none.
#include "geodesy/projections/Polyconic.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Newton's iteration of the inverse latitude: step tolerance (rad, 0.6 mm) and cap, with room (the
// domain and reference sweeps take the image of the whole globe back within it).
constexpr double kLatitudeTolerance = 1e-10;
constexpr int kMaxNewtonPasses = 10;
// The series constant of the meridian arc, kept as the decimal the arc uses (not -35/3072).
constexpr double kArcSixth = -0.01139322916667;
constexpr double kSmallestNormal = std::numeric_limits<double>::min();
// Relative rounding of E at the end of a parallel's arc.
constexpr double kArcRounding = 1e-12;

}  // namespace

Polyconic::Polyconic(const GeodesyParams& params) : Projection(params) {
    if (a == 0) RefuseParameters();
    M0 = MeridianArc(referenceLatitude);
    const double e4 = e2 * e2;
    const double e6 = e4 * e2;
    c0 = 1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256;
    C1 = 2 * (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024);
    C2 = 4 * (15 * e4 / 256 + 45 * e6 / 1024);
    C3 = 6 * (kArcSixth * e6);
    // cos 4lat = 2 cos^2 2lat - 1, cos 6lat = 4 cos^3 2lat - 3 cos 2lat.
    slope[0] = c0 - C2;
    slope[1] = -C1 - 3 * C3;
    slope[2] = 2 * C2;
    slope[3] = 4 * C3;
}

double Polyconic::CosineSeries(double lat) const {
    return c0 - C1 * std::cos(2 * lat) + C2 * std::cos(4 * lat) + C3 * std::cos(6 * lat);
}

erc Polyconic::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double dl = LongitudeOffset(lon, centralMeridian);
    const double s = std::sin(lat);
    const double c = std::cos(lat);
    const double dM = MeridianArc(lat, s, c) - M0;
    double dx, dy;
    // Below the smallest normal double sin lat has lost its digits; the equator's values are exact
    // there to far below a micrometre.
    if (std::fabs(s) < kSmallestNormal) {
        dx = a * dl;
        dy = dM;
    } else {
        // N cot lat times sin E = 2 sin(E/2) cos(E/2) and 1 - cos E = 2 sin^2(E/2), with the
        // division by sin lat taken after the product with the small factor: N cot lat alone
        // overflows near the equator.
        const double E = dl * s;
        const double NcosLat = a / std::sqrt(1 - e2 * s * s) * c;
        const double sinHalfE = std::sin(E / 2);
        const double cosHalfE = std::cos(E / 2);
        const double twiceSinHalfE = 2 * sinHalfE / s;
        dx = NcosLat * (twiceSinHalfE * cosHalfE);
        dy = dM + NcosLat * twiceSinHalfE * sinHalfE;
    }
    return Deliver(dx / unit + falseEasting, dy / unit + falseNorthing, x, y, TELLUS_E_CANNOT_PROJECT);
}

erc Polyconic::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double dx = (x - falseEasting) * unit;
    const double dy = (y - falseNorthing) * unit;
    if (dy == -M0) {
        lat = 0;
        lon = centralMeridian + dx / a;
        return Success();
    }
    // The projection is symmetric about the equator: the latitude of |A| in (0, pi/2], signed.
    // The point lies on the circle of its parallel, centre r = N cot lat / a above the parallel's
    // foot on the central meridian: Newton's passes take the point's distance from that circle,
    // rho - r = (w s (X^2 + d^2) - 2 d c) / (c + hypot(w s X, c - w s d)) with d = A - arc / a,
    // w s = sqrt(1 - e2 s^2) s: smooth from the equator to the pole and with a simple root at the
    // pole too (there the parallels' circles are nearly concentric and Newton's textbook function,
    // their power, has a double root).
    const double X = dx / a;
    const double A = std::fabs(M0 + dy) / a;
    // The start: the footpoint of A to first order, lowered by the spherical rise of the parallel
    // at x, X^2 tan / 2, and kept within (0, pi/2].
    const double p0 = std::min(A / c0, kHalfPi);
    const double sinP0 = std::sin(p0);
    const double cosP0 = std::cos(p0);
    double phi = std::clamp(p0 + C1 * sinP0 * cosP0 / c0 - X * X * sinP0 / (2 * cosP0), p0 / 2, kHalfPi);
    bool settled = false;
    double s = 0, c = 1;
    for (int pass = 0; pass < kMaxNewtonPasses && !settled; ++pass) {
        TELLUS_COUNT_PATH(polyconicPasses);
        s = std::sin(phi);
        c = std::cos(phi);
        const double w = std::sqrt(1 - e2 * s * s);
        const double ws = w * s;
        const double cos2 = (c - s) * (c + s);
        const double d = A - MeridianArc(phi, s, c) / a;
        const double Ma = slope[0] + cos2 * (slope[1] + cos2 * (slope[2] + cos2 * slope[3]));
        // The distance as num / den; k = w (w s)', and the slopes of num and of den times w H
        // (one division a pass).
        const double k = c * (1 - 2 * e2 * s * s);
        const double Q = X * X + d * d;
        const double u = ws * X;
        const double v = c - ws * d;
        const double H = std::sqrt(u * u + v * v);
        const double num = ws * Q - 2 * d * c;
        const double den = c + H;
        const double numSlope = k * Q + w * (2 * Ma * (c - d * ws) + 2 * d * s);
        const double denSlope = (u * X - v * d) * k + w * (v * (ws * Ma - s) - s * H);
        const double step = num * den * w * H / (numSlope * den * H - num * denSlope);
        settled = std::fabs(step) <= kLatitudeTolerance;
        if (settled) {
            // The sine and cosine of the settled latitude from those of the last iterate (the
            // step's square is below 1e-20), kept short of the pole.
            phi = std::min(phi - step, kHalfPi);
            const double sNext = s - c * step;
            c = std::max(c + s * step, 0.0);
            s = sNext;
        } else {
            // A step beyond the pole or past the equator goes to the pole or halfway to the equator.
            phi = std::clamp(phi - step, phi / 2, kHalfPi);
        }
    }
    if (!settled) return Failure(TELLUS_E_NOT_CONVERGED);
    const double sign = M0 + dy < 0 ? -1 : 1;
    if (s < kSmallestNormal)
        return Deliver(sign * phi, ShortLongitude(centralMeridian + dx / a), lat, lon, TELLUS_E_OUT_OF_RANGE);
    // E = dl sin lat from sin E = W X and cos E = 1 - W d, W = a tan lat / N, both times cos lat
    // (finite at the pole).
    const double ws = std::sqrt(1 - e2 * s * s) * s;
    const double E = std::atan2(ws * X, c - (A - MeridianArc(phi, s, c) / a) * ws);
    // The parallel's arc covers |E| <= pi sin lat; beyond it the grid point is no point's image.
    if (std::fabs(E) > kPi * s * (1 + kArcRounding)) return Failure(TELLUS_E_OUT_OF_RANGE);
    return Deliver(sign * phi, ShortLongitude(E / s + centralMeridian), lat, lon, TELLUS_E_OUT_OF_RANGE);
}

namespace {
// sin E / E, (1 - cos E) / E and their derivatives, by their series below 0.1, where the closed
// forms cancel.
struct EFunctions {
    double S, dS, C, dC;
};
EFunctions eFunctions(double E) {
    const double E2 = E * E;
    if (std::fabs(E) < 0.1) {
        return {1 - E2 / 6 * (1 - E2 / 20 * (1 - E2 / 42)), -E / 3 * (1 - E2 / 10 * (1 - E2 / 28 * (1 - E2 / 54))),
                E / 2 * (1 - E2 / 12 * (1 - E2 / 30 * (1 - E2 / 56))), 0.5 - E2 / 8 * (1 - E2 / 18 * (1 - E2 / 40))};
    }
    const double sinE = std::sin(E);
    const double cosE = std::cos(E);
    return {sinE / E, (E * cosE - sinE) / E2, (1 - cosE) / E, (E * sinE - (1 - cosE)) / E2};
}
}  // namespace

double Polyconic::Convergence(double lat, double lon) const {
    // The forward as x = N c dl S(E), y = M - M0 + N c dl C(E), E = dl sin lat, differentiated
    // along the meridian: no division by sin lat, so the equator needs no case of its own.
    const double dl = WrapLongitude(lon - centralMeridian);
    const double s = std::sin(lat);
    const double c = std::cos(lat);
    const double w2 = 1 - e2 * s * s;
    const double N = a / std::sqrt(w2);
    const double dNc = N * e2 * s * c * c / w2 - N * s;  // d(N cos lat)/d lat
    const EFunctions f = eFunctions(dl * s);
    const double dx = dl * (dNc * f.S + N * c * f.dS * dl * c);
    const double dy = N * (1 - e2) / w2 + dl * (dNc * f.C + N * c * f.dC * dl * c);
    return std::atan2(dx, dy);
}

double Polyconic::PrincipalScale2(double lat, double lon) const {
    const double dl = LongitudeOffset(lon, centralMeridian);
    if (lat == 0) return (CosineSeries(0) + dl * dl / 2) / (1 - e2);
    const double s = std::sin(lat);
    const double t = std::tan(lat);
    const double c = std::cos(lat);
    const double E = dl * s;
    const double w2 = 1 - e2 * s * s;
    const double sinHalfE = std::sin(E / 2);
    return (1 - e2 + 2 * w2 * sinHalfE * sinHalfE / (t * t)) /
           ((1 - e2) * std::cos(std::atan((E - std::sin(E)) / (1 / (c * c) - std::cos(E) - e2 * s * s / w2))));
}
