// Transverse Mercator: the meridian distance through the rectifying latitude (Helmert's series in
// the third flattening n, to n^4), the offsets from the central meridian by Redfearn's power
// series (to l^7 in easting and l^6 in northing), as in the Ordnance Survey and EPSG guidance
// (EPSG Guidance Note 7-2, "Transverse Mercator, USGS formulas" for the series terms).
// Both latitude series are evaluated in the equivalent cos-power form
//     phi + sin phi cos phi (C0 + C2 cos^2 + C4 cos^4 + C6 cos^6).
// Departures: Redfearn's series lose accuracy away from the central meridian (0.83 mm at 6
// degrees, 1.58 km at 44): beyond the reach where they hold 0.1 mm, Krueger's series in n to n^6
// (Guidance Note 7-2 since 2019, Karney 2011) take over, and the points they cannot hold to 1 mm
// are refused; the convergence is Krueger's (the sphere's closed form was 1.8e-7 rad off at 2
// degrees, 1.2e-5 at 10); a latitude beyond +-pi/2 and non-finite coordinates are refused; the
// inverse writes nothing when it fails; the longitude difference of Forward is reduced by a
// single turn, not to the principal range; the inverse's longitude is reduced only when it lies
// outside [-pi, pi]; the point scale and the convergence reduce their longitude difference too,
// so that they hold across the antimeridian.
#include "geodesy/projections/TransverseMercator.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

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
// the grid point asked for (flattening 1/290 to 0, a up to 6.5e6 m; build/native/bench/tm_reach
// measures it by longitude offset: 0.018 mm at 3.1-3.2 degrees), a third of kSeriesMiss. Other
// ellipsoids always check.
constexpr double kSeriesSafeWidth = 3e-3;
constexpr double kSeriesSafeFlattening = 1.0 / 290;
constexpr double kSeriesSafeAxis = 6.5e6;
constexpr double kSettledMiss = 1e-6;
constexpr int kMaxRefinements = 8;

// Krueger's inverse takes the conformal latitude back to the geodetic one by Newton's method on
// tan: it settles in two or three passes to this relative step.
constexpr int kMaxTauPasses = 8;
constexpr double kTauTolerance = 1e-14;

// Krueger's coefficients (Karney, J. Geodesy 85, 2011, eqs. 35 and 36; IOGP Guidance Note 7-2),
// in powers of n, lowest first: alpha for the forward, beta for the inverse.
constexpr double kAlpha[6][6] = {
    {1.0 / 2, -2.0 / 3, 5.0 / 16, 41.0 / 180, -127.0 / 288, 7891.0 / 37800},
    {0, 13.0 / 48, -3.0 / 5, 557.0 / 1440, 281.0 / 630, -1983433.0 / 1935360},
    {0, 0, 61.0 / 240, -103.0 / 140, 15061.0 / 26880, 167603.0 / 181440},
    {0, 0, 0, 49561.0 / 161280, -179.0 / 168, 6601661.0 / 7257600},
    {0, 0, 0, 0, 34729.0 / 80640, -3418889.0 / 1995840},
    {0, 0, 0, 0, 0, 212378941.0 / 319334400},
};
constexpr double kBeta[6][6] = {
    {1.0 / 2, -2.0 / 3, 37.0 / 96, -1.0 / 360, -81.0 / 512, 96199.0 / 604800},
    {0, 1.0 / 48, 1.0 / 15, -437.0 / 1440, 46.0 / 105, -1118711.0 / 3870720},
    {0, 0, 17.0 / 480, -37.0 / 840, -209.0 / 4480, 5569.0 / 90720},
    {0, 0, 0, 4397.0 / 161280, -11.0 / 504, -830251.0 / 7257600},
    {0, 0, 0, 0, 4583.0 / 161280, -108847.0 / 3991680},
    {0, 0, 0, 0, 0, 20648693.0 / 638668800},
};

// sum_j c[j] sin(2 (j + 1) z) and its derivative sum_j 2 (j + 1) c[j] cos(2 (j + 1) z) for a
// complex z = xi + i eta, by Clenshaw's recurrence (as GeographicLib evaluates it).
void clenshaw(const double (&c)[6], std::complex<double> z, std::complex<double>& sum,
              std::complex<double>& derivative) {
    const std::complex<double> two = 2.0 * std::cos(2.0 * z);
    std::complex<double> b1 = 0, b2 = 0, d1 = 0, d2 = 0;
    for (int j = 5; j >= 0; --j) {
        const std::complex<double> b = c[j] + two * b1 - b2;
        const std::complex<double> d = 2.0 * (j + 1) * c[j] + two * d1 - d2;
        b2 = b1;
        b1 = b;
        d2 = d1;
        d1 = d;
    }
    sum = std::sin(2.0 * z) * b1;
    derivative = 0.5 * two * d1 - d2;
}

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
    const bool earth = f <= kSeriesSafeFlattening && a <= kSeriesSafeAxis;
    redfearnReach = earth ? kEarthRedfearnReach : kRedfearnReach;
    kruegerReach = earth ? kEarthKruegerReach : kKruegerReach;
    // D^2 (1 + T) of the inverse is about the squared longitude offset.
    handOverWidth = redfearnReach * redfearnReach;
    const double powers[6] = {n, n2, n3, n4, n4 * n, n3 * n3};
    for (int j = 0; j < 6; ++j) {
        alpha[j] = beta[j] = 0;
        for (int k = 0; k < 6; ++k) {
            alpha[j] += kAlpha[j][k] * powers[k];
            beta[j] += kBeta[j][k] * powers[k];
        }
    }
    kruegerRadius = semiMajorUnits / (1 + n) * (1 + n2 / 4 + n4 / 64 + n3 * n3 / 256);
}

