// Lambert azimuthal equal-area: the ellipsoid is mapped onto the authalic sphere of radius R by
// the authalic latitude beta = asin(q / qp), then azimuthally about the centre (Snyder, "Map
// Projections: A Working Manual", 1987, pp. 187-190; EPSG Guidance Note 7-2, method 9820).
// Departures:
// - every length is in grid units (a / unit), in both aspects;
// - the inverse of the false origin returns the centre (the oblique formulas are 0/0 there), and
//   a point outside the disk of radius 2R fails with code 10;
// - the inverse latitude is found by Newton's method on sin lat (the same step as Snyder's
//   iteration, applied to the sine), which keeps quadratic convergence up to the pole; only a q
//   within a few units in the last place of +-qp is taken as the pole itself;
// - the principal scales use the polar form in both aspects (their product, the point scale, is
//   1 either way) and give 1 at a pole, where the ratio is 0/0;
// - the inverse longitude is reduced into [-pi, pi];
// - the forward refuses points within about 300 m of the antipode of the centre, where the disk's
//   rim holds the distance from the antipode too coarsely to be inverted to a millimetre.
#include "geodesy/projections/AZA.h"

#include <algorithm>
#include <cmath>

namespace {

// Aspect: a centre this close to a pole (6 m) is treated as the pole.
constexpr double kPolarAspectTolerance = 1e-6;
// q within this of +-qp (a few units in the last place of q, about 2) is the pole: q cannot tell
// latitudes closer to the pole than about 3e-8 rad apart.
constexpr double kPoleQTolerance = 2e-15;
// Newton's method on sin lat: step tolerance (the sine's own resolution is 1e-16) and cap; from
// the start q / qp it settles in 3 to 5 passes.
constexpr double kSineTolerance = 1e-14;
constexpr int kMaxLatitudePasses = 20;
// 1 + sin beta1 sin beta + cos beta1 cos beta cos dl at and below which a point is refused as the
// antipode of the centre (about 300 m from it).
constexpr double kAntipodeDenominator = 1e-9;
// Points on the rim of the disk (the antipode) may round past it by this relative amount.
constexpr double kDiskTolerance = 1e-12;

}  // namespace

AZA::AZA(const GeodesyParams& params) : Projection(params) {
    if (a == 0) RefuseParameters();
    const double lat1 = referenceLatitude;
    semiMajorUnits = a / unit;
    qp = Q(1.0);
    R = semiMajorUnits * std::sqrt(qp / 2);
    q1 = Q(std::sin(lat1));
    m1 = M(lat1);
    polar = kHalfPi - std::fabs(lat1) < kPolarAspectTolerance;
    south = polar && lat1 < 0;
    beta1 = polar ? std::copysign(kHalfPi, lat1) : std::asin(std::clamp(q1 / qp, -1.0, 1.0));
    sinBeta1 = std::sin(beta1);
    cosBeta1 = std::cos(beta1);
    D = polar ? 1.0 : m1 / (cosBeta1 * std::sqrt(qp / 2));
}

double AZA::Q(double sinLat) const {
    // atanh(e s) / e tends to s on a sphere.
    const double atanhOverE = e == 0 ? sinLat : std::atanh(e * sinLat) / e;
    return (1 - e2) * (sinLat / (1 - e2 * sinLat * sinLat) + atanhOverE);
}

double AZA::M(double lat) const {
    const double s = std::sin(lat);
    return std::sqrt((1 - s * s) / (1 - e2 * s * s));
}

erc AZA::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double dl = LongitudeDifference(lon, centralMeridian);
    const double q = Q(std::sin(lat));
    double dx, dy;
    if (polar) {
        // At the aspect's own pole q may round past qp.
        const double rho = semiMajorUnits * std::sqrt(std::max(south ? qp + q : qp - q, 0.0));
        dx = rho * std::sin(dl);
        dy = south ? rho * std::cos(dl) : -rho * std::cos(dl);
    } else {
        const double beta = std::asin(std::clamp(q / qp, -1.0, 1.0));
        const double sinBeta = std::sin(beta);
        const double cosBeta = std::cos(beta);
        const double cosDl = std::cos(dl);
        const double denominator = 1 + sinBeta1 * sinBeta + cosBeta1 * cosBeta * cosDl;
        // The antipode of the centre maps onto the whole rim of the disk; within 300 m of it the
        // rim's radius changes too little to bring the point back to a millimetre.
        if (!(denominator > kAntipodeDenominator)) return Failure(kCannotProject);
        const double b = R * std::sqrt(2.0) / std::sqrt(denominator);
        dx = b * D * cosBeta * std::sin(dl);
        dy = b / D * (cosBeta1 * sinBeta - sinBeta1 * cosBeta * cosDl);
    }
    return Deliver(dx + falseEasting, dy + falseNorthing, x, y, kCannotProject);
}

erc AZA::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double dx = x - falseEasting;
    const double dy = y - falseNorthing;
    double q, dlon;
    if (polar) {
        const double rho = std::hypot(dx, dy);
        if (rho > 2 * R * (1 + kDiskTolerance)) return Failure(kLatitudeOutOfRange);
        const double r = rho / semiMajorUnits;
        q = std::max(qp - r * r, -qp);
        if (south) {
            dlon = std::atan2(dx, dy);
            q = -q;
        } else {
            dlon = std::atan2(dx, -dy);
        }
    } else {
        const double rho = std::hypot(dx / D, D * dy);
        if (rho == 0) {
            lat = referenceLatitude;
            lon = ShortLongitude(centralMeridian);
            return Success();
        }
        if (rho > 2 * R * (1 + kDiskTolerance)) return Failure(kLatitudeOutOfRange);
        const double ce = 2 * std::asin(std::min(rho / (2 * R), 1.0));
        const double sinCe = std::sin(ce);
        const double cosCe = std::cos(ce);
        q = qp * (cosCe * sinBeta1 + D * dy * sinCe * cosBeta1 / rho);
        dlon = std::atan2(dx * sinCe, D * rho * cosBeta1 * cosCe - D * D * dy * sinBeta1 * sinCe);
    }
    double phi = 0;
    erc status = LatitudeOfQ(q, phi);
    if (status) return status;
    lat = phi;
    lon = ShortLongitude(dlon + centralMeridian);
    return Success();
}

erc AZA::LatitudeOfQ(double q, double& lat) const {
    if (std::fabs(q) > qp - kPoleQTolerance) {
        lat = std::copysign(kHalfPi, q);
        return Success();
    }
    double s = q / qp;
    bool settled = false;
    for (int pass = 0; pass < kMaxLatitudePasses && !settled; ++pass) {
        // dq/d(sin lat) = 2 (1 - e2) / (1 - e2 sin^2 lat)^2.
        const double w = 1 - e2 * s * s;
        const double step = w * w / (2 * (1 - e2)) * (q - Q(s));
        s = std::clamp(s + step, -1.0, 1.0);
        settled = std::fabs(step) <= kSineTolerance;
    }
    if (!settled) return Failure(kNotConverged);
    lat = std::asin(s);
    return Success();
}

double AZA::PrincipalScale1(double lat, double) const {
    const double m = M(lat);
    if (m == 0) return 1.0;
    const double q = Q(std::sin(lat));
    return std::sqrt(std::max(south ? qp + q : qp - q, 0.0)) / m;
}

double AZA::PrincipalScale2(double lat, double lon) const { return 1 / PrincipalScale1(lat, lon); }
