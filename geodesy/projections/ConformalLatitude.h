// The conformal t function of a geodetic latitude and its inverse (t = tan(pi/4 - chi/2) =
// exp(-psi), chi the conformal and psi the isometric latitude), shared by the conformal
// projections.
#pragma once

#include <cmath>

#include "geodesy/projections/Angles.h"

// t(lat) = tan(pi/4 - lat/2) ((1 + e sin lat)/(1 - e sin lat))^(e/2) (Snyder, eq. 15-9), equal to
// sqrt(((1 - sin lat)/(1 + sin lat)) ((1 + e sin lat)/(1 - e sin lat))^e). tan(pi/4 - lat/2) is
// taken as cos lat / (1 + sin lat) in the north and (1 - sin lat) / cos lat in the south: neither
// subtracts nearly equal numbers, so t keeps its digits up to both poles, where 1 - sin lat and
// tan near pi/2 lose them.
inline double ConformalTOf(double lat, double e) {
    const double s = std::sin(lat);
    const double c = std::cos(lat);
    const double half = s >= 0 ? c / (1 + s) : (1 - s) / c;
    return half * std::pow((1 + e * s) / (1 - e * s), e / 2);
}

// The geodetic latitude of a conformal latitude chi as chi plus a series in sines of its multiples,
// lat = chi + sum d_2k sin(2k chi), with coefficients in the third flattening n to n^6 (Krueger's
// series, as in Karney, "Transverse Mercator with an accuracy of a few nanometers", 2011). Checked
// against the exact inversion its error is about 210 n^7: 1e-17 rad on the earth's ellipsoids.
class ConformalLatitudeSeries {
public:
    explicit ConformalLatitudeSeries(double e) {
        // n = f / (2 - f), from e^2 without the cancellation in 1 - sqrt(1 - e^2).
        const double root = 1 + std::sqrt(1 - e * e);
        const double n = e * e / (root * root);
        const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
        d[0] = 2 * n - 2.0 / 3 * n2 - 2 * n3 + 116.0 / 45 * n4 + 26.0 / 45 * n5 - 2854.0 / 675 * n6;
        d[1] = 7.0 / 3 * n2 - 8.0 / 5 * n3 - 227.0 / 45 * n4 + 2704.0 / 315 * n5 + 2323.0 / 945 * n6;
        d[2] = 56.0 / 15 * n3 - 136.0 / 35 * n4 - 1262.0 / 105 * n5 + 73814.0 / 2835 * n6;
        d[3] = 4279.0 / 630 * n4 - 332.0 / 35 * n5 - 399572.0 / 14175 * n6;
        d[4] = 4174.0 / 315 * n5 - 144838.0 / 6237 * n6;
        d[5] = 601676.0 / 22275 * n6;
    }

    // lat - chi, from sin chi and cos chi (Clenshaw's summation in the multiples of 2 chi).
    double Offset(double sinChi, double cosChi) const {
        const double twiceCos2 = 2 * (cosChi - sinChi) * (cosChi + sinChi);
        double b1 = 0, b2 = 0;
        for (int k = kTerms - 1; k >= 0; --k) {
            const double b = d[k] + twiceCos2 * b1 - b2;
            b2 = b1;
            b1 = b;
        }
        return 2 * sinChi * cosChi * b1;
    }

private:
    static constexpr int kTerms = 6;
    double d[kTerms];
};

// sin chi and cos chi of the conformal latitude of t = tan(pi/4 - chi/2), without an angle:
// (1 - t^2)/(1 + t^2) and 2t/(1 + t^2), in 1/t beyond 1, where t^2 could overflow.
inline void ConformalSineCosine(double t, double& sinChi, double& cosChi) {
    const bool beyond = t > 1;
    const double u = beyond ? 1 / t : t;
    const double u2 = u * u;
    sinChi = (beyond ? u2 - 1 : 1 - u2) / (1 + u2);
    cosChi = 2 * u / (1 + u2);
}

// Below this |lat - chi| (rad) four terms of Taylor's series give its sine and cosine to 1e-18.
inline constexpr double kSmallConformalOffset = 0.02;

// sin and cos of lat = chi + offset from those of chi, without a call where the offset is small.
inline void SineCosineOfOffset(double sinChi, double cosChi, double offset, double lat, double& sinLat,
                               double& cosLat) {
    if (!(std::fabs(offset) < kSmallConformalOffset)) {
        sinLat = std::sin(lat);
        cosLat = std::cos(lat);
        return;
    }
    const double o2 = offset * offset;
    const double sinOffset = offset * (1 - o2 / 6 * (1 - o2 / 20 * (1 - o2 / 42)));
    const double cosOffset = 1 - o2 / 2 * (1 - o2 / 12 * (1 - o2 / 30));
    sinLat = sinChi * cosOffset + cosChi * sinOffset;
    cosLat = cosChi * cosOffset - sinChi * sinOffset;
}

