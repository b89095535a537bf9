// American polyconic: each parallel is the arc of its own tangent cone, spaced along the central
// meridian by the true meridian arc (Snyder, "Map Projections: A Working Manual", 1987,
// pp. 124-137; the inverse by Newton's method, Snyder's equation 18-25).
// Departures:
// - the longitude difference is reduced into [-pi, pi] (the formulas are not periodic);
// - 1 - cos E is evaluated as 2 sin^2(E/2): near the equator N cot lat is huge and the
//   cancellation in 1 - cos E cost up to centimetres; N cot lat is split into N cos lat and a
//   division by sin lat taken last, since N cot lat alone overflows for latitudes below 1e-300,
//   and latitudes whose sine is denormal take the equator's formulas;
// - the inverse longitude is computed from the final latitude alone (Newton's W of the previous
//   pass is not reused), which near the equator was off by degrees, with a two-argument
//   arctangent (an arcsine folds points beyond a quarter turn of E back), and reduced into
//   [-pi, pi]; a latitude beyond a pole or a point beyond the end of its parallel's arc is none;
// - Newton's passes start from the footpoint lowered by the parallel's rise, not from A, where
//   that settles quickly to the same root.
#include "geodesy/projections/Polyconic.h"

#include <cmath>
#include <limits>

namespace {

// Newton's iteration of the inverse latitude: step tolerance (rad, 0.6 mm) and cap.
constexpr double kLatitudeTolerance = 1e-10;
constexpr int kMaxNewtonPasses = 10;
// Within this of a pole (rad, about 0.6 degrees), and wherever the passes have not settled after
// kSteadyPasses, the iteration converges slowly and its result (or whether it settles within the
// cap) hangs on the rounding of every pass: there the passes take tan and the arc's sines of each
// iterate, so those results stay what they were; elsewhere a pass takes one sine and cosine.
constexpr double kPolarCap = 0.01;
constexpr int kSteadyPasses = 6;
// The first guess serves rises of a parallel up to kGuessedRise (rad), |x| up to kGuessedReach a
// and latitudes from kGuessedLatitude (rad) on, and stands when the passes from it settle within
// kGuessedPasses.
constexpr double kGuessedRise = 0.05;
constexpr double kGuessedReach = 0.5;
constexpr double kGuessedLatitude = 1e-3;
constexpr int kGuessedPasses = 3;
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
    const double A = (M0 + dy) / a;
    const double B = (dx / a) * (dx / a) + A * A;
    // The first guess: the footpoint of A to first order (one step of arc(phi) / a = A from
    // A / c0), lowered by the spherical rise of the parallel at x, (x / a)^2 tan / 2. It saves a
    // pass or two of the three or four from A. Where the rise is large, x far out, the latitude
    // next to the equator or the passes from the guess do not settle quickly, the passes start
    // from A: Newton's method is slow there (its result hangs on where it starts) or may settle
    // on another root.
    const double p0 = A / c0;
    const double sinP0 = std::sin(p0);
    const double cosP0 = std::cos(p0);
    const double rise = (dx / a) * (dx / a) * (sinP0 / cosP0) / 2;
    double phi = p0 + C1 * sinP0 * cosP0 / c0 - rise;
    double s = 0, c = 1;
    bool settled = std::fabs(rise) <= kGuessedRise && std::fabs(dx) <= kGuessedReach * a &&
                   std::fabs(p0) >= kGuessedLatitude && Settle(A, B, kGuessedPasses, phi, s, c);
    if (!settled) {
        TELLUS_COUNT_PATH(polyconicFromA);
        phi = A;
        settled = Settle(A, B, kSteadyPasses, phi, s, c);
    }
    if (!settled || !(std::fabs(phi) <= kHalfPi - kPolarCap)) return GridToGeoSlowly(dx, A, B, lat, lon);
    return Longitude(phi, s, std::sqrt(1 - e2 * s * s) * s / c, MeridianArc(phi, s, c) / a, dx, A, lat, lon);
}