double TransverseMercator::ConformalTangent(double tau) const {
    const double sigma = std::sinh(e * std::atanh(e * tau / std::hypot(1.0, tau)));
    return tau * std::hypot(1.0, sigma) - sigma * std::hypot(1.0, tau);
}

double TransverseMercator::KruegerForward(double lat, double dlon, double& x, double& y, double* gamma,
                                          double* k) const {
    const double s = std::sin(lat), c = std::cos(lat);
    const double sl = std::sin(dlon), cl = std::cos(dlon);
    // The conformal sphere: tan chi, then the sphere's transverse Mercator.
    const double tau = s / c;
    const double taup = std::fabs(lat) == kHalfPi ? std::copysign(std::numeric_limits<double>::infinity(), lat) : ConformalTangent(tau);
    const double xip = std::isinf(taup) ? std::copysign(kHalfPi, lat) : std::atan2(taup, cl);
    const double etap = std::isinf(taup) ? 0.0 : std::asinh(sl / std::hypot(taup, cl));
    std::complex<double> sum, derivative;
    clenshaw(alpha, {xip, etap}, sum, derivative);
    x = falseEasting + k0 * kruegerRadius * (etap + sum.imag());
    y = falseNorthing + y0 + k0 * kruegerRadius * (xip + sum.real());
    const std::complex<double> slope = 1.0 + derivative;
    if (gamma) {
        // The sphere's convergence, then the series' turn; negative east of the central meridian
        // in the north, as the grid bearing of true north.
        const double sphere = std::isinf(taup) ? dlon * std::copysign(1.0, lat) : std::atan2(sl * taup, cl * std::hypot(1.0, taup));
        *gamma = std::arg(slope) - sphere;
    }
    if (k) {
        // A pole lies on the central meridian, where the scale is k0.
        *k = std::isinf(taup) ? k0
                              : k0 * std::sqrt(1 - e2 * s * s) * std::hypot(1.0, tau) / std::hypot(taup, cl) *
                                    kruegerRadius / semiMajorUnits * std::abs(slope);
    }
    return etap;
}

bool TransverseMercator::KruegerServes(double lat, double dlon, double& x, double& y, double* gamma,
                                       double* k) const {
    return std::fabs(dlon) <= kHalfPi && std::fabs(KruegerForward(lat, dlon, x, y, gamma, k)) <= kruegerReach;
}

bool TransverseMercator::KruegerInverse(double xi, double eta, double& lat, double& dlon) const {
    std::complex<double> sum, derivative;
    clenshaw(beta, {xi, eta}, sum, derivative);
    const double xip = xi - sum.real();
    const double etap = eta - sum.imag();
    if (!(std::fabs(etap) <= kruegerReach) || !(std::fabs(xip) <= kHalfPi)) return false;
    const double se = std::sinh(etap), cx = std::cos(xip);
    dlon = std::atan2(se, cx);
    // tan chi of the point, then the geodetic tangent by Newton's method (tau' is increasing).
    const double taup = std::sin(xip) / std::hypot(se, cx);
    double tau = taup / (1 - e2);
    for (int pass = 0; pass < kMaxTauPasses; ++pass) {
        const double step = (taup - ConformalTangent(tau)) * (1 + (1 - e2) * tau * tau) /
                            ((1 - e2) * std::hypot(1.0, taup) * std::hypot(1.0, tau));
        tau += step;
        if (std::fabs(step) <= kTauTolerance * std::max(1.0, std::fabs(tau))) {
            lat = std::atan(tau);
            return std::isfinite(lat) && std::isfinite(dlon);
        }
    }
    return false;
}

double TransverseMercator::Rectifying(double lat, double sinLat, double cosLat) const {
    return cosPowerSeries(lat, sinLat, cosLat, A0, A2, A4, A6);
}

double TransverseMercator::Footpoint(double mu) const {
    return cosPowerSeries(mu, std::sin(mu), std::cos(mu), B0, B2, B4, B6);
}

