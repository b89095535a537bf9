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
//   [-pi, pi]; a latitude beyond a pole or a point beyond the end of its parallel's arc is none.
#include "geodesy/projections/Polyconic.h"

#include <cmath>
#include <limits>

namespace {

// Newton's iteration of the inverse latitude: step tolerance (rad, 0.6 mm) and cap.
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
}

double Polyconic::CosineSeries(double lat) const {
    return c0 - C1 * std::cos(2 * lat) + C2 * std::cos(4 * lat) + C3 * std::cos(6 * lat);
}

erc Polyconic::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double dl = LongitudeOffset(lon, centralMeridian);
    const double s = std::sin(lat);
    double dx, dy;
    // Below the smallest normal double sin lat has lost its digits; the equator's values are exact
    // there to far below a micrometre.
    if (std::fabs(s) < kSmallestNormal) {
        dx = a * dl;
        dy = MeridianArc(lat) - M0;
    } else {
        // N cot lat times sin E and 1 - cos E = 2 sin^2(E/2), with the division by sin lat taken
        // after the product with the small factor: N cot lat alone overflows near the equator.
        const double E = dl * s;
        const double NcosLat = RadiusN(lat) * std::cos(lat);
        const double sinHalfE = std::sin(E / 2);
        dx = NcosLat * (std::sin(E) / s);
        dy = MeridianArc(lat) - M0 + NcosLat * (2 * sinHalfE / s) * sinHalfE;
    }
    return Deliver(dx + falseEasting, dy + falseNorthing, x, y, kCannotProject);
}

erc Polyconic::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double dx = x - falseEasting;
    const double dy = y - falseNorthing;
    if (dy == -M0) {
        lat = 0;
        lon = centralMeridian + dx / a;
        return Success();
    }
    const double A = (M0 + dy) / a;
    const double B = (dx / a) * (dx / a) + A * A;
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
    if (!settled || !(std::fabs(phi) <= kHalfPi)) return Failure(kNotConverged);
    const double s = std::sin(phi);
    if (std::fabs(s) < kSmallestNormal)
        return Deliver(phi, ShortLongitude(centralMeridian + dx / a), lat, lon, kLatitudeOutOfRange);
    // E = dl sin lat from its sine and cosine, x tan lat / N and 1 - (y - M + M0) tan lat / N (an
    // arcsine folds points beyond a quarter turn of E back onto nearer ones).
    const double W = std::sqrt(1 - e2 * s * s) * std::tan(phi);
    const double E = std::atan2(W * dx / a, 1 - (A - MeridianArc(phi) / a) * W);
    // The parallel's arc covers |E| <= pi |sin lat|; beyond it the grid point is no point's image.
    if (std::fabs(E) > kPi * std::fabs(s) * (1 + kArcRounding)) return Failure(kLatitudeOutOfRange);
    return Deliver(phi, ShortLongitude(E / s + centralMeridian), lat, lon, kLatitudeOutOfRange);
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
