// The conformal t function of a geodetic latitude and its inverse (t = tan(pi/4 - chi/2) =
// exp(-psi), chi the conformal and psi the isometric latitude), shared by the conformal
// projections.
#pragma once

#include <cmath>

#include "geodesy/projections/Projection.h"

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
// against the exact inversion its error is about 210 n^7: 1e-17 rad on the flattest accepted
// ellipsoid (1/f = 290).
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

    // The latitude of t = tan(pi/4 - chi/2), with its sine and cosine. sin chi and cos chi come
    // without an angle, as (1 - t^2)/(1 + t^2) and 2t/(1 + t^2) (in 1/t beyond 1, where t^2 could
    // overflow), and those of lat from them where lat - chi is small.
    double Latitude(double t, double& sinLat, double& cosLat) const {
        const bool beyond = t > 1;
        const double u = beyond ? 1 / t : t;
        const double u2 = u * u;
        const double sinChi = (beyond ? u2 - 1 : 1 - u2) / (1 + u2);
        const double cosChi = 2 * u / (1 + u2);
        const double offset = Offset(sinChi, cosChi);
        const double lat = kHalfPi - 2 * std::atan(t) + offset;
        if (!(std::fabs(offset) < kSmallOffset)) {
            sinLat = std::sin(lat);
            cosLat = std::cos(lat);
            return lat;
        }
        const double o2 = offset * offset;
        const double sinOffset = offset * (1 - o2 / 6 * (1 - o2 / 20 * (1 - o2 / 42)));
        const double cosOffset = 1 - o2 / 2 * (1 - o2 / 12 * (1 - o2 / 30));
        sinLat = sinChi * cosOffset + cosChi * sinOffset;
        cosLat = cosChi * cosOffset - sinChi * sinOffset;
        return lat;
    }

private:
    // lat - chi, from sin chi and cos chi.
    double Offset(double sinChi, double cosChi) const { return SineSeriesSum(d, sinChi, cosChi); }

    // Below this |lat - chi| (rad) four terms of Taylor's series give its sine and cosine to 1e-18.
    static constexpr double kSmallOffset = 0.02;
    static constexpr int kTerms = 6;
    double d[kTerms];
};

// Snyder's fixed-point iteration ("Map Projections: A Working Manual", eq. 7-9),
// lat' = pi/2 - 2 atan(t ((1 - e sin lat)/(1 + e sin lat))^(e/2)), from the series' latitude until
// a pass changes the latitude by `tolerance` (rad) or less. The start is within a rounding of the
// fixed point, so one pass settles it. Writes the last latitude and returns whether it settled
// within `maxPasses`; a NaN never settles.
inline bool LatitudeFromConformalT(double t, double e, const ConformalLatitudeSeries& series, double tolerance,
                                   int maxPasses, double& lat) {
    double s, cosLat;
    double latitude = series.Latitude(t, s, cosLat);
    for (int pass = 0; pass < maxPasses; ++pass) {
        TELLUS_COUNT_PATH(conformalPasses);
        if (pass > 0) s = std::sin(latitude);
        const double next = kHalfPi - 2 * std::atan(t * std::pow((1 - e * s) / (1 + e * s), e / 2));
        const bool settled = std::fabs(next - latitude) <= tolerance;
        latitude = next;
        if (settled) {
            lat = latitude;
            return true;
        }
    }
    lat = latitude;
    return false;
}
