// Transverse Mercator: the meridian distance through the rectifying latitude (Helmert's series in
// the third flattening n, to n^4), the offsets from the central meridian by Redfearn's power
// series (to l^7 in easting and l^6 in northing), as in the Ordnance Survey and EPSG guidance
// (EPSG Guidance Note 7-2, "Transverse Mercator, USGS formulas" for the series terms).
// Both latitude series are evaluated in the equivalent cos-power form
//     phi + sin phi cos phi (C0 + C2 cos^2 + C4 cos^4 + C6 cos^6).
// Departures: a latitude beyond +-pi/2 and non-finite coordinates are refused; the inverse writes
// nothing when it fails; the longitude difference of Forward is reduced by a single turn, not to
// the principal range; the inverse's longitude is reduced only when it lies outside [-pi, pi];
// the point scale and the convergence reduce their longitude difference too, so that they hold
// across the antimeridian.
#include "geodesy/projections/TransverseMercator.h"

#include <algorithm>
#include <cmath>

namespace {

struct SineSeries {
    double s2, s4, s6, s8;
};

// Sine series sum_k c_2k sin 2k phi rewritten as sin phi cos phi (C0 + C2 c^2 + C4 c^4 + C6 c^6).
void toCosPowers(const SineSeries& s, double& c0, double& c2, double& c4, double& c6) {
    c0 = 2 * (s.s2 - 2 * s.s4 + 3 * s.s6 - 4 * s.s8);
    c2 = 8 * (s.s4 - 4 * s.s6 + 10 * s.s8);
    c4 = 32 * (s.s6 - 6 * s.s8);
    c6 = 128 * s.s8;
}

// The series at phi, given sin phi and cos phi.
double cosPowerSeries(double phi, double sinPhi, double cosPhi, double c0, double c2, double c4, double c6) {
    double cc = cosPhi * cosPhi;
    return phi + sinPhi * cosPhi * (c0 + c2 * cc + c4 * cc * cc + c6 * cc * cc * cc);
}

// Rectifying radius factor 1 + 9/4 n^2 + 225/64 n^4.
constexpr double kRadiusN2 = 9.0 / 4;
constexpr double kRadiusN4 = 225.0 / 64;

// The inverse series' point is kept when its forward lands within this of the grid point asked
// for (metres on the grid, times k0: 0.05 mm on the ground, half the promise, so that it holds
// however the ground distance is reckoned); otherwise Newton's method on the forward takes it on
// until the forward lands within kSettledMiss, in at most kMaxRefinements steps.
constexpr double kSeriesMiss = 5e-5;
// Where the inverse series needs no forward to show it: with D the easting over k0 nu and T the
// squared tangent of the footpoint latitude, D^2 (1 + T) is about the squared longitude offset;
// up to 3e-3 (3.1 degrees, a whole 6-degree zone) the series' point lands within 1.6e-5 m k0 of
// the grid point asked for (measured densely over footpoint latitudes and offsets, flattening
// 1/290 to 0, a up to 6.5e6 m), a third of kSeriesMiss. Other ellipsoids always check.
constexpr double kSeriesSafeWidth = 3e-3;
constexpr double kSeriesSafeFlattening = 1.0 / 290;
constexpr double kSeriesSafeAxis = 6.5e6;
constexpr double kSettledMiss = 1e-6;
constexpr int kMaxRefinements = 8;

}  // namespace

TransverseMercator::TransverseMercator(const GeodesyParams& params) : Projection(params) {
    n = f / (2 - f);
    double n2 = n * n, n3 = n2 * n, n4 = n3 * n;
    // Geodetic -> rectifying latitude.
    SineSeries forward{-3.0 / 2 * n + 9.0 / 16 * n3, 15.0 / 16 * n2 - 15.0 / 32 * n4, -35.0 / 48 * n3,
                       315.0 / 512 * n4};
    toCosPowers(forward, A0, A2, A4, A6);
    semiMajorUnits = a / unit;
    r = semiMajorUnits * (1 - n) * (1 - n2) * (1 + kRadiusN2 * n2 + kRadiusN4 * n4);
    if (r * k0 == 0) RefuseParameters();
    y0 = -(Rectifying(referenceLatitude, std::sin(referenceLatitude), std::cos(referenceLatitude)) * k0 * r);
    ep2 = e2 / (1 - e2);
    // Rectifying -> geodetic (footpoint) latitude.
    SineSeries inverse{3.0 / 2 * n - 27.0 / 32 * n3, 21.0 / 16 * n2 - 55.0 / 32 * n4, 151.0 / 96 * n3,
                       1097.0 / 512 * n4};
    toCosPowers(inverse, B0, B2, B4, B6);
    seriesSafeWidth = f <= kSeriesSafeFlattening && a <= kSeriesSafeAxis ? kSeriesSafeWidth : 0;
}

double TransverseMercator::Rectifying(double lat, double sinLat, double cosLat) const {
    return cosPowerSeries(lat, sinLat, cosLat, A0, A2, A4, A6);
}

double TransverseMercator::Footpoint(double mu) const {
    return cosPowerSeries(mu, std::sin(mu), std::cos(mu), B0, B2, B4, B6);
}

