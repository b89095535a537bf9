// Lambert conformal conic on the ellipsoid, after Snyder, "Map Projections: A Working Manual",
// eqs. 15-1 to 15-11 and 7-9 (the latitude iteration of the inverse, started from the series of the
// conformal latitude).
// Departures: the longitude difference is reduced to [-pi, pi] in the forward, the convergence
// and the inverse result; the inverse takes the polar angle quadrant-safe (so the apex gives the
// central meridian and angles beyond a quarter turn stay right); non-finite constants are refused;
// an origin or standard parallel within a rounding of a pole is that pole.
#include "geodesy/projections/Lambert.h"

#include <cmath>

#include "geodesy/SetupRanges.h"
#include "geodesy/projections/ConeAngle.h"
#include "geodesy/projections/ConformalLatitude.h"

namespace {
// Latitude change at which the inverse iteration stops: 1e-10 rad is 0.6 mm on the ground.
constexpr double kLatitudeTolerance = 1e-10;
// Passes the inverse iteration gets; from the series' start it needs one.
constexpr int kMaxPasses = 10;
// A latitude within this of a pole (rad, 6 micrometres) is the pole: the parameter file's degree
// factor 0.01745329251994 puts 90 degrees 2.9e-13 rad short of it, and t^n of that is not 0.
constexpr double kPoleRounding = 1e-12;
// Whether a latitude lies off the poles by more than a rounding (false for a NaN).
bool offThePoles(double lat) { return kHalfPi - std::fabs(lat) > kPoleRounding; }
}  // namespace

Lambert::Lambert(const GeodesyParams& params) : Projection(params), series(e) {
    // A standard parallel at a pole leaves the cone without a finite radius there.
    if (!offThePoles(northParallel) || !offThePoles(southParallel)) RefuseParameters();
    m1 = ParallelRadius(northParallel);
    t1 = ConformalT(northParallel);
    if (northParallel == southParallel)
        n = std::sin(northParallel);
    else
        n = std::log(m1 / ParallelRadius(southParallel)) / std::log(t1 / ConformalT(southParallel));
    F = (a / unit) * k0 * m1 / (std::pow(t1, n) * n);
    // An origin at the apex pole has radius 0.
    const bool apexOrigin = !offThePoles(referenceLatitude) && n * referenceLatitude > 0;
    rho0 = apexOrigin ? 0.0 : F * std::pow(ConformalT(referenceLatitude), n);
    if (n == 0 || !std::isfinite(n) || !std::isfinite(F) || !std::isfinite(rho0)) RefuseParameters();
    // An origin at or next to the far pole lies beyond any false origin's reach (at the pole
    // itself at infinity): its grid would hold no millimetre.
    if (std::fabs(rho0) * unit > setupranges::kMaxFalseOrigin) RefuseParameters();
    farthestRadius = std::fabs(F * std::pow(ConformalT(std::nextafter(n > 0 ? -kHalfPi : kHalfPi, 0.0)), n)) * (1 + 1e-9);
}

double Lambert::ConformalT(double lat) const { return ConformalTOf(lat, e); }

double Lambert::ParallelRadius(double lat) const {
    double s = std::sin(lat);
    return std::cos(lat) / std::sqrt(1 - e2 * s * s);
}

erc Lambert::GeoToGrid(double lat, double lon, double& x, double& y) const {
    double theta = LongitudeOffset(lon, centralMeridian) * n;
    double rho = 0;
    if (std::fabs(lat) == kHalfPi) {
        // The pole at the apex is a point; the other pole is at infinity.
        if (!(n * lat > 0)) return Failure(TELLUS_E_CANNOT_PROJECT);
    } else {
        rho = F * std::pow(ConformalT(lat), n);
    }
    // Within a rounding of the far pole rho overflows: that pole cannot be projected either.
    return Deliver(rho * std::sin(theta) + falseEasting, rho0 + falseNorthing - rho * std::cos(theta), x, y,
                   TELLUS_E_CANNOT_PROJECT);
}

erc Lambert::GridToGeo(double x, double y, double& lat, double& lon) const {
    double dx = x - falseEasting;
    double dy = rho0 - (y - falseNorthing);
    // On a cone opening southwards the radii count negative, like F.
    double rho = std::copysign(std::hypot(dx, dy), n);
    // Outside the cone's wedge the grid point is no point's image.
    const double span = std::fabs(x) + std::fabs(y) + std::fabs(falseEasting) + std::fabs(falseNorthing) + std::fabs(rho0);
    const double angle = ConeAngle(dx, dy, n);
    if (!OnConeImage(angle, rho, n, span)) return Failure(TELLUS_E_NOT_CONVERGED);
    lon = ConeLongitude(angle, dx, dy, n, centralMeridian);
    // The outputs are written even when the iteration does not settle.
    bool settled = LatitudeFromConformalT(std::pow(rho / F, 1 / n), e, series, kLatitudeTolerance, kMaxPasses, lat);
    // The far pole is at infinity: a radius up to that of the last latitude short of it is a
    // rounding of that latitude, a larger one no point's image.
    if (settled && std::fabs(lat) == kHalfPi && !(n * lat > 0)) {
        if (!(std::fabs(rho) <= farthestRadius)) return Failure(TELLUS_E_NOT_CONVERGED);
        lat = std::nextafter(lat, 0.0);
    }
    return settled ? Success() : Failure(TELLUS_E_NOT_CONVERGED);
}

double Lambert::PrincipalScale1(double lat, double) const {
    return k0 * m1 * std::pow(ConformalT(lat) / t1, n) / ParallelRadius(lat);
}

double Lambert::Convergence(double, double lon) const { return -LongitudeOffset(lon, centralMeridian) * n; }
