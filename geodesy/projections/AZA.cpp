// Lambert azimuthal equal-area: the ellipsoid is mapped onto the authalic sphere of radius R by
// the authalic latitude beta = asin(q / qp), then azimuthally about the centre (Snyder, "Map
// Projections: A Working Manual", 1987, pp. 187-190; EPSG Guidance Note 7-2, method 9820).
// Departures:
// - every length is in grid units (a / unit), in both aspects;
// - the inverse of the false origin returns the centre (the oblique formulas are 0/0 there), and
//   a point outside the disk of radius 2R fails with code 10;
// - the inverse takes the authalic latitude as an angle, from its sine and cosine on the sphere
//   (sharp at the poles, where q is not), and the geodetic latitude from it by the series in the
//   third flattening n to n^6 (Karney, "On auxiliary latitudes", 2023), whose truncation is below
//   1e-18 rad for f <= 1/290: no iteration;
// - the principal scales are Tissot's semi-axes (in the polar aspect the parallel and meridian
//   scales; in the others meridian and parallel are no principal directions): slot 5 the larger,
//   slot 6 its reciprocal, 1 at a pole;
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
// 1 + sin beta1 sin beta + cos beta1 cos beta cos dl, 2 cos^2 of half the distance from the
// centre: below the first it is computed from the distance to the antipode (within 40 degrees of
// it), at and below the second the point is refused as the antipode (within about 13 km of it).
constexpr double kNearAntipode = 0.25;
constexpr double kAntipodeDenominator = 2e-6;
// The smallest den the principal scales take (1e150 and its reciprocal, far from overflow).
constexpr double kAntipodeScaleDen = 1e-100;
// Points on the rim of the disk (the antipode) may round past it by this relative amount.
constexpr double kDiskTolerance = 1e-12;

}  // namespace

AZA::AZA(const GeodesyParams& params) : Projection(params) {
    if (a == 0) RefuseParameters();
    const double lat1 = referenceLatitude;
    semiMajorUnits = a / unit;
    qp = Q(1.0);
    R = semiMajorUnits * std::sqrt(qp / 2);
    // m(lat1) = cos lat1 / sqrt(1 - e2 sin^2 lat1), the cosine itself (not from 1 - sin^2).
    m1 = std::cos(lat1) / std::sqrt(1 - e2 * std::sin(lat1) * std::sin(lat1));
    polar = kHalfPi - std::fabs(lat1) < kPolarAspectTolerance;
    south = polar && lat1 < 0;
    // beta1 from 1 - |sin beta1| = (qp - q1) / qp without the difference (with asin(q1 / qp) and
    // m1 from 1 - sin^2 the scale at a centre 11 m from a pole was 1.4e-5 off 1, now 2e-11); its
    // sine and cosine stay one angle's, as the forward next to the antipode needs.
    const double gap1 = PoleGap(std::fabs(std::sin(lat1)), std::cos(lat1)) / qp;
    beta1 = polar ? std::copysign(kHalfPi, lat1)
                  : std::atan2(std::copysign(1 - gap1, lat1), std::sqrt(gap1 * (2 - gap1)));
    sinBeta1 = std::sin(beta1);
    cosBeta1 = std::cos(beta1);
    D = polar ? 1.0 : m1 / (cosBeta1 * std::sqrt(qp / 2));
    // lat - beta = sum c_k sin 2k beta, c_k of order n^k (Karney 2023), n = f / (2 - f).
    const double n = f / (2 - f);
    const double c[6][6] = {
        {4.0 / 3, 4.0 / 45, -16.0 / 35, -2582.0 / 14175, 60136.0 / 467775, 28112932.0 / 212837625},
        {46.0 / 45, 152.0 / 945, -11966.0 / 14175, -21016.0 / 51975, 251310128.0 / 638512875},
        {3044.0 / 2835, 3802.0 / 14175, -94388.0 / 66825, -8797648.0 / 10945935},
        {6059.0 / 4725, 41072.0 / 93555, -1472637812.0 / 638512875},
        {768272.0 / 467775, 455935736.0 / 638512875},
        {4210684958.0 / 1915538625}};
    double nk = 1;
    for (int k = 0; k < 6; ++k) {
        nk *= n;
        double sum = 0;
        for (int j = 5 - k; j >= 0; --j) sum = sum * n + c[k][j];
        authalicSeries[k] = nk * sum;
    }
}

