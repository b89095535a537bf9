// Lambert azimuthal equal-area: the ellipsoid is mapped onto the authalic sphere of radius R by
// the authalic latitude beta = asin(q / qp), then azimuthally about the centre (Snyder, "Map
// Projections: A Working Manual", 1987, pp. 187-190; EPSG Guidance Note 7-2, method 9820).
// Departures:
// - every length is in grid units (a / unit), in both aspects;
// - the inverse of the false origin returns the centre (the oblique formulas are 0/0 there), and
//   a point outside the disk of radius 2R fails with code 10;
// - the inverse latitude is found by Newton's method on sin lat (the same step as Snyder's
//   iteration, applied to the sine), which keeps quadratic convergence up to the pole, from the
//   sine of the series' latitude (Snyder's eq. 3-18) and, near the poles, from q / qp; only a q
//   within a few units in the last place of +-qp is taken as the pole itself;
// - the principal scales use the polar form in both aspects (their product, the point scale, is
//   1 either way) and give 1 at the aspect's pole, the limit of their ratio;
// - the inverse longitude is reduced into [-pi, pi];
// - near the antipode of the centre the forward takes 1 + cos c from the haversine of the distance
//   to the antipode, and refuses points within about 13 km of it, where the disk's rim holds that
//   distance too coarsely to be inverted to a millimetre.
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
// the series' start (2e-10 from the root on WGS 84) it settles in 2 passes, from q / qp in 3 to 5.
constexpr double kSineTolerance = 1e-14;
constexpr int kMaxLatitudePasses = 20;
// 1 + sin beta1 sin beta + cos beta1 cos beta cos dl, 2 cos^2 of half the distance from the
// centre: below the first it is computed from the distance to the antipode (within 40 degrees of
// it), at and below the second the point is refused as the antipode (within about 13 km of it).
constexpr double kNearAntipode = 0.25;
constexpr double kAntipodeDenominator = 2e-6;
// Points on the rim of the disk (the antipode) may round past it by this relative amount.
constexpr double kDiskTolerance = 1e-12;
// Beyond this |sin beta| (within 0.8 degrees of a pole) the inverse keeps the textbook's steps:
// there the latitude, asin of a sine, changes by more than 1e-14 rad with the sine's last bit.
// Likewise beyond this fraction of the disk's radius (more than 163 degrees from the centre),
// where 2 asin r rounds the distance from the centre coarser than its closed-form sine and
// cosine do, and the two differ by up to 1e-12 rad in the longitude.
constexpr double kFastSineLimit = 0.9999;
constexpr double kFastRimLimit = 0.99;

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
    // Snyder (1987), eq. 3-18: lat = beta + c2 sin 2beta + c4 sin 4beta + c6 sin 6beta.
    const double e4 = e2 * e2, e6 = e4 * e2;
    authalicSeries[0] = e2 / 3 + 31.0 / 180 * e4 + 517.0 / 5040 * e6;
    authalicSeries[1] = 23.0 / 360 * e4 + 251.0 / 3780 * e6;
    authalicSeries[2] = 761.0 / 45360 * e6;
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
        // sin beta is q / qp itself, cos beta its complement's root.
        double sinBeta = std::clamp(q / qp, -1.0, 1.0);
        double cosBeta = std::sqrt((1 - sinBeta) * (1 + sinBeta));
        const double cosDl = std::cos(dl);
        double denominator = 1 + sinBeta1 * sinBeta + cosBeta1 * cosBeta * cosDl;
        // 1 + cos c (c the distance from the centre) is a difference of nearly equal numbers next
        // to the antipode: there it is taken as twice the haversine of the distance from the
        // antipode, a sum of squares (else 2 mm lost at 66 km from it). The rim magnifies there
        // what beta's sine and cosine round: they are taken from beta as ever.
        if (denominator < kNearAntipode) {
            const double beta = std::asin(sinBeta);
            sinBeta = std::sin(beta);
            cosBeta = std::cos(beta);
            const double half = std::sin((beta + beta1) / 2);
            const double halfDl = std::cos(dl / 2);
            denominator = 2 * (half * half + cosBeta1 * cosBeta * halfDl * halfDl);
        }
        // The antipode of the centre maps onto the whole rim of the disk; within 13 km of it the
        // rim's radius changes too little to bring the point back to a millimetre.
        if (!(denominator > kAntipodeDenominator)) return Failure(TELLUS_E_CANNOT_PROJECT);
        const double b = R * std::sqrt(2.0) / std::sqrt(denominator);
        dx = b * D * cosBeta * std::sin(dl);
        dy = b / D * (cosBeta1 * sinBeta - sinBeta1 * cosBeta * cosDl);
    }
    return Deliver(dx + falseEasting, dy + falseNorthing, x, y, TELLUS_E_CANNOT_PROJECT);
}