bool Polyconic::Settle(double A, double B, int passes, double& phi, double& s, double& c) const {
    for (int pass = 0; pass < passes; ++pass) {
        TELLUS_COUNT_PATH(polyconicPasses);
        // One sine and cosine a pass (tan, sin 2phi, the arc and its slope follow from them), and
        // the step's numerator and denominator both multiplied by sin cos sqrt(1 - e2 sin^2): one
        // division.
        s = std::sin(phi);
        c = std::cos(phi);
        const double w2 = 1 - e2 * s * s;
        const double w = std::sqrt(w2);
        const double cos2 = (c - s) * (c + s);
        const double Mn = MeridianArc(phi, s, c) / a;
        const double Ma = slope[0] + cos2 * (slope[1] + cos2 * (slope[2] + cos2 * slope[3]));
        const double Q = Mn * Mn + B;
        const double num = s * w * (A * (w * s * Mn + c) - Mn * c - Q * w * s / 2);
        const double den =
            e2 * c * c * c * s * (Q - 2 * A * Mn) / 2 + (A - Mn) * (w2 * s * s * Ma - w) - Ma * c * s * w;
        const double step = num / den;
        phi -= step;
        if (std::fabs(step) <= kLatitudeTolerance) {
            // The sine and cosine of the settled latitude from those of the last iterate: the
            // step's square is below 1e-20.
            const double sNext = s - c * step;
            c += s * step;
            s = sNext;
            return true;
        }
    }
    return false;
}

erc Polyconic::GridToGeoSlowly(double dx, double A, double B, double& lat, double& lon) const {
    TELLUS_COUNT_PATH(polyconicSlowly);
    double phi = A;
    bool settled = false;
    for (int pass = 0; pass < kMaxNewtonPasses && !settled; ++pass) {
        const double s = std::sin(phi);
        const double W = std::sqrt(1 - e2 * s * s) * std::tan(phi);
        const double Mn = MeridianArc(phi) / a;
        const double Ma = CosineSeries(phi);
        const double sin2 = std::sin(2 * phi);
        const double next = phi - (A * (W * Mn + 1) - Mn - (Mn * Mn + B) * W / 2) /
                                      (e2 * sin2 * (Mn * Mn + B - 2 * A * Mn) / (4 * W) +
                                       (A - Mn) * (W * Ma - 2 / sin2) - Ma);
        settled = std::fabs(next - phi) <= kLatitudeTolerance;
        phi = next;
    }
    // Newton may settle on a root beyond a pole (a northing past the pole's image): no point.
    if (!settled || !(std::fabs(phi) <= kHalfPi)) return Failure(TELLUS_E_NOT_CONVERGED);
    const double s = std::sin(phi);
    return Longitude(phi, s, std::sqrt(1 - e2 * s * s) * std::tan(phi), MeridianArc(phi) / a, dx, A, lat, lon);
}

erc Polyconic::Longitude(double phi, double s, double W, double Mn, double dx, double A, double& lat,
                         double& lon) const {
    if (std::fabs(s) < kSmallestNormal)
        return Deliver(phi, ShortLongitude(centralMeridian + dx / a), lat, lon, TELLUS_E_OUT_OF_RANGE);
    // E = dl sin lat from its sine and cosine, x tan lat / N and 1 - (y - M + M0) tan lat / N (an
    // arcsine folds points beyond a quarter turn of E back onto nearer ones).
    const double E = std::atan2(W * dx / a, 1 - (A - Mn) * W);
    // The parallel's arc covers |E| <= pi |sin lat|; beyond it the grid point is no point's image.
    if (std::fabs(E) > kPi * std::fabs(s) * (1 + kArcRounding)) return Failure(TELLUS_E_OUT_OF_RANGE);
    return Deliver(phi, ShortLongitude(E / s + centralMeridian), lat, lon, TELLUS_E_OUT_OF_RANGE);
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