erc TransverseMercator::GeoToGrid(double lat, double lon, double& x, double& y) const {
    double dlon = lon - centralMeridian;
    // A longitude of several turns is reduced fully; within a turn by one step, as always.
    if (std::fabs(dlon) > kTwoPi)
        dlon = LongitudeOffset(lon, centralMeridian);
    else if (dlon > kPi)
        dlon -= kTwoPi;
    else if (dlon < -kPi)
        dlon += kTwoPi;
    // The north pole is refused; the series still give the south pole on the central meridian.
    if (lat == kHalfPi) return Failure(TELLUS_E_CANNOT_PROJECT);
    if (std::fabs(dlon) <= redfearnReach || lat == -kHalfPi) {
        double easting = 0, northing = 0;
        RedfearnForward(lat, dlon, easting, northing);
        return Deliver(easting, northing, x, y, TELLUS_E_CANNOT_PROJECT);
    }
    double easting = 0, northing = 0;
    if (!KruegerServes(lat, dlon, easting, northing, nullptr, nullptr)) return Failure(TELLUS_E_OUT_OF_RANGE);
    return Deliver(easting, northing, x, y, TELLUS_E_OUT_OF_RANGE);
}

void TransverseMercator::RedfearnForward(double lat, double dlon, double& x, double& y) const {
    double c = std::cos(lat);
    double eta2 = ep2 * c * c;
    double l = dlon * c;
    double s = std::sin(lat);
    double mu = Rectifying(lat, s, c);
    double t = std::tan(lat);
    double T = t * t;
    double nu = semiMajorUnits / std::sqrt(1 - e2 * s * s);
    double l2 = l * l;
    double l4 = l2 * l2;
    double l6 = l4 * l2;
    x = falseEasting + k0 * nu * l *
                           (1 + l2 * (1 - T + eta2) / 6 + l4 * (5 - 18 * T + T * T + (14 - 58 * T) * eta2) / 120 +
                            l6 * (61 - 479 * T + 179 * T * T - T * T * T) / 5040);
    y = falseNorthing + y0 +
        k0 * (r * mu + nu * t * l2 / 2 *
                           (1 + l2 * (5 - T + 9 * eta2 + 4 * eta2 * eta2) / 12 +
                            l4 * (61 - 58 * T + T * T + 270 * eta2 - 330 * T * eta2) / 360));
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
    // D^2 (1 + T) is about the squared longitude offset: Redfearn's inverse well within their
    // reach, Krueger's beyond.
    if (!(D2 * (1 + T) <= handOverWidth)) {
        TELLUS_COUNT_PATH(tmKrueger);
        double dlon = 0, latitude = 0;
        if (!KruegerInverse((y - falseNorthing - y0) / (k0 * kruegerRadius), (x - falseEasting) / (k0 * kruegerRadius),
                            latitude, dlon))
            return Failure(TELLUS_E_OUT_OF_RANGE);
        double longitude = centralMeridian + dlon;
        // Krueger's inverse inverts their forward to nanometres; next to the hand-over the forward
        // is Redfearn's, and Newton's method takes the point the last tenth of a millimetre. At the
        // edge of the reach the forward may refuse the point.
        if (!Refine(x, y, latitude, longitude)) return Failure(TELLUS_E_OUT_OF_RANGE);
        return Deliver(latitude, ShortLongitude(longitude), lat, lon, TELLUS_E_OUT_OF_RANGE);
    }
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
    TELLUS_COUNT_PATH(tmRefine);
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
        // Within Redfearn's reach the sphere's convergence, as the steps were always taken.
        const double dl = ShortLongitude(LongitudeDifference(lon, centralMeridian));
        const double g = std::fabs(dl) <= redfearnReach ? std::atan(-(std::sin(lat) * std::tan(dl))) : Convergence(lat, lon);
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
    const double dlon = ShortLongitude(LongitudeDifference(lon, centralMeridian));
    if (!(std::fabs(dlon) <= redfearnReach)) {
        double gx = 0, gy = 0, k = std::numeric_limits<double>::quiet_NaN();
        return KruegerServes(lat, dlon, gx, gy, nullptr, &k) ? k : std::numeric_limits<double>::quiet_NaN();
    }
    double A = dlon * c;
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
    double gx = 0, gy = 0, gamma = std::numeric_limits<double>::quiet_NaN();
    const double dlon = ShortLongitude(LongitudeDifference(lon, centralMeridian));
    // At a pole the limit, the longitude offset brought within a quarter turn.
    if (std::fabs(lat) == kHalfPi) return std::atan(-(std::sin(lat) * std::tan(dlon)));
    return KruegerServes(lat, dlon, gx, gy, &gamma, nullptr) ? gamma : std::numeric_limits<double>::quiet_NaN();
}