double AZA::Q(double sinLat) const {
    // atanh(e s) / e tends to s on a sphere.
    const double atanhOverE = e == 0 ? sinLat : std::atanh(e * sinLat) / e;
    return (1 - e2) * (sinLat / (1 - e2 * sinLat * sinLat) + atanhOverE);
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
    // On the authalic sphere the point is at the distance ce = 2 asin r from the centre, in the
    // direction (X, Y) / rho; a plain root (grid coordinates are far from overflow, and within
    // 1e-150 of the centre is the centre), and the sine and cosine of ce in closed form.
    const double X = (x - falseEasting) / D;
    const double Y = D * (y - falseNorthing);
    const double rho = std::sqrt(X * X + Y * Y);
    if (rho > 2 * R * (1 + kDiskTolerance)) return Failure(TELLUS_E_OUT_OF_RANGE);
    const double r = std::min(rho / (2 * R), 1.0);
    const double sinCe = 2 * r * std::sqrt((1 - r) * (1 + r));
    const double cosCe = 1 - 2 * r * r;
    double sinBeta, cosBeta, dlon;
    if (polar) {
        sinBeta = south ? -cosCe : cosCe;
        cosBeta = sinCe;
        dlon = south ? std::atan2(X, Y) : std::atan2(X, -Y);
    } else {
        if (rho == 0) {
            lat = referenceLatitude;
            lon = ShortLongitude(centralMeridian);
            return Success();
        }
        // cos beta from its east and north components, sharp next to the poles.
        sinBeta = sinBeta1 * cosCe + cosBeta1 * sinCe * Y / rho;
        const double east = sinCe * X / rho;
        const double north = cosBeta1 * cosCe - sinBeta1 * sinCe * Y / rho;
        cosBeta = std::hypot(east, north);
        dlon = std::atan2(east, north);
    }
    // The series in 2 beta (sine and cosine of unit norm within rounding).
    lat = std::atan2(sinBeta, cosBeta) + SineSeriesSum(authalicSeries, sinBeta, cosBeta);
    lon = ShortLongitude(dlon + centralMeridian);
    return Success();
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

double AZA::PoleGap(double s, double c) const {
    // qp - q from 1 - s = c^2 / (1 + s) rather than as a difference of nearly equal numbers,
    // which lost 1.7e-5 of the polar scale 11 m from the pole; the atanh difference in one.
    const double u = s > 0 ? c * c / (1 + s) : 1 - s;
    const double atanhGap = e == 0 ? u : std::atanh(e * u / (1 - e2 * s)) / e;
    return u * (1 + e2 * s) / (1 - e2 * s * s) + (1 - e2) * atanhGap;
}

double AZA::PrincipalScale1(double lat, double lon) const {
    const double c = std::cos(lat);
    if (c == 0) return 1.0;
    const double s = std::sin(lat);
    const double w = 1 - e2 * s * s;
    // Polar: rho / (a m) along the parallel.
    if (polar) return std::sqrt(PoleGap(south ? -s : s, c) * w) / c;
    // Else the ellipsoid's scale on the authalic sphere, ks = R cos beta / (a m) along the
    // parallel and 1 / ks along the meridian, then the sphere's azimuthal map and D's stretch.
    const double gap = PoleGap(std::fabs(s), c) / qp;  // 1 - |sin beta|
    const double sinBeta = std::copysign(1 - gap, s);
    const double cosBeta = std::sqrt(gap * (2 - gap));
    const double ks = std::sqrt(qp * gap * (2 - gap) * w / 2) / c;
    const double dl = lon - centralMeridian;
    const double sinDl = std::sin(dl);
    const double cosDl = std::cos(dl);
    // At the antipode itself (den 0) the scales are infinite and 0: held finite, their product 1.
    const double den =
        std::max(1 + sinBeta1 * sinBeta + cosBeta1 * cosBeta * cosDl, kAntipodeScaleDen);
    const double dDen = sinBeta1 * cosBeta - cosBeta1 * sinBeta * cosDl;
    const double north = cosBeta1 * sinBeta - sinBeta1 * cosBeta * cosDl;
    const double t = 1 / (2 * den);
    const double v = std::sqrt(2 / den);
    // The grid's steps for unit steps north (xN, yN) and east (xE, yE) on the ellipsoid.
    const double xN = -D * v * sinDl * (cosBeta * dDen * t + sinBeta) / ks;
    const double yN =
        v * (cosBeta1 * cosBeta + sinBeta1 * sinBeta * cosDl - dDen * north * t) / (D * ks);
    const double xE = D * v * ks * (cosBeta1 * cosBeta * sinDl * sinDl * t + cosDl);
    const double yE = v * ks * sinDl * (cosBeta1 * north * t + sinBeta1) / D;
    // Their larger singular value.
    return (std::hypot(xN + yE, yN - xE) + std::hypot(xN - yE, yN + xE)) / 2;
}

double AZA::PrincipalScale2(double lat, double lon) const { return 1 / PrincipalScale1(lat, lon); }