// Snyder's fixed-point iteration ("Map Projections: A Working Manual", eq. 7-9),
// lat' = pi/2 - 2 atan(t ((1 - e sin lat)/(1 + e sin lat))^(e/2)), from `latitude` (whose sine is
// `sinLatitude`) until a pass changes the latitude by `tolerance` (rad) or less. Writes the last
// latitude and returns whether it settled within `maxPasses`; a NaN never settles.
inline bool ConformalFixedPoint(double t, double e, double latitude, double sinLatitude, double tolerance,
                                int maxPasses, double& lat) {
    double s = sinLatitude;
    bool settled = false;
    for (int pass = 0; pass < maxPasses && !settled; ++pass) {
        if (pass > 0) s = std::sin(latitude);
        double next = kHalfPi - 2 * std::atan(t * std::pow((1 - e * s) / (1 + e * s), e / 2));
        settled = std::fabs(next - latitude) <= tolerance;
        latitude = next;
    }
    lat = latitude;
    return settled;
}

// The iteration started from the series' latitude: the start is within a rounding of the fixed
// point, so one pass settles it.
inline bool LatitudeFromConformalT(double t, double e, const ConformalLatitudeSeries& series, double tolerance,
                                   int maxPasses, double& lat) {
    double sinChi, cosChi;
    ConformalSineCosine(t, sinChi, cosChi);
    const double offset = series.Offset(sinChi, cosChi);
    const double latitude = kHalfPi - 2 * std::atan(t) + offset;
    double s, cosLat;
    SineCosineOfOffset(sinChi, cosChi, offset, latitude, s, cosLat);
    return ConformalFixedPoint(t, e, latitude, s, tolerance, maxPasses, lat);
}

// The iteration from the sphere's answer lat = pi/2 - 2 atan t, the textbook's sequence of
// iterates, for classes whose loose tolerance would let a better start move their results.
inline bool LatitudeFromConformalTBySphere(double t, double e, double tolerance, int maxPasses, double& lat) {
    const double latitude = kHalfPi - 2 * std::atan(t);
    return ConformalFixedPoint(t, e, latitude, std::sin(latitude), tolerance, maxPasses, lat);
}

// A step this close to the tolerance (relative) is too close to call for the cheaper passes below,
// whose iterates differ from the textbook's by a few units in the last place (about 1e-15 rad in
// a step; the bound here is 1e-4 of the tolerance, 1e-13 rad at 1e-9).
inline constexpr double kConformalStepMargin = 1e-4;

// The iterates of LatitudeFromConformalTBySphere, each pass with one logarithm and one exponential in
// place of a sine, an arctangent and a power: carried as z = tan(pi/4 - lat/2), so that sin lat =
// (1 - z^2) / (1 + z^2), the pass is z' = t (N / D)^(-e/2) = t exp(-e/2 ln(N / D)) with
// N = (1 + e) + (1 - e) z^2 and D = (1 - e) + (1 + e) z^2, i.e. (1 + e sin lat) / (1 - e sin lat)
// times 1 + z^2 on both sides, and the step 2 |atan z' - atan z| is 2 |z' - z| / (1 + z z') (the
// arctangent's cubic term is below 1e-26 rad at steps of 1e-9). The pass that stops is the
// textbook's: a step within kConformalStepMargin of the tolerance, or a NaN or infinity, is left
// to the textbook passes from the start, as is a search that does not settle. The latitude is the
// textbook's to a few units in the last place (1e-15 rad).
inline bool LatitudeFromConformalTFast(double t, double e, double tolerance, int maxPasses, double& lat) {
    const double plus = 1 + e, minus = 1 - e, halfE = e / 2;
    double z = t;
    for (int pass = 0; pass < maxPasses; ++pass) {
        const double z2 = z * z;
        const double next = t * std::exp(-halfE * std::log((plus + minus * z2) / (minus + plus * z2)));
        // 2 |z' - z| against the tolerance times 1 + z z'.
        const double twice = 2 * std::fabs(next - z);
        const double limit = tolerance * (1 + z * next);
        z = next;
        if (!(std::fabs(twice - limit) > kConformalStepMargin * limit)) break;
        if (twice < limit) {
            lat = kHalfPi - 2 * std::atan(z);
            return true;
        }
    }
    return LatitudeFromConformalTBySphere(t, e, tolerance, maxPasses, lat);
}
