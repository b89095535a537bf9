// Albers equal-area conic on the ellipsoid, after Snyder, "Map Projections: A Working Manual",
// eqs. 14-1 to 14-6, 14-18, 14-19 and 3-16 (the Newton iteration from q back to the latitude).
// Departures: the longitude difference is reduced to [-pi, pi] in the forward and the inverse
// result; the inverse takes the polar angle quadrant-safe; the iteration starts from the authalic
// latitude asin(q / qp) instead of asin(q / 2), which settles within the 10 passes right up to the
// pole (the spherical start needs twenty passes near it); q at the pole's image gives the pole
// and q beyond it is outside the projected area; non-finite constants are refused; a sphere
// takes the limit of the logarithmic term.
#include "geodesy/projections/Albers.h"

#include <cmath>

#include "geodesy/projections/ConeAngle.h"

namespace {
// Newton step at which the inverse iteration stops (the step after it is of the order of its
// square).
constexpr double kStepTolerance = 1e-7;
// Passes the inverse iteration gets; from the authalic start it needs about three.
constexpr int kMaxPasses = 10;
// Rounding margin of q at the pole's image: forward and inverse of the pole agree to about
// 1e-15 / n; a q this far beyond qp is a point past the pole.
constexpr double kPoleQTolerance = 1e-10;
// Nearest a standard parallel may come to a pole (rad, 0.006 degrees): the radius of a latitude
// next to it is off by about 2e-9 / colatitude metres.
constexpr double kPolarParallel = 1e-4;
}  // namespace

Albers::Albers(const GeodesyParams& params) : Projection(params) {
    semiMajorUnits = a / unit;
    double m1 = ParallelRadius(northParallel);
    double q1 = Q(northParallel);
    if (northParallel == southParallel) {
        n = std::sin(northParallel);
    } else {
        double m2 = ParallelRadius(southParallel);
        n = (m1 * m1 - m2 * m2) / (Q(southParallel) - q1);
    }
    G = n * q1 + m1 * m1;
    rho0 = semiMajorUnits * std::sqrt(G - n * Q(referenceLatitude)) / n;
    qp = Q(kHalfPi);
    if (n == 0 || !std::isfinite(n) || !std::isfinite(rho0)) RefuseParameters();
    // A standard parallel next to a pole leaves G - n q, the square of the radius over a there,
    // to the rounding of q at the pole: the radii of the neighbouring latitudes hold no millimetre.
    if (!(kHalfPi - std::fabs(northParallel) >= kPolarParallel && kHalfPi - std::fabs(southParallel) >= kPolarParallel))
        RefuseParameters();
}

double Albers::LogTerm(double s) const {
    if (e == 0) return -s;
    return std::log((1 - e * s) / (1 + e * s)) / (2 * e);
}

double Albers::Q(double lat) const {
    double s = std::sin(lat);
    return (1 - e2) * (s / (1 - e2 * s * s) - LogTerm(s));
}

double Albers::ParallelRadius(double lat) const {
    double s = std::sin(lat);
    return std::sqrt((1 - s * s) / (1 - e2 * s * s));
}

erc Albers::GeoToGrid(double lat, double lon, double& x, double& y) const {
    double theta = LongitudeOffset(lon, centralMeridian) * n;
    double rho = semiMajorUnits * std::sqrt(G - n * Q(lat)) / n;
    return Deliver(falseEasting + rho * std::sin(theta), rho0 + falseNorthing - rho * std::cos(theta), x, y,
                   TELLUS_E_CANNOT_PROJECT);
}

erc Albers::GridToGeo(double x, double y, double& lat, double& lon) const {
    double dx = x - falseEasting;
    double dy = rho0 - (y - falseNorthing);
    double rho = std::hypot(dx, dy);
    // Outside the cone's wedge the grid point is no point's image.
    const double span = std::fabs(x) + std::fabs(y) + std::fabs(falseEasting) + std::fabs(falseNorthing) + std::fabs(rho0);
    const double angle = ConeAngle(dx, dy, n);
    if (!OnConeImage(angle, rho, n, span)) return Failure(TELLUS_E_NOT_CONVERGED);
    lon = ConeLongitude(angle, dx, dy, n, centralMeridian);
    double q = (G - rho * rho * n * n / (semiMajorUnits * semiMajorUnits)) / n;
    if (std::fabs(q) > qp + kPoleQTolerance) return Failure(TELLUS_E_OUT_OF_RANGE);
    if (std::fabs(q) >= qp) {
        lat = std::copysign(kHalfPi, q);
        return Success();
    }
    double latitude = std::asin(q / qp);
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        double s = std::sin(latitude);
        double w = 1 - e2 * s * s;
        double step = w * w / (2 * std::cos(latitude)) * (q / (1 - e2) - s / w + LogTerm(s));
        latitude += step;
        if (std::fabs(step) <= kStepTolerance) {
            // Next to a pole the last step may pass it by the iteration's tolerance.
            lat = std::fabs(latitude) > kHalfPi ? std::copysign(kHalfPi, latitude) : latitude;
            return Success();
        }
    }
    lat = latitude;
    return Failure(TELLUS_E_NOT_CONVERGED);
}

double Albers::Convergence(double, double lon) const { return -WrapLongitude(lon - centralMeridian) * n; }

double Albers::PrincipalScale2(double lat, double) const {
    return std::sqrt(G - n * Q(lat)) / ParallelRadius(lat);
}

double Albers::PrincipalScale1(double lat, double lon) const {
    if (std::fabs(lat) == kHalfPi) throw Failure(TELLUS_E_OUT_OF_RANGE);
    return 1 / PrincipalScale2(lat, lon);
}