erc AZA::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double dx = x - falseEasting;
    const double dy = y - falseNorthing;
    double q, dlon;
    if (polar) {
        const double rho = std::hypot(dx, dy);
        if (rho > 2 * R * (1 + kDiskTolerance)) return Failure(TELLUS_E_OUT_OF_RANGE);
        const double r = rho / semiMajorUnits;
        q = std::max(qp - r * r, -qp);
        if (south) {
            dlon = std::atan2(dx, dy);
            q = -q;
        } else {
            dlon = std::atan2(dx, -dy);
        }
    } else {
        // A plain root (grid coordinates are far from overflow, and within 1e-150 of the centre
        // is the centre), and the sine and cosine of the distance ce = 2 asin r from the centre
        // in closed form.
        double rho = std::sqrt((dx / D) * (dx / D) + (D * dy) * (D * dy));
        if (rho == 0) {
            lat = referenceLatitude;
            lon = ShortLongitude(centralMeridian);
            return Success();
        }
        if (rho > 2 * R * (1 + kDiskTolerance)) return Failure(TELLUS_E_OUT_OF_RANGE);
        double r = std::min(rho / (2 * R), 1.0);
        double sinCe = 2 * r * std::sqrt((1 - r) * (1 + r));
        double cosCe = 1 - 2 * r * r;
        q = qp * (cosCe * sinBeta1 + D * dy * sinCe * cosBeta1 / rho);
        // Near the poles and the rim, which magnify the last bits, the textbook's steps.
        if (r > kFastRimLimit || std::fabs(q) > kFastSineLimit * qp) {
            TELLUS_COUNT_PATH(azaTextbookSteps);
            rho = std::hypot(dx / D, D * dy);
            r = std::min(rho / (2 * R), 1.0);
            const double ce = 2 * std::asin(r);
            sinCe = std::sin(ce);
            cosCe = std::cos(ce);
            q = qp * (cosCe * sinBeta1 + D * dy * sinCe * cosBeta1 / rho);
        }
        dlon = std::atan2(dx * sinCe, D * rho * cosBeta1 * cosCe - D * D * dy * sinBeta1 * sinCe);
    }
    double phi = 0;
    if (!LatitudeOfQ(q, phi)) return Failure(TELLUS_E_NOT_CONVERGED);
    lat = phi;
    lon = ShortLongitude(dlon + centralMeridian);
    return Success();
}

bool AZA::LatitudeOfQ(double q, double& lat) const {
    if (std::fabs(q) > qp - kPoleQTolerance) {
        lat = std::copysign(kHalfPi, q);
        return true;
    }
    const double x = q / qp;
    double s = x;
    if (std::fabs(x) <= kFastSineLimit) {
        // Start from the series' latitude beta + delta: sin(beta + delta) with the sine and
        // cosine of the small delta to its cubic terms (delta is below 0.005 rad).
        const double c = std::sqrt((1 - x) * (1 + x));
        const double sin2 = 2 * x * c;
        const double cos2 = (c - x) * (c + x);
        const double delta = sin2 * (authalicSeries[0] + 2 * cos2 * authalicSeries[1] +
                                     (3 - 4 * sin2 * sin2) * authalicSeries[2]);
        s = x * (1 - delta * delta / 2) + c * delta * (1 - delta * delta / 6);
    } else {
        TELLUS_COUNT_PATH(azaStartFromQ);
    }
    bool settled = false;
    for (int pass = 0; pass < kMaxLatitudePasses && !settled; ++pass) {
        TELLUS_COUNT_PATH(azaLatitudePasses);
        // dq/d(sin lat) = 2 (1 - e2) / (1 - e2 sin^2 lat)^2.
        const double w = 1 - e2 * s * s;
        const double step = w * w / (2 * (1 - e2)) * (q - Q(s));
        s = std::clamp(s + step, -1.0, 1.0);
        settled = std::fabs(step) <= kSineTolerance;
    }
    if (!settled) return false;
    lat = std::asin(s);
    return true;
}

double AZA::Convergence(double lat, double lon) const {
    const double dl = WrapLongitude(lon - centralMeridian);
    // Polar: the meridians are the rays from the pole.
    if (polar) return south ? dl : -dl;
    // Oblique: the derivative of the authalic sphere's image along its meridian (times the
    // positive 2 den / b), then stretched by D across and 1/D along the grid's north.
    const double beta = std::asin(std::clamp(Q(std::sin(lat)) / qp, -1.0, 1.0));
    const double sinBeta = std::sin(beta);
    const double cosBeta = std::cos(beta);
    const double cosDl = std::cos(dl);
    const double den = 1 + sinBeta1 * sinBeta + cosBeta1 * cosBeta * cosDl;
    const double dDen = sinBeta1 * cosBeta - cosBeta1 * sinBeta * cosDl;
    const double north = cosBeta1 * sinBeta - sinBeta1 * cosBeta * cosDl;
    const double dX = -std::sin(dl) * (dDen * cosBeta + 2 * den * sinBeta);
    const double dY = -dDen * north + 2 * den * (cosBeta1 * cosBeta + sinBeta1 * sinBeta * cosDl);
    return std::atan2(D * D * dX, dY);
}

double AZA::PrincipalScale1(double lat, double) const {
    // rho / (a m): qp - q (qp + q about the south pole) over m, both from 1 - sin lat =
    // cos^2 lat / (1 + sin lat) rather than as differences of nearly equal numbers, which lost
    // 1.7e-5 of the scale 11 m from the pole.
    const double c = std::cos(lat);
    if (c == 0) return 1.0;
    const double s = south ? -std::sin(lat) : std::sin(lat);
    const double u = s > 0 ? c * c / (1 + s) : 1 - s;
    const double w = 1 - e2 * s * s;
    // qp - q = u (1 + e2 s) / w + (1 - e2) (atanh e - atanh(e s)) / e, the atanh difference in one.
    const double atanhGap = e == 0 ? u : std::atanh(e * u / (1 - e2 * s)) / e;
    const double gap = u * (1 + e2 * s) / w + (1 - e2) * atanhGap;
    return std::sqrt(gap * w) / c;
}

double AZA::PrincipalScale2(double lat, double lon) const { return 1 / PrincipalScale1(lat, lon); }