erc TransverseMercator::GeoToGrid(double lat, double lon, double& x, double& y) const {
    double c = std::cos(lat);
    double eta2 = ep2 * c * c;
    double dlon = lon - centralMeridian;
    // A longitude of several turns is reduced fully; within a turn by one step, as always.
    if (std::fabs(dlon) > kTwoPi)
        dlon = LongitudeOffset(lon, centralMeridian);
    else if (dlon > kPi)
        dlon -= kTwoPi;
    else if (dlon < -kPi)
        dlon += kTwoPi;
    double l = dlon * c;
    double s = std::sin(lat);
    double mu = Rectifying(lat, s, c);
    // The north pole is refused; the series still give the south pole on the central meridian.
    if (lat == kHalfPi) return Failure(TELLUS_E_CANNOT_PROJECT);
    double t = std::tan(lat);
    double T = t * t;
    double nu = semiMajorUnits / std::sqrt(1 - e2 * s * s);
    double l2 = l * l;
    double l4 = l2 * l2;
    double l6 = l4 * l2;
    const double easting =
        falseEasting + k0 * nu * l *
                           (1 + l2 * (1 - T + eta2) / 6 + l4 * (5 - 18 * T + T * T + (14 - 58 * T) * eta2) / 120 +
                            l6 * (61 - 479 * T + 179 * T * T - T * T * T) / 5040);
    const double northing = falseNorthing + y0 +
                            k0 * (r * mu + nu * t * l2 / 2 *
                                               (1 + l2 * (5 - T + 9 * eta2 + 4 * eta2 * eta2) / 12 +
                                                l4 * (61 - 58 * T + T * T + 270 * eta2 - 330 * T * eta2) / 360));
    return Deliver(easting, northing, x, y, TELLUS_E_CANNOT_PROJECT);
}

erc TransverseMercator::GridToGeo(double x, double y, double& lat, double& lon) const {
    double mu = (y - falseNorthing - y0) / (r * k0);
    if (std::fabs(mu) >= kHalfPi) return Failure(TELLUS_E_OUT_OF_RANGE);
    double lat1 = Footpoint(mu);
    if (std::fabs(lat1) >= kHalfPi) return Failure(TELLUS_E_OUT_OF_RANGE);
    double c1 = std::cos(lat1);
    double eta2 = ep2 * c1 * c1;
    double t = std::tan(lat1);
    double T = t * t;
    double s1 = std::sin(lat1);
    double nu = semiMajorUnits / std::sqrt(1 - e2 * s1 * s1);
    double D = (x - falseEasting) / (k0 * nu);
    double D2 = D * D;
    double D4 = D2 * D2;
    double D6 = D4 * D2;
    double latitude =
        lat1 - (1 + eta2) * t * D2 / 2 *
                   (1 - D2 * (5 + 3 * T + eta2 - 9 * T * eta2 - 4 * eta2 * eta2) / 12 +
                    D4 * (61 + 90 * T + 45 * T * T + 46 * eta2 - 252 * T * eta2 - 90 * T * T * eta2) / 360);
    // A NaN (the series of a point far off the grid) is no latitude either.
    if (!(latitude >= -kHalfPi && latitude <= kHalfPi)) return Failure(TELLUS_E_OUT_OF_RANGE);
    double longitude = centralMeridian + D / c1 *
                                             (1 - D2 * (1 + 2 * T + eta2) / 6 +
                                              D4 * (5 + 28 * T + 24 * T * T + (6 + 8 * T) * eta2) / 120 -
                                              D6 * (61 + 662 * T + 1320 * T * T + 720 * T * T * T) / 5040);
    const bool seriesHolds = D2 * (1 + T) <= seriesSafeWidth && latitude != kHalfPi;
    if (!seriesHolds && !Refine(x, y, latitude, longitude)) return Failure(TELLUS_E_NOT_CONVERGED);
    return Deliver(latitude, ShortLongitude(longitude), lat, lon, TELLUS_E_OUT_OF_RANGE);
}

bool TransverseMercator::Refine(double x, double y, double& lat, double& lon) const {
    for (int step = 0; step <= kMaxRefinements; ++step) {
        double gx = 0, gy = 0;
        if (GeoToGrid(lat, lon, gx, gy).release() != 0) return false;
        const double ex = (x - gx) * unit;
        const double ey = (y - gy) * unit;
        const double miss = std::hypot(ex, ey);
        if (miss <= (step == 0 ? kSeriesMiss * k0 : kSettledMiss)) return true;
        if (step == kMaxRefinements || !std::isfinite(miss)) return false;
        // The forward is conformal to the order of its series: its derivative is the point
        // scale k turned by the convergence g (the grid bearing of true north).
        const double s = std::sin(lat);
        const double c = std::cos(lat);
        const double w2 = 1 - e2 * s * s;
        const double N = a / std::sqrt(w2);
        const double M = N * (1 - e2) / w2;
        const double k = PrincipalScale1(lat, lon);
        const double g = Convergence(lat, lon);
        const double north = (ex * std::sin(g) + ey * std::cos(g)) / k;
        const double east = (ex * std::cos(g) - ey * std::sin(g)) / k;
        if (!(c > 0)) return false;
        lat = std::clamp(lat + north / M, -kHalfPi, kHalfPi);
        lon += east / (N * c);
    }
    return false;
}

double TransverseMercator::PrincipalScale1(double lat, double lon) const {
    double c = std::cos(lat);
    // The inverse hands over longitudes in [-pi, pi]: across the antimeridian the difference
    // must be brought back within half a turn.
    double A = ShortLongitude(LongitudeDifference(lon, centralMeridian)) * c;
    double eta2 = ep2 * c * c;
    double t = std::tan(lat);
    double T = t * t;
    double A2 = A * A;
    double A4 = A2 * A2;
    double A6 = A4 * A2;
    return k0 * (1 + (1 + eta2) / 2 * A2 + (5 - 4 * T + 42 * eta2 + 13 * eta2 * eta2 - 28 * ep2) / 24 * A4 +
                 (61 - 148 * T + 16 * T * T) / 720 * A6);
}

double TransverseMercator::Convergence(double lat, double lon) const {
    return std::atan(-(std::sin(lat) * std::tan(ShortLongitude(LongitudeDifference(lon, centralMeridian)))));
}
